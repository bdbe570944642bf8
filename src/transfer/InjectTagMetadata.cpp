#include "transfer/InjectTagMetadata.h"

#include <algorithm>
#include <vector>

#include "map/TagBytes.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "scanner/MetaHex.h"
#include "transfer/MetaFileDialogs.h"

namespace jov {

InjectOutcome InjectTagMetadata(CMapFile& map, int i, UserDialogs& dialogs) {
  const TagEntry tag = map.m_tags[static_cast<std::size_t>(i)];
  RefuseWriteOutsideMap(map, i);
  RefuseStructureBspTransfer(map, i);
  CheckMetaSize(tag.nSize);  // nSize is unsigned here: a negative size is refused too

  const auto path = dialogs.PickOpenFile(MetaOpenDialog(tag));
  if (!path) return InjectOutcome::Cancelled;

  BinaryFile file;
  file.Open(*path, BinaryFile::Mode::ReadOnly, *path);
  if (file.Length() > tag.nSize) {
    dialogs.ShowMessage(kNotEnoughSpace);
    return InjectOutcome::NotEnoughSpace;
  }
  // The file fits: what it does not cover up to nSize reads as zero.
  std::vector<unsigned char> meta(std::max<std::size_t>(tag.nSize, 1), 0);
  file.Read(0, meta.data(), tag.nSize);
  if (tag.nSize > 0) map.File().Write(HexToUInt(tag.strMetaOffset), meta.data(), tag.nSize);
  dialogs.ShowMessage(kInjectCompleted);
  return InjectOutcome::Completed;
}

}  // namespace jov
