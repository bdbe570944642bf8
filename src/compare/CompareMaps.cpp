#include "compare/CompareMaps.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "compare/ReferenceMeaning.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "transfer/ReferenceTranslation.h"

namespace jov {

namespace {

// Class codes and names hold no zero byte, so this key is unambiguous.
std::string PairKey(const TagEntry& tag) { return tag.strClass1 + '\0' + tag.strName; }

std::string HexOf(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

std::string Bytes(const std::string& hex) {
  std::string bytes((hex.size() + 1) / 2, '\0');
  HexToBytes(hex, reinterpret_cast<unsigned char*>(bytes.data()));
  return bytes;
}

std::string ReadBytes(const CMapFile& map, std::uint64_t offset, std::uint32_t length) {
  std::string bytes(length, '\0');
  if (length > 0) map.File().Read(offset, bytes.data(), length);
  return bytes;
}

// The last tag whose metadata lies in the tag data runs to the tag data's end:
// bytes appended to the map lengthen it. -1 when there is none.
int LastInTagData(const CMapFile& map) {
  const auto& places = map.Picture().tags;
  for (std::size_t i = std::min<std::size_t>(places.size(), map.m_nTagCount); i-- > 0;)
    if (places[i].home == TagHome::TagData) return static_cast<int>(i);
  return -1;
}

// The record fields compared besides class 1 (the pairing key). Identifiers and
// offsets are layout, not content: they differ between builds of the same map.
// The size of a tag no later entry of the tag data bounds, in both maps, follows
// from where the tag data ends, which the header's fields tell (a tag whose
// metadata starts just at the end reads size 0 until bytes are appended).
void CompareRecords(const TagEntry& a, const TagEntry& b, bool bothLast, std::vector<FieldChange>& out) {
  if (a.strClass2 != b.strClass2) out.push_back({"class 2", a.strClass2, b.strClass2});
  if (a.strClass3 != b.strClass3) out.push_back({"class 3", a.strClass3, b.strClass3});
  if (a.nSize != b.nSize && !bothLast) {
    std::string before(4, '\0'), after(4, '\0');
    for (int i = 0; i < 4; ++i) {
      before[static_cast<std::size_t>(i)] = static_cast<char>(a.nSize >> (8 * i));
      after[static_cast<std::size_t>(i)] = static_cast<char>(b.nSize >> (8 * i));
    }
    out.push_back({"size", before, after});
  }
}

bool IsTextField(const FieldChange& change) { return change.before.size() > 4; }

std::uint32_t WordAtOffset(const std::string& bytes, std::size_t at) {
  return ReadLe32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

// The scenario's structure BSP list gives each section's file offset (+0x00 of
// an element) and the sbsp tag it is (the reference at +0x10). A build that put
// the sections elsewhere holds other offsets for the same BSPs: where both
// elements name the same tag and its sections hold the same bytes in both maps,
// the second map's offset goes into the first's translated metadata. A section
// moved to other bytes still shows as the offset's change.
void MatchBspOffsets(std::string& metaA, const std::string& metaB, const CMapFile& first, const CMapFile& second, int b,
                     const std::vector<int>& firstOf, const std::function<bool(int, int)>& sameContent) {
  constexpr std::size_t kTagAt = 0x1C;  // the element's reference's identifier
  if (b != second.Picture().scenario || metaA.size() < kScenarioBspPointer + 4 || metaB.size() < kScenarioBspPointer + 4) return;
  const std::uint32_t count = WordAtOffset(metaB, kScenarioBspCount);
  const std::uint32_t pointer = WordAtOffset(metaB, kScenarioBspPointer);
  if (count != WordAtOffset(metaA, kScenarioBspCount) || pointer != WordAtOffset(metaA, kScenarioBspPointer)) return;
  const std::uint32_t from = pointer - second.MetaBase(b);
  std::unordered_map<std::uint32_t, int> byIdentifier;
  for (int t = second.m_nTagCount; t-- > 0;) byIdentifier[HexToUInt(second.m_tags[static_cast<std::size_t>(t)].strIdentifier)] = t;
  for (std::uint64_t e = from, i = 0; i < count && e + kScenarioBspElement <= std::min(metaA.size(), metaB.size()); ++i, e += kScenarioBspElement) {
    if (WordAtOffset(metaA, e) == WordAtOffset(metaB, e) || WordAtOffset(metaA, e + kTagAt) != WordAtOffset(metaB, e + kTagAt))
      continue;
    const auto tag = byIdentifier.find(WordAtOffset(metaB, e + kTagAt));
    if (tag == byIdentifier.end() || firstOf[static_cast<std::size_t>(tag->second)] < 0) continue;
    const int a = firstOf[static_cast<std::size_t>(tag->second)];
    const auto& placesA = first.Picture().tags;
    const auto& placesB = second.Picture().tags;
    if (static_cast<std::size_t>(a) >= placesA.size() || static_cast<std::size_t>(tag->second) >= placesB.size() ||
        placesA[static_cast<std::size_t>(a)].home != TagHome::Bsp || placesB[static_cast<std::size_t>(tag->second)].home != TagHome::Bsp ||
        !sameContent(a, tag->second))
      continue;
    metaA.replace(e, 4, metaB, e, 4);
  }
}

std::string FieldValueText(const std::string& bytes, bool text) {
  if (text) return "\"" + std::string(bytes.c_str(), strnlen(bytes.c_str(), bytes.size())) + "\"";
  std::uint32_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return HexOf(value);
}

}  // namespace

const std::vector<HeaderFieldPlace>& HeaderFieldPlaces() {
  static const std::vector<HeaderFieldPlace> places = {
      {"Version", 0x04, 2, false},       {"EoF Position", 0x08, 4, false}, {"Index Offset", 0x10, 4, false},
      {"Meta Index Size", 0x14, 4, false}, {"Map Name", 0x20, 32, false},  {"Build Date", 0x40, 32, false},
      {"Map Type", 0x60, 2, false},      {"Index Magic", 0x00, 4, true},   {"Tag Count", 0x0C, 2, true},
  };
  return places;
}

std::uint64_t HeaderFieldOffset(const CMapFile& map, const HeaderFieldPlace& place) {
  if (!place.inIndexHeader) return place.offset;
  unsigned char stored[4];
  map.File().Read(0x10, stored, 4);
  return std::uint64_t{ReadLe32(stored)} + place.offset;
}

std::size_t TagDifference::ChangedBytes() const {
  std::size_t total = 0;
  for (const ByteRange& range : ranges) total += range.after.size();
  return total;
}

std::size_t MapComparison::Count(TagState state) const {
  std::size_t n = 0;
  for (const TagDifference& tag : tags) n += tag.state == state ? 1 : 0;
  return n;
}

std::string ReadMetaBytes(const CMapFile& map, int i) {
  const TagEntry& tag = map.m_tags[static_cast<std::size_t>(i)];
  CheckMetaSize(tag.nSize);
  return ReadBytes(map, HexToUInt(tag.strMetaOffset), tag.nSize);
}

std::vector<ByteRange> DifferingRanges(const std::string& before, const std::string& after) {
  std::vector<ByteRange> ranges;
  const std::size_t n = std::min(before.size(), after.size());
  std::size_t i = 0;
  while (i < n) {
    // Skip the equal stretch a word at a time; most metadata is unchanged.
    while (i + 8 <= n && std::memcmp(before.data() + i, after.data() + i, 8) == 0) i += 8;
    while (i < n && before[i] == after[i]) ++i;
    if (i == n) break;
    std::size_t end = i;
    while (end < n && before[end] != after[end]) ++end;
    ranges.push_back({static_cast<std::uint32_t>(i), before.substr(i, end - i), after.substr(i, end - i)});
    i = end;
  }
  return ranges;
}

MapComparison CompareMaps(const CMapFile& first, const CMapFile& second) {
  MapComparison result;

  // Where the tag data starts is layout (a build with its BSP sections
  // elsewhere starts it elsewhere), and so is where the file ends: when the tag
  // data moved, the EoF Position counts as changed only when it moved otherwise.
  const std::uint32_t indexA = WordAtOffset(ReadBytes(first, 0x10, 4), 0);
  const std::uint32_t indexB = WordAtOffset(ReadBytes(second, 0x10, 4), 0);
  for (const HeaderFieldPlace& place : HeaderFieldPlaces()) {
    const std::string a = ReadBytes(first, HeaderFieldOffset(first, place), place.length);
    const std::string b = ReadBytes(second, HeaderFieldOffset(second, place), place.length);
    if (a == b) continue;
    if (indexA != indexB && place.offset == 0x10 && !place.inIndexHeader) continue;
    if (indexA != indexB && place.offset == 0x08 && !place.inIndexHeader && WordAtOffset(a, 0) - indexA == WordAtOffset(b, 0) - indexB)
      continue;
    result.header.push_back({place.name, a, b});
  }

  // The n-th tag of a class and name in the second map answers the n-th in the first.
  const auto firstCount = static_cast<std::size_t>(first.m_nTagCount);
  const auto secondCount = static_cast<std::size_t>(second.m_nTagCount);
  std::unordered_map<std::string, std::vector<int>> secondByKey;
  for (int t = second.m_nTagCount; t-- > 0;) secondByKey[PairKey(second.m_tags[static_cast<std::size_t>(t)])].push_back(t);
  std::vector<int> partner(firstCount, -1);
  std::vector<bool> paired(secondCount, false);
  for (std::size_t a = 0; a < firstCount; ++a) {
    auto it = secondByKey.find(PairKey(first.m_tags[a]));
    if (it == secondByKey.end() || it->second.empty()) continue;
    partner[a] = it->second.back();  // stored in reverse: back() is the lowest index left
    it->second.pop_back();
    paired[static_cast<std::size_t>(partner[a])] = true;
  }
  // A tag left over in both maps with one class 1 and one identifier is the same
  // tag under another name: a rename, compared as a pair.
  std::unordered_map<std::string, int> secondLeftById;
  for (std::size_t b = 0; b < secondCount; ++b)
    if (!paired[b]) secondLeftById.emplace(second.m_tags[b].strClass1 + '\0' + second.m_tags[b].strIdentifier, static_cast<int>(b));
  std::vector<bool> renamed(firstCount, false);
  for (std::size_t a = 0; a < firstCount && !secondLeftById.empty(); ++a) {
    if (partner[a] >= 0) continue;
    const auto it = secondLeftById.find(first.m_tags[a].strClass1 + '\0' + first.m_tags[a].strIdentifier);
    if (it == secondLeftById.end()) continue;
    partner[a] = it->second;
    paired[static_cast<std::size_t>(it->second)] = true;
    renamed[a] = true;
    secondLeftById.erase(it);
  }

  std::vector<int> firstOf(secondCount, -1);
  for (std::size_t a = 0; a < firstCount; ++a)
    if (partner[a] >= 0) firstOf[static_cast<std::size_t>(partner[a])] = static_cast<int>(a);

  std::unordered_map<std::string, int> seen;
  const ReferenceTranslator translator(first, second);
  const NamePointerTranslator names(first, second);
  const ReferenceMeaning meaning(second, first);
  const int lastFirst = LastInTagData(first);
  // Tag a's metadata in the second map's terms, as tag b's counterpart.
  const IdentifierMeaning identifiers(first, second);
  const auto translated = [&](int a, int b) {
    std::string meta = ReadMetaBytes(first, a);
    const std::string raw = meta;
    if (meta.empty()) return std::pair{meta, raw};
    const std::vector<WordAt> namePointers = names.Find(meta);
    std::string text = BytesToHex(reinterpret_cast<const unsigned char*>(meta.data()), static_cast<long>(meta.size()));
    translator.Translate(text, a, b);
    meta = Bytes(text);
    NamePointerTranslator::Put(meta, namePointers);
    return std::pair{meta, raw};
  };
  const int lastSecond = LastInTagData(second);
  for (std::size_t a = 0; a < firstCount; ++a) {
    const TagEntry& tagA = first.m_tags[a];
    TagDifference difference;
    difference.class1 = tagA.strClass1;
    difference.name = tagA.strName;
    difference.occurrence = seen[PairKey(tagA)]++;
    difference.first = static_cast<int>(a);
    difference.metaFirst = HexToUInt(tagA.strMetaOffset);
    const int b = partner[a];
    if (b < 0) {
      difference.state = TagState::OnlyInFirst;
      result.tags.push_back(std::move(difference));
      continue;
    }
    ++result.matched;
    difference.second = b;
    const TagEntry& tagB = second.m_tags[static_cast<std::size_t>(b)];
    difference.metaSecond = HexToUInt(tagB.strMetaOffset);
    if (renamed[a]) {
      difference.secondName = tagB.strName;
      difference.record.push_back({"name", tagA.strName, tagB.strName});
    }
    CompareRecords(tagA, tagB, static_cast<int>(a) >= lastFirst && b >= lastSecond, difference.record);

    // Tag a's metadata in the second map's terms, then the words that name the
    // same tags as the second's with other bytes.
    const auto asSecond = [&](int from, int to, const std::string& other) {
      auto [meta, raw] = translated(from, to);
      meaning.MatchNamePointers(meta, other);
      identifiers.Match(meta, raw, other);
      MatchUnmovedNumbers(meta, raw, other, first.MetaBase(from), first.m_tags[static_cast<std::size_t>(from)].nSize);
      return meta;
    };
    const std::string metaB = ReadMetaBytes(second, b);
    std::string metaA = asSecond(static_cast<int>(a), b, metaB);
    MatchBspOffsets(metaA, metaB, first, second, b, firstOf, [&](int bspA, int bspB) {
      const std::string other = ReadMetaBytes(second, bspB);
      return asSecond(bspA, bspB, other) == other;
    });
    difference.ranges = DifferingRanges(metaA, metaB);
    if (!difference.ranges.empty() || !difference.record.empty()) result.tags.push_back(std::move(difference));
  }

  std::unordered_map<std::string, int> seenSecond;
  for (std::size_t b = 0; b < secondCount; ++b) {
    const TagEntry& tagB = second.m_tags[b];
    const int occurrence = seenSecond[PairKey(tagB)]++;
    if (paired[b]) continue;
    TagDifference difference;
    difference.state = TagState::OnlyInSecond;
    difference.class1 = tagB.strClass1;
    difference.name = tagB.strName;
    difference.occurrence = occurrence;
    difference.second = static_cast<int>(b);
    difference.metaSecond = HexToUInt(tagB.strMetaOffset);
    result.tags.push_back(std::move(difference));
  }
  return result;
}

const char* StateText(TagState state) {
  switch (state) {
    case TagState::OnlyInFirst: return "only in Map 1";
    case TagState::OnlyInSecond: return "only in Map 2";
    case TagState::Changed: break;
  }
  return "changed";
}

std::string DifferenceLine(const TagDifference& difference) {
  const std::string tag = difference.class1 + ":" + difference.name;
  std::string line;
  if (difference.state != TagState::Changed) {
    line = std::string(StateText(difference.state)) + "  " + tag;
  } else {
    line = difference.secondName.empty() ? "changed  " + tag : "renamed  " + tag + " -> " + difference.class1 + ":" + difference.secondName;
    if (!difference.ranges.empty()) {
      line += "  " + std::to_string(difference.ranges.size()) + (difference.ranges.size() == 1 ? " range, " : " ranges, ") +
              std::to_string(difference.ChangedBytes()) + (difference.ChangedBytes() == 1 ? " byte:" : " bytes:");
      for (const ByteRange& range : difference.ranges)
        line += " +" + HexOf(range.offset) + " (" + std::to_string(range.after.size()) + ")";
    }
    for (const FieldChange& change : difference.record) {
      if (change.field == "name") continue;  // said by "renamed"
      line += "  " + change.field + " " + FieldValueText(change.before, change.field != "size") + " -> " +
              FieldValueText(change.after, change.field != "size");
    }
  }
  if (difference.metaFirst || difference.metaSecond) {
    line += "  metadata at ";
    if (difference.metaFirst) line += HexOf(*difference.metaFirst) + " in Map 1";
    if (difference.metaFirst && difference.metaSecond) line += ", ";
    if (difference.metaSecond) line += HexOf(*difference.metaSecond) + " in Map 2";
  }
  return line;
}

std::string HeaderLine(const FieldChange& change) {
  const bool text = IsTextField(change);
  return "header  " + change.field + "  " + FieldValueText(change.before, text) + " -> " + FieldValueText(change.after, text);
}

std::string SummaryLine(const MapComparison& comparison) {
  return std::to_string(comparison.matched) + " tags matched, " + std::to_string(comparison.Count(TagState::Changed)) +
         " changed, " + std::to_string(comparison.Count(TagState::OnlyInFirst)) + " only in Map 1, " +
         std::to_string(comparison.Count(TagState::OnlyInSecond)) + " only in Map 2";
}

}  // namespace jov
