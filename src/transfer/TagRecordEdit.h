#pragma once
#include <optional>
#include <string>
#include <vector>

#include "map/MapFile.h"
#include "map/TagEntry.h"
#include "platform/TreeView.h"

// The Tag Information fields of a panel and what its "Save Changes", "Copy" and
// "Swap" buttons do with them. Page Offset and Size are not here: they are
// read-only, and Save Changes uses the model's values for them.
namespace jov {

struct TagRecordFields {
  std::string strName;        // "Filename"
  std::string strIdentifier;  // "Identifier"
  std::string strMetaOffset;  // "Meta Offset"
  std::string strNameOffset;  // "String Offset"
  std::string strClass1;      // "Tag Classes", three boxes
  std::string strClass2;
  std::string strClass3;
  bool bUpdateSize = false;   // "Update Size": the name goes to the EoF Position
};

// What the fields show once a tag is selected (Update Size is left as it was).
void ShowTagRecord(TagRecordFields& fields, const TagEntry& entry);
TagRecordFields TagRecordFieldsOf(const TagEntry& entry);

// "Save Changes" for the tag at index (the panel's selected tag, looked up among
// the first m_nTagCount records): the model's record with the fields put in is
// written by WriteTagEntry (name in place, or at the EoF Position with Update
// Size), then the map is reloaded, which rebuilds the tree and recomputes the
// sizes. Returns false, writing nothing, when index names no tag of the open map.
// Throws Refused when a name in place would lie outside the file (nothing written).
bool SaveTagChanges(CMapFile& map, TreeView& tree, int index, const TagRecordFields& fields);

// "Copy" into panel `to` from the other panel: Update Size becomes checked when
// the other Filename is longer; Filename and the three classes are taken.
void CopyTagFields(TagRecordFields& to, const TagRecordFields& from);

// One line of the Offset Swap list.
struct OffsetSwapItem {
  std::string strClass1;
  std::string strName;
  std::string strMetaOffset;
  TreeItem hTreeItem = 0;  // the tag's item in the panel's tag tree
};

// Every tag of the map, in index order.
std::vector<OffsetSwapItem> BuildOffsetSwapList(const CMapFile& map);
// The line the Offset Swap tree shows: "class1 -- name".
std::string OffsetSwapText(const OffsetSwapItem& item);
// "Swap" with the list index the tree's selection recorded: the Meta Offset
// field takes that tag's meta offset. With no recorded index (or one outside the
// list) nothing changes. Returns whether the field was changed.
bool ApplyOffsetSwap(TagRecordFields& fields, const std::vector<OffsetSwapItem>& list, std::optional<int> selected);

}  // namespace jov
