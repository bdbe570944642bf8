#include "transfer/ExtractTagMetadata.h"

#include <algorithm>
#include <vector>

#include "map/TagBytes.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "platform/SaveFile.h"
#include "scanner/MetaHex.h"
#include "transfer/DataListing.h"
#include "transfer/MetaFileDialogs.h"

namespace jov {

void ExtractTagMetadata(CMapFile& map, int i, UserDialogs& dialogs) {
  const TagEntry tag = map.m_tags[static_cast<std::size_t>(i)];
  CheckMetaSize(tag.nSize);  // nSize is unsigned here: a negative size is refused too

  // A CE external tag's bytes come from its resource map. At least one byte,
  // so an empty tag never hands a null buffer to the file calls.
  std::vector<unsigned char> meta = ReadTagBytes(map, i);
  CheckMetaSize(static_cast<std::uint32_t>(std::min<std::size_t>(meta.size(), 0xFFFFFFFFu)));
  const auto size = static_cast<std::uint32_t>(meta.size());
  if (meta.empty()) meta.push_back(0);
  const bool withListing = size < kDataListingLimit;
  const std::string hex = withListing ? BytesToHex(meta.data(), size) : std::string();

  const auto path = dialogs.PickSaveFile(MetaSaveDialog(tag));
  if (!path) return;

  {
    SaveFile file(*path, *path);
    file.File().Write(0, meta.data(), size);
    file.Commit();
  }
  if (!withListing) return;

  // The ".meta" file is whole before the listing is searched: a hostile tag
  // whose search is refused still leaves the user its metadata.
  const std::string listing = DataListingText(map, i, hex);
  const std::string listingPath = *path + ".data";
  SaveFile file(listingPath, listingPath);
  file.File().Write(0, listing.data(), listing.size());
  file.Commit();
}

}  // namespace jov
