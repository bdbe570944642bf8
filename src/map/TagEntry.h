#pragma once
#include <cstdint>
#include <string>

#include "map/MapPicture.h"
#include "platform/TreeView.h"

namespace jov {

// One tag's index record. Offsets are lowercase hex text without leading zeros,
// the identifier exactly 8 lowercase digits; the panels show these texts as held.
struct TagEntry {
  // Up to the next entry whose data field lands in the tag data (the last one to
  // the tag data's end); a structure BSP's section size; 0 for a tag whose
  // metadata is not in this map.
  std::uint32_t nSize = 0;
  std::string strClass1;
  std::string strClass2;
  std::string strClass3;
  std::string strName;
  std::string strIdentifier;
  std::string strMetaOffset;
  std::string strNameOffset;
  std::string strEntryOffset;
  TreeItem hTreeItem = 0;
  // Where the metadata lives. A structure BSP's Meta Offset is its section's
  // file offset and its pointers are based at nBase (its load address), not at
  // the map's magic; an external tag's Meta Offset is the data field as ever.
  TagHome eHome = TagHome::TagData;
  std::uint32_t nBase = 0;
  std::uint32_t nResource = 0;  // TagHome::Resource: the entry index in its resource map
};

}  // namespace jov
