// "Save Metadata" of a tag of a map made of the fuzzer's bytes, into a scratch
// folder: the ".meta" file must be the tag's nSize bytes as the map holds them
// (zeros past its end), the data listing must be there exactly for tags under
// 100,000 bytes and, for small tags, say what the needle-by-needle listing says;
// the map itself must not change.
//
// Leading bytes: [0..1] which tag; the map follows.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/HexSearch.h"
#include "scanner/MetaHex.h"
#include "support/LiteralTransfer.h"
#include "transfer/DataListing.h"
#include "transfer/ExtractTagMetadata.h"

using namespace jov;

namespace {

// Tags up to this size are checked against the literal listing, whose cost
// grows with the square of the size.
constexpr std::uint32_t kLiteralCheckSize = 512;
// Tags larger than this (up to the metadata buffer, whose refusal is still
// tried) are left out, as in the direct injection target: their searches only
// take longer. The unit tests extract tags around the 100,000-byte limit.
constexpr std::uint32_t kMaxFuzzedSize = 1u << 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Choices choices(data, size, 2);
  static const std::string path = fuzz::ScratchFile("extract.map");
  static const std::string metaPath = fuzz::ScratchFile("tag.meta");
  static const std::string listingPath = metaPath + ".data";
  if (!fuzz::WriteMapFile(path, data, size)) return 0;
  std::remove(metaPath.c_str());
  std::remove(listingPath.c_str());

  MemoryTreeView tree;
  CMapFile map;
  try {
    map.OpenPath(tree, path);
  } catch (const FileError&) {
    return 0;
  }
  if (map.m_nTagCount == 0) return 0;
  const int i = choices.Word(0) % map.m_nTagCount;
  const TagEntry tag = map.m_tags[static_cast<std::size_t>(i)];
  if (tag.nSize > kMaxFuzzedSize && tag.nSize <= kMetaBufferSize) return 0;
  const std::vector<unsigned char> before = fuzz::ReadWholeFile(path);

  fuzz::FuzzDialogs dialogs;
  dialogs.saveAnswer = metaPath;
  try {
    ExtractTagMetadata(map, i, dialogs);
  } catch (const Refused& refused) {
    // A tag above the buffer is refused before anything is written; a listing
    // with too many hits after the ".meta" file, which is then complete.
    if (tag.nSize > kMetaBufferSize)
      fuzz::Check(!std::filesystem::exists(metaPath), "a refused extraction writes no file");
    else
      fuzz::Check(std::string(refused.what()) == kTooManyHits && fuzz::FileLength(metaPath) == tag.nSize,
                  "only a listing with too many hits is refused once the .meta file is written");
    return 0;
  } catch (const FileError&) {
    fuzz::Check(HexToUInt(tag.strMetaOffset) > BinaryFile::kMaxPosition, "only an unreachable tag fails to extract");
    return 0;
  }
  fuzz::Check(fuzz::ReadWholeFile(path) == before, "extraction leaves the map as it was");

  const std::vector<unsigned char> meta = fuzz::ReadWholeFile(metaPath);
  fuzz::Check(meta.size() == tag.nSize, "the .meta file is nSize bytes long");
  const std::uint32_t offset = HexToUInt(tag.strMetaOffset);
  for (std::size_t k = 0; k < meta.size(); ++k) {
    const std::uint64_t at = std::uint64_t{offset} + k;
    fuzz::Check(meta[k] == (at < before.size() ? before[static_cast<std::size_t>(at)] : 0),
                "the .meta file holds the map's bytes, zeros past its end");
  }

  const bool listed = std::filesystem::exists(listingPath);
  fuzz::Check(listed, "a data listing beside the .meta file of a tag under 100,000 bytes");
  if (listed && tag.nSize <= kLiteralCheckSize) {
    const std::vector<unsigned char> listing = fuzz::ReadWholeFile(listingPath);
    const std::string hex = BytesToHex(meta.data(), static_cast<long>(meta.size()));
    fuzz::Check(std::string(listing.begin(), listing.end()) == reference::LiteralDataListing(map, i, hex),
                "the data listing is the needle-by-needle listing");
  }
  return 0;
}
