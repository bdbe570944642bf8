#include "compare/ReferenceMeaning.h"

#include <algorithm>
#include <cstring>

#include "compare/CompareMaps.h"
#include "map/ValueText.h"

namespace jov {

namespace {

constexpr std::size_t kReferenceSize = 16;
constexpr std::size_t kNameAt = 4;
constexpr std::size_t kIdentifierAt = 12;

std::uint32_t WordOf(std::string_view bytes, std::size_t at) {
  return ReadLe32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

// A class code as a reference stores it: four bytes, reversed.
std::string Stored(const std::string& code) {
  std::string padded = code.substr(0, 4);
  padded.resize(4, '\0');
  return std::string(padded.rbegin(), padded.rend());
}

std::string Key(const TagEntry& tag) { return tag.strClass1 + '\0' + tag.strName; }

}  // namespace

NamePointerTranslator::NamePointerTranslator(const CMapFile& source, const CMapFile& destination) {
  std::unordered_map<std::string, std::size_t> firstByKey;
  for (std::size_t t = destination.m_nTagCount; t-- > 0;) firstByKey[Key(destination.m_tags[t])] = t;
  for (std::size_t s = 0; s < source.m_nTagCount; ++s) {
    const TagEntry& tag = source.m_tags[s];
    const auto counterpart = firstByKey.find(Key(tag));
    if (tag.strNameOffset.empty() || counterpart == firstByKey.end()) continue;
    const TagEntry& other = destination.m_tags[counterpart->second];
    if (other.strNameOffset.empty()) continue;
    const std::uint32_t from = HexToUInt(tag.strNameOffset) + source.Magic();
    m_names.emplace(from, HexToUInt(other.strNameOffset) + destination.Magic());
    m_lowest = std::min(m_lowest, from);
    m_highest = std::max(m_highest, from);
  }
}

std::vector<WordAt> NamePointerTranslator::Find(std::string_view bytes) const {
  std::vector<WordAt> words;
  if (m_names.empty()) return words;
  for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
    const std::uint32_t name = WordOf(bytes, at);
    if (name < m_lowest || name > m_highest) continue;
    const auto it = m_names.find(name);
    if (it == m_names.end()) continue;
    words.push_back({static_cast<std::uint32_t>(at), it->second});
  }
  return words;
}

void NamePointerTranslator::Put(std::string& bytes, const std::vector<WordAt>& words) {
  for (const WordAt& word : words) {
    if (std::size_t{word.offset} + 4 > bytes.size()) continue;
    for (std::size_t i = 0; i < 4; ++i) bytes[word.offset + i] = static_cast<char>(word.value >> (8 * i));
  }
}

IdentifierMeaning::IdentifierMeaning(const CMapFile& source, const CMapFile& destination) {
  std::unordered_map<std::string, std::size_t> firstByKey;
  for (std::size_t t = destination.m_nTagCount; t-- > 0;) firstByKey[Key(destination.m_tags[t])] = t;
  for (std::size_t s = 0; s < source.m_nTagCount; ++s) {
    const auto counterpart = firstByKey.find(Key(source.m_tags[s]));
    if (counterpart == firstByKey.end()) continue;
    m_counterparts.emplace(HexToUInt(source.m_tags[s].strIdentifier),
                           HexToUInt(destination.m_tags[counterpart->second].strIdentifier));
  }
}

std::vector<WordAt> IdentifierMeaning::Match(std::string& a, std::string_view source, const std::string& b) const {
  std::vector<WordAt> kept;
  const std::size_t size = std::min({a.size(), source.size(), b.size()});
  for (const ByteRange& range : DifferingRanges(a, b)) {
    const std::size_t end = std::size_t{range.offset} + range.after.size();
    for (std::size_t at = range.offset < 3 ? 0 : range.offset - 3; at < end && at + 4 <= size; ++at) {
      if (std::memcmp(a.data() + at, b.data() + at, 4) == 0) continue;
      const auto it = m_counterparts.find(WordOf(source, at));
      if (it == m_counterparts.end() || it->second != WordOf(b, at)) continue;
      kept.push_back({static_cast<std::uint32_t>(at), WordOf(a, at)});
      std::memcpy(a.data() + at, b.data() + at, 4);
    }
  }
  return kept;
}

void IdentifierMeaning::Carry(std::string& translated, std::string_view source,
                              const std::vector<std::pair<std::size_t, std::size_t>>& runs) const {
  const std::size_t size = std::min(translated.size(), source.size());
  for (const auto& [from, to] : runs) {
    for (std::size_t at = from < 3 ? 0 : from - 3; at < to && at + 4 <= size; ++at) {
      const std::uint32_t word = WordOf(source, at);
      const auto it = m_counterparts.find(word);
      if (it == m_counterparts.end() || it->second == word || WordOf(translated, at) != word) continue;
      NamePointerTranslator::Put(translated, {{static_cast<std::uint32_t>(at), it->second}});
    }
  }
}

std::vector<WordAt> MatchUnmovedNumbers(std::string& a, std::string_view source, const std::string& b, std::uint32_t base,
                                        std::uint32_t size) {
  std::vector<WordAt> kept;
  const std::size_t end = std::min({a.size(), source.size(), b.size()});
  for (const ByteRange& range : DifferingRanges(a, b)) {
    const std::size_t to = std::size_t{range.offset} + range.after.size();
    for (std::size_t at = range.offset < 3 ? 0 : range.offset - 3; at < to && at + 4 <= end; ++at) {
      const std::uint32_t word = WordOf(source, at);
      if (word != WordOf(b, at) || word == WordOf(a, at) || word - base >= size) continue;
      kept.push_back({static_cast<std::uint32_t>(at), WordOf(a, at)});
      std::memcpy(a.data() + at, b.data() + at, 4);
    }
  }
  return kept;
}

ReferenceMeaning::ReferenceMeaning(const CMapFile& terms, const CMapFile& other) {
  std::unordered_map<std::string, std::size_t> firstByKey;
  for (std::size_t t = other.m_nTagCount; t-- > 0;) firstByKey[Key(other.m_tags[t])] = t;
  for (std::size_t t = 0; t < terms.m_nTagCount; ++t) {
    const TagEntry& tag = terms.m_tags[t];
    const auto counterpart = firstByKey.find(Key(tag));
    if (counterpart == firstByKey.end()) continue;
    // An unknown name offset (a patch's index without them) may have moved.
    const TagEntry& there = other.m_tags[counterpart->second];
    if (!tag.strNameOffset.empty() && !there.strNameOffset.empty() &&
        HexToUInt(tag.strNameOffset) + terms.Magic() == HexToUInt(there.strNameOffset) + other.Magic())
      continue;
    auto& classes = m_storedClasses[HexToUInt(tag.strIdentifier)];
    for (const std::string* code : {&tag.strClass1, &tag.strClass2, &tag.strClass3}) classes.push_back(Stored(*code));
  }
}

bool ReferenceMeaning::SameReference(const std::string& a, const std::string& b, std::size_t at) const {
  if (at + kReferenceSize > a.size() || at + kReferenceSize > b.size()) return false;
  if (std::memcmp(a.data() + at, b.data() + at, 4) != 0 ||
      std::memcmp(a.data() + at + kIdentifierAt, b.data() + at + kIdentifierAt, 4) != 0)
    return false;
  const auto it = m_storedClasses.find(WordOf(b, at + kIdentifierAt));
  return it != m_storedClasses.end() && std::find(it->second.begin(), it->second.end(), b.substr(at, 4)) != it->second.end();
}

std::vector<WordAt> ReferenceMeaning::MatchNamePointers(std::string& a, const std::string& b) const {
  std::vector<WordAt> kept;
  // Only where the bytes differ: a name pointer slot that overlaps a differing run.
  for (const ByteRange& range : DifferingRanges(a, b)) {
    const std::size_t end = std::size_t{range.offset} + range.after.size();
    const std::size_t first = range.offset < kNameAt + 3 ? 0 : range.offset - kNameAt - 3;
    for (std::size_t at = std::max(first, kept.empty() ? 0 : std::size_t{kept.back().offset} - kNameAt + 1);
         at + kNameAt < end; ++at) {
      if (at + kReferenceSize > a.size() || at + kReferenceSize > b.size()) break;
      if (std::memcmp(a.data() + at + kNameAt, b.data() + at + kNameAt, 4) == 0 || !SameReference(a, b, at)) continue;
      kept.push_back({static_cast<std::uint32_t>(at + kNameAt), WordOf(a, at + kNameAt)});
      std::memcpy(a.data() + at + kNameAt, b.data() + at + kNameAt, 4);
    }
  }
  return kept;
}

}  // namespace jov
