// The Tag Information buttons that edit a tag's index record: Swap, Save Changes,
// Revert and Copy.
#include <QString>

#include "CMapEditorDlg.h"
#include "COffsetSwapDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "history/StepLabel.h"
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
  if (tag) RequireWritable(panel);
  // Names and classes may change: the next selection or scan builds the list anew.
  panel.EmptyTagChoiceList();
  if (!tag) {
    LoadControls();
    return;
  }
  const jov::TagRecordFields fields = FieldsOf(panel);
  const std::size_t heldName = panel.Map().GetTagName(*tag).size();
  // The reload rebuilds the tree: the tag comes back selected, its record shown.
  ApplyPlanned(panel, jov::StepLabel("Save Changes", panel.Map(), *tag),
               [&](jov::UserDialogs&) { jov::SaveTagChanges(panel.Map(), *panel.m_treeTags, *tag, fields); });
  ShowCommandStatus(QStringLiteral("Save Changes: the record of tag %1 written").arg(*tag));
  // A longer name written in place is cut to the old one's length.
  if (!fields.bUpdateSize && fields.strName.size() > heldName)
    m_dialogs.ShowMessage(QStringLiteral("The last %1 characters of the name were not written: a name saved in place "
                                         "keeps the old name's length of %2 characters. Check \"Update Size\" to "
                                         "save it whole.")
                              .arg(fields.strName.size() - heldName)
                              .arg(heldName)
                              .toStdString());
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
