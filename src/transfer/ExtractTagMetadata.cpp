#include "transfer/ExtractTagMetadata.h"

#include <algorithm>
#include <vector>

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

  // At least one byte, so an empty tag never hands a null buffer to the file calls.
  std::vector<unsigned char> meta(std::max<std::size_t>(tag.nSize, 1), 0);
  if (tag.nSize > 0) map.File().Read(HexToUInt(tag.strMetaOffset), meta.data(), tag.nSize);
  const bool withListing = tag.nSize < kDataListingLimit;
  const std::string hex = withListing ? BytesToHex(meta.data(), tag.nSize) : std::string();

  const auto path = dialogs.PickSaveFile(MetaSaveDialog(tag));
  if (!path) return;

  {
    SaveFile file(*path, *path);
    file.File().Write(0, meta.data(), tag.nSize);
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
