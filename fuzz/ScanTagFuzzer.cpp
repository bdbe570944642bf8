// "Scan Metadata" with all five kinds over the tags of a map made of the fuzzer's
// bytes, with the shorts range of each panel, then one result selected and
// "Update Item" pressed on it. The scan must give every line its own record;
// the edit must write inside the tag's metadata extent and nowhere else.
//
// Leading bytes: [0] float step choice, [1] which result to edit, [2] first tag
// (for maps of more tags than are scanned), [3..6] the scanner value for the
// edit; the map follows.
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"
#include "scanner/ScanSelectResult.h"
#include "scanner/ScanUpdateItem.h"

using namespace jov;

namespace {

// Steps a user types: the default, round ones, one that does not reach 10
// evenly, one at 10 (nothing searched) and refused ones (0, below 0).
constexpr float kSteps[] = {0.01f, 0.25f, 0.5f, 1.0f, 2.5f, 0.1f, 3.0f, 10.0f, 0.0f, -1.0f, 0.3f, 7.0f};

// Every tag is scanned (the maps hold at most fuzz::kMaxFuzzTags), except tags
// larger than this, whose scan would only repeat the same searches over more
// bytes, slowly; tags above the metadata buffer still go through the refusal.
constexpr int kMaxTagsScanned = fuzz::kMaxFuzzTags;
constexpr std::uint32_t kMaxScannedSize = 1u << 11;

void CheckResult(const ScanResult& result) {
  fuzz::Check(result.order.size() == result.items.size(), "one line per result");
  std::vector<bool> seen(result.items.size(), false);
  for (const std::size_t n : result.order) {
    fuzz::Check(n < result.items.size() && !seen[n], "each line names its own record");
    seen[n] = true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Choices choices(data, size, 7);
  static const std::string path = fuzz::ScratchFile("scan.map");
  if (!fuzz::WriteMapFile(path, data, size)) return 0;

  MemoryTreeView tree;
  CMapFile map;
  try {
    map.OpenPath(tree, path);
  } catch (const FileError&) {
    return 0;
  }

  ScanOptions options;
  options.bDependencies = options.bLoneIDs = options.bReflexives = options.bShorts = options.bFloats = true;
  options.fStep = kSteps[choices.Byte(0) % std::size(kSteps)];

  const int count = map.m_nTagCount;
  const int first = count > kMaxTagsScanned ? choices.Byte(2) % (count - kMaxTagsScanned + 1) : 0;
  ScanResult toEdit;
  int editTag = -1;
  for (int t = first; t < count && t < first + kMaxTagsScanned; ++t) {
    const std::uint32_t tagSize = map.m_tags[static_cast<std::size_t>(t)].nSize;
    if (tagSize > kMaxScannedSize && tagSize <= kMetaBufferSize) continue;
    try {
      for (const int limit : {kShortsLimitPanel1, kShortsLimitPanel2}) {
        options.nShortsLimit = limit;
        ScanResult result = ScanMetadata(map, t, options);
        CheckResult(result);
        if (tagSize > kMetaBufferSize) fuzz::Check(result.items.empty() && !result.message.empty(), "a huge tag is refused");
        if (editTag < 0 && !result.items.empty()) {
          editTag = t;
          toEdit = std::move(result);
        }
      }
    } catch (const FileError&) {
      // A meta offset beyond what a position can reach: the scan ends there.
    } catch (const Refused&) {
      // Thousands of tags sharing one identifier: too many hits to list.
    }
  }
  if (editTag < 0) return 0;

  // Select one result, change the value, press "Update Item".
  const ScanItem& current = toEdit.items[choices.Byte(1) % toEdit.items.size()];
  ScanBoxes boxes = ScanSelectResult(map, current, ScanBoxes{});
  float value;
  const std::uint32_t bits = choices.Dword(3);
  std::memcpy(&value, &bits, sizeof value);
  if (bits != 0) boxes.fValue = value;

  const TagEntry tag = map.m_tags[static_cast<std::size_t>(editTag)];
  const std::vector<unsigned char> before = fuzz::ReadWholeFile(path);
  fuzz::FuzzDialogs dialogs;
  try {
    ScanUpdateItem(map, editTag, current, boxes, dialogs);
  } catch (const Refused&) {
    fuzz::Check(fuzz::ReadWholeFile(path) == before, "a refused edit writes nothing");
    return 0;
  } catch (const FileError&) {
  }
  fuzz::CheckOnlyRangeChanged(before, path, HexToUInt(tag.strMetaOffset), tag.nSize,
                              "Update Item writes inside the tag's metadata only");
  return 0;
}
