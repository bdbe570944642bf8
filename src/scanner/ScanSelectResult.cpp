#include "scanner/ScanSelectResult.h"

#include "map/ValueText.h"
#include "scanner/ScanTagList.h"

namespace jov {

namespace {

// The tag list line of the tag an item names (empty if the index has changed
// under a stale item and the tag no longer exists).
std::string TagLine(const CMapFile& map, std::int32_t t) {
  if (t < 0 || t >= map.m_nTagCount || static_cast<std::size_t>(t) >= map.m_tags.size()) return {};
  const TagEntry& tag = map.m_tags[static_cast<std::size_t>(t)];
  return tag.strClass1 + " -- " + tag.strName;
}

}  // namespace

ScanBoxes ScanSelectResult(const CMapFile& map, const ScanItem& item, ScanBoxes boxes) {
  switch (item.chKind) {
    case kKindDependency:
      return {TagLine(map, item.nTagIndex), item.strClass, static_cast<float>(item.nTagIndex)};
    case kKindLoneId:
      return {TagLine(map, item.nTagIndex), "", static_cast<float>(item.nTagIndex)};
    case kKindUnknown:
      return {kUnknownDependencyLine, item.strClass, 0.0f};
    case kKindNulled:
      return {NulledOutLine(), item.strClass, 0.0f};
    case kKindReflexive:
      return {"", UIntToHex(static_cast<std::uint32_t>(item.nTargetOffset)), static_cast<float>(item.nChunkCount)};
    case kKindFloat:
      return {"", "", FloatFromBits(item.dwFloatBits)};
    case kKindShort:
      return {"", "", static_cast<float>(item.nShort)};
    default:
      return boxes;
  }
}

}  // namespace jov
