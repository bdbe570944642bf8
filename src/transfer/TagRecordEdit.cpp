#include "transfer/TagRecordEdit.h"

#include <algorithm>

#include "transfer/TagEntryWriter.h"

namespace jov {

void ShowTagRecord(TagRecordFields& fields, const TagEntry& entry) {
  fields.strName = entry.strName;
  fields.strIdentifier = entry.strIdentifier;
  fields.strMetaOffset = entry.strMetaOffset;
  fields.strNameOffset = entry.strNameOffset;
  fields.strClass1 = entry.strClass1;
  fields.strClass2 = entry.strClass2;
  fields.strClass3 = entry.strClass3;
}

TagRecordFields TagRecordFieldsOf(const TagEntry& entry) {
  TagRecordFields fields;
  ShowTagRecord(fields, entry);
  return fields;
}

bool SaveTagChanges(CMapFile& map, TreeView& tree, int index, const TagRecordFields& fields) {
  if (!map.m_bOpen || index < 0 || index >= map.m_nTagCount || static_cast<std::size_t>(index) >= map.m_tags.size())
    return false;
  // The copy keeps the model's Page Offset, Size and tree item.
  TagEntry entry = map.GetTagEntry(index);
  entry.strMetaOffset = fields.strMetaOffset;
  entry.strNameOffset = fields.strNameOffset;
  entry.strIdentifier = fields.strIdentifier;
  entry.strClass1 = fields.strClass1;
  entry.strClass2 = fields.strClass2;
  entry.strClass3 = fields.strClass3;
  entry.strName = fields.strName;
  WriteTagEntry(map, index, entry, fields.bUpdateSize ? kNameAtEof : kNameInPlace, false);
  map.Reload(tree);
  return true;
}

void CopyTagFields(TagRecordFields& to, const TagRecordFields& from) {
  to.bUpdateSize = from.strName.size() > to.strName.size();
  to.strName = from.strName;
  to.strClass1 = from.strClass1;
  to.strClass2 = from.strClass2;
  to.strClass3 = from.strClass3;
}

std::vector<OffsetSwapItem> BuildOffsetSwapList(const CMapFile& map) {
  std::vector<OffsetSwapItem> list;
  if (!map.m_bOpen) return list;
  const std::size_t count = std::min<std::size_t>(map.m_nTagCount, map.m_tags.size());
  list.reserve(count);
  for (std::size_t n = 0; n < count; ++n) {
    const TagEntry& r = map.m_tags[n];
    list.push_back({r.strClass1, r.strName, r.strMetaOffset, r.hTreeItem});
  }
  return list;
}

std::string OffsetSwapText(const OffsetSwapItem& item) { return item.strClass1 + " -- " + item.strName; }

bool ApplyOffsetSwap(TagRecordFields& fields, const std::vector<OffsetSwapItem>& list, std::optional<int> selected) {
  if (!selected || *selected < 0 || static_cast<std::size_t>(*selected) >= list.size()) return false;
  fields.strMetaOffset = list[static_cast<std::size_t>(*selected)].strMetaOffset;
  return true;
}

}  // namespace jov
