// The main window's tool commands: Map Info, the calculators, the Guerilla tag
// converter, Insert Data at End of Map, Add Tag and the hex editor opened from
// the tag tree.
#include "CCheckMapDlg.h"
#include "CGuerillaConvertDlg.h"
#include "CHexEditDlg.h"
#include "CHexFloatDlg.h"
#include "CMapBuilderDlg.h"
#include "CMapEditorDlg.h"
#include "CMapInfoDlg.h"
#include "CReflexiveCalcDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "builder/AddTag.h"
#include "check/WriteGuards.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "tools/HexEditorText.h"
#include "transfer/InsertData.h"

int CMapEditorDlg::RunModal(QDialog& dialog) { return m_runModal ? m_runModal(dialog) : dialog.exec(); }

void CMapEditorDlg::OnMapInfo(MapPanel& panel) {
  if (!SaveControls()) return;
  const CommandRunner run = [this](const std::function<void()>& command) { RunCommand(command); };
  jov::MapInfoSession session(panel.Map());
  {
    CMapInfoDlg dialog(session, m_dialogs, run, this);
    dialog.ShowCrc(QString::fromStdString(CrcFieldText(panel.Map())));
    RunModal(dialog);
  }
  // A header that would give the map an error it does not have is written only
  // after a "Yes".
  if (session.SaveFlag() && panel.Map().m_bOpen &&
      !jov::ConfirmHeaderWrite(panel.Map(), jov::HeaderInfoToWrite(session.Values()), m_dialogs))
    return;
  if (!jov::FinishMapInfo(panel.Map(), *panel.m_treeTags, session)) return;
  // The re-read map: a changed tag count may have changed the tags.
  panel.m_strCaption = panel.Map().GetHeaderInfo().m_strNickname;
  panel.EmptyTagChoiceList();
  LoadControls();
}

void CMapEditorDlg::OnHexFloatCalculator() {
  CHexFloatDlg dialog(m_dialogs, this);
  RunModal(dialog);
}

void CMapEditorDlg::OnReflexiveCalculator() {
  CReflexiveCalcDlg dialog(this);
  RunModal(dialog);
}

void CMapEditorDlg::OnGuerillaTagConverter() {
  CGuerillaConvertDlg dialog(
      m_dialogs, [this](const std::function<void()>& command) { RunCommand(command); }, this);
  RunModal(dialog);
}

// The hex editor with an empty text; "Save" appends its bytes at the EoF
// Position. The map is re-read once the editor has closed.
void CMapEditorDlg::OnInsertDataAtEnd(MapPanel& panel) {
  // Refused before the editor opens: nothing typed into it is lost.
  if (!panel.Map().m_bOpen) throw jov::Refused(jov::kInsertNoMap);
  if (!SaveControls()) return;
  jov::CMapFile& map = panel.Map();
  CHexEditDlg dialog(
      std::string(), [&map](const std::string& text) { jov::InsertDataAtEnd(map, text); },
      [this](const std::function<void()>& command) { RunCommand(command); }, this);
  if (RunModal(dialog) != QDialog::Accepted) return;
  map.Reload(*panel.m_treeTags);
  LoadControls();
}

void CMapEditorDlg::OnAddTag(MapPanel& panel) {
  // Refused before the Map Builder opens, rather than after it was filled in.
  if (!panel.Map().m_bOpen) throw jov::Refused(jov::kAddTagNoMap);
  if (!SaveControls()) return;
  CMapBuilderDlg dialog(m_dialogs, this);
  if (RunModal(dialog) != QDialog::Accepted) return;
  if (jov::AddTag(panel.Map(), *panel.m_treeTags, dialog.Fields(), m_dialogs) == jov::AddTagResult::Added)
    ShowMapClosed(panel);
}

void CMapEditorDlg::OnTagDoubleClicked(MapPanel& panel) {
  if (!SaveControls()) return;
  const jov::TreeItem selected = panel.m_treeTags->SelectedItem();
  if (selected == jov::kTreeRoot) return;
  // A class group item has no record, and opens nothing.
  const std::optional<int> tag = panel.Map().FindTagByTreeItem(selected);
  if (!tag) return;
  jov::CMapFile& map = panel.Map();
  const int i = *tag;
  CHexEditDlg dialog(
      jov::HexEditorText(map, i), [&map, i](const std::string& text) { jov::SaveHexEditorText(map, i, text); },
      [this](const std::function<void()>& command) { RunCommand(command); }, this);
  RunModal(dialog);
}
