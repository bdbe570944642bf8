#include "transfer/ReferenceTranslation.h"

#include <unordered_map>
#include <vector>

#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "scanner/HexSearch.h"
#include "scanner/MetaHex.h"

namespace jov {

namespace {

const TagEntry& TagOf(const CMapFile& map, std::size_t i) { return map.m_tags[i]; }

// Class codes and names hold no zero byte, so this key is unambiguous.
std::string ClassAndName(const TagEntry& tag) { return tag.strClass1 + '\0' + tag.strName; }

// For every source tag, the identifier (as stored, digit pairs reversed) of the
// first destination tag of the same class 1 and name; empty when it has none.
std::vector<std::string> CounterpartIdentifiers(const CMapFile& source, const CMapFile& destination) {
  std::unordered_map<std::string, std::size_t> firstByName;
  for (std::size_t t = destination.m_nTagCount; t-- > 0;) firstByName[ClassAndName(TagOf(destination, t))] = t;
  std::vector<std::string> counterparts(source.m_nTagCount);
  for (std::size_t s = 0; s < source.m_nTagCount; ++s) {
    const auto it = firstByName.find(ClassAndName(TagOf(source, s)));
    if (it != firstByName.end()) counterparts[s] = SwapHexBytes(TagOf(destination, it->second).strIdentifier);
  }
  return counterparts;
}

// Up to count characters of text from pos on; empty when pos lies past its end.
std::string_view Piece(std::string_view text, std::size_t pos, std::size_t count) {
  return pos < text.size() ? text.substr(pos, count) : std::string_view();
}

const PreparedNeedles& ClassNeedles() {
  static const PreparedNeedles needles([] {
    std::vector<std::string> list;
    for (int row = 0; row < TagClassTable::kSearchRows; ++row)
      list.push_back(SwapHexBytes(TextToHex(TagClassTable::Rows()[static_cast<std::size_t>(row)].code)));
    return list;
  }());
  return needles;
}

std::vector<std::string> IdentifierNeedles(const CMapFile& source) {
  std::vector<std::string> needles;
  needles.reserve(source.m_nTagCount);
  for (std::size_t s = 0; s < source.m_nTagCount; ++s) needles.push_back(SwapHexBytes(TagOf(source, s).strIdentifier));
  return needles;
}

}  // namespace

ReferenceTranslator::ReferenceTranslator(const CMapFile& source, const CMapFile& destination)
    : m_source(source),
      m_destination(destination),
      m_counterparts(CounterpartIdentifiers(source, destination)),
      m_identifierNeedles(IdentifierNeedles(source)) {
  for (std::size_t s = source.m_nTagCount; s-- > 0;) m_sourceByIdentifier[TagOf(source, s).strIdentifier] = s;
}

void ReferenceTranslator::Dependencies(std::string& text) const { Dependencies(text, nullptr); }

void ReferenceTranslator::Dependencies(std::string& text, std::vector<UnresolvedReference>* unresolved) const {
  const std::string start = text;
  const auto hits = FindAllNeedles(start, ClassNeedles());
  for (const NeedleHit& hit : hits) {
    const std::size_t at = std::size_t{hit.pos} + 24;  // the identifier, 12 bytes after the class
    const std::string id = SwapHexBytes(Piece(start, at, 8));
    if (id == "ffffffff") continue;
    const auto owner = m_sourceByIdentifier.find(id);
    if (owner == m_sourceByIdentifier.end()) continue;
    const std::string& replacement = m_counterparts[owner->second];
    if (!replacement.empty()) {
      PutHexAt(text, replacement, static_cast<long>(at));
    } else if (unresolved) {
      PutHexAt(text, kNullIdentifier, static_cast<long>(at));
      unresolved->push_back({static_cast<std::uint32_t>(at / 2), false, owner->second});
    }
  }
}

void ReferenceTranslator::LoneIdentifiers(std::string& text) const { LoneIdentifiers(text, nullptr); }

void ReferenceTranslator::LoneIdentifiers(std::string& text, std::vector<UnresolvedReference>* unresolved) const {
  const std::string start = text;
  const auto hits = FindAllNeedles(start, m_identifierNeedles);
  for (const NeedleHit& hit : hits) {
    // What a tag reference would hold 12 bytes before an identifier: its class.
    const std::size_t from = hit.pos < 24 ? 0 : hit.pos - 24;
    const std::string stored = SwapHexBytes(Piece(start, from, 8));
    std::string code((stored.size() + 1) / 2, '\0');
    HexToBytes(stored, reinterpret_cast<unsigned char*>(code.data()));
    if (TagClassTable::IsKnownReferenceClass(code)) continue;  // a tag reference: the dependency step's
    const std::string& replacement = m_counterparts[hit.needle];
    if (!replacement.empty()) {
      PutHexAt(text, replacement, static_cast<long>(hit.pos));
    } else if (unresolved) {
      PutHexAt(text, kNullIdentifier, static_cast<long>(hit.pos));
      unresolved->push_back({static_cast<std::uint32_t>(hit.pos / 2), true, hit.needle});
    }
  }
}

void ReferenceTranslator::Pointers(std::string& text, int s, int d) const {
  const TagEntry& from = TagOf(m_source, static_cast<std::size_t>(s));
  CheckMetaSize(from.nSize);
  const std::uint32_t sourceBase = m_source.MetaBase(s);
  const std::uint32_t destinationBase = m_destination.MetaBase(d);
  const std::string start = text;
  for (const NeedleHit& hit : FindAddressRange(start, sourceBase, from.nSize))
    PutHexAt(text, SwapHexBytes(UIntToHex(destinationBase + hit.needle)), static_cast<long>(hit.pos));
}

void ReferenceTranslator::Translate(std::string& text, int s, int d, std::vector<UnresolvedReference>* unresolved) const {
  Dependencies(text, unresolved);
  LoneIdentifiers(text, unresolved);
  Pointers(text, s, d);
}

void TranslateDependencies(std::string& text, const CMapFile& source, const CMapFile& destination) {
  ReferenceTranslator(source, destination).Dependencies(text);
}

void TranslateLoneIdentifiers(std::string& text, const CMapFile& source, const CMapFile& destination) {
  ReferenceTranslator(source, destination).LoneIdentifiers(text);
}

void RebasePointers(std::string& text, const CMapFile& source, int s, const CMapFile& destination, int d) {
  ReferenceTranslator(source, destination).Pointers(text, s, d);
}

void TranslateReferences(std::string& text, const CMapFile& source, int s, const CMapFile& destination, int d) {
  ReferenceTranslator(source, destination).Translate(text, s, d);
}

}  // namespace jov
