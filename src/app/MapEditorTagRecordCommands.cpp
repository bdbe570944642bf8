// The Tag Information buttons that edit a tag's index record: Swap, Save Changes,
// Revert and Copy.
#include "CMapEditorDlg.h"
#include "COffsetSwapDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "transfer/TagRecordEdit.h"

namespace {

jov::TagRecordFields FieldsOf(const MapPanel& panel) {
  jov::TagRecordFields fields;
  fields.strName = panel.m_strFilename;
  fields.strIdentifier = panel.m_strIdentifier;
  fields.strMetaOffset = panel.m_strMetaOffset;
  fields.strNameOffset = panel.m_strStringOffset;
  fields.strClass1 = panel.m_strClass1;
  fields.strClass2 = panel.m_strClass2;
  fields.strClass3 = panel.m_strClass3;
  fields.bUpdateSize = panel.m_bUpdateSize;
  return fields;
}

void PutFields(MapPanel& panel, const jov::TagRecordFields& fields) {
  panel.m_strFilename = fields.strName;
  panel.m_strIdentifier = fields.strIdentifier;
  panel.m_strMetaOffset = fields.strMetaOffset;
  panel.m_strStringOffset = fields.strNameOffset;
  panel.m_strClass1 = fields.strClass1;
  panel.m_strClass2 = fields.strClass2;
  panel.m_strClass3 = fields.strClass3;
  panel.m_bUpdateSize = fields.bUpdateSize;
}

}  // namespace

void CMapEditorDlg::OnSwap(MapPanel& panel) {
  const std::vector<jov::OffsetSwapItem> list = jov::BuildOffsetSwapList(panel.Map());
  COffsetSwapDlg dialog(list, this);
  if (RunModal(dialog) != QDialog::Accepted) return;
  // "Swap" with no line selected has no tag to take an offset from.
  if (!dialog.SelectedIndex()) return;
  if (!SaveControls()) return;
  jov::TagRecordFields fields = FieldsOf(panel);
  if (!jov::ApplyOffsetSwap(fields, list, dialog.SelectedIndex())) return;
  PutFields(panel, fields);
  LoadControls();
}

void CMapEditorDlg::OnSaveChanges(MapPanel& panel) {
  if (!SaveControls()) return;
  const std::optional<int> tag = panel.SelectedTag();
  // Names and classes may change: the next selection or scan builds the list anew.
  panel.EmptyTagChoiceList();
  if (tag) jov::SaveTagChanges(panel.Map(), *panel.m_treeTags, *tag, FieldsOf(panel));
  // The reload leaves no tag selected; the fields keep what the user entered.
  LoadControls();
}

void CMapEditorDlg::OnRevert() { LoadControls(); }

void CMapEditorDlg::OnCopy(MapPanel& panel) {
  if (!SaveControls()) return;
  const MapPanel& other = &panel == m_panel1 ? *m_panel2 : *m_panel1;
  jov::TagRecordFields fields = FieldsOf(panel);
  jov::CopyTagFields(fields, FieldsOf(other));
  PutFields(panel, fields);
  LoadControls();
}
