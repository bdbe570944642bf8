// The main window's tool commands: Map Info, the calculators, the Guerilla tag
// converter, Insert Data at End of Map, Add Tag and the hex editor opened from
// the tag tree.
#include <QLocale>

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
#include "history/StepLabel.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "tools/HexEditorText.h"
#include "transfer/InsertData.h"

int CMapEditorDlg::RunModal(QDialog& dialog) { return m_runModal ? m_runModal(dialog) : dialog.exec(); }

void CMapEditorDlg::OnMapInfo(MapPanel& panel) {
  if (!SaveControls()) return;
  const MapPanel::Place place = panel.SavePlace();
  const CommandRunner run = [this](const std::function<void()>& command) { RunCommand(command); };
  jov::MapInfoSession session(panel.Map());
  {
    CMapInfoDlg dialog(session, m_dialogs, run, this);
    dialog.ShowCrc(QString::fromStdString(CrcFieldText(panel.Map())));
    RunModal(dialog);
  }
  // The fields can be read on a read-only map; only their saving is refused.
  if (session.SaveFlag()) RequireWritable(panel);
  // A header that would give the map an error it does not have is written only
  // after a "Yes".
  if (session.SaveFlag() && panel.Map().m_bOpen &&
      !jov::ConfirmHeaderWrite(panel.Map(), jov::HeaderInfoToWrite(session.Values()), m_dialogs))
    return;
  bool written = false;
  if (session.SaveFlag())
    ApplyPlanned(panel, "Map Info", [&](jov::UserDialogs&) {
      written = jov::FinishMapInfo(panel.Map(), *panel.m_treeTags, session);
    });
  else
    written = jov::FinishMapInfo(panel.Map(), *panel.m_treeTags, session);
  if (!written) return;
  // The re-read map: a changed tag count may have changed the tags.
  panel.m_strCaption = panel.Map().GetHeaderInfo().m_strNickname;
  panel.EmptyTagChoiceList();
  LoadControls();
  panel.RestorePlace(place);
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
  RequireWritable(panel);
  if (!SaveControls()) return;
  jov::CMapFile& map = panel.Map();
  std::uint32_t placedAt = 0;
  CHexEditDlg dialog(
      std::string(),
      [this, &panel, &map, &placedAt](const std::string& text) {
        ApplyPlanned(panel, "Insert Data", [&](jov::UserDialogs&) { placedAt = jov::InsertDataAtEnd(map, text); });
      },
      [this](const std::function<void()>& command) { RunCommand(command); }, this);
  if (RunModal(dialog) != QDialog::Accepted) return;
  KeepPlace(panel, [&] { map.Reload(*panel.m_treeTags); });
  LoadControls();
  const std::uint32_t placed = jov::HexToUInt(map.m_strEofPosition) - placedAt;
  ShowCommandStatus(QStringLiteral("Insert Data: %1 bytes placed at 0x%2")
                        .arg(QLocale(QLocale::English).toString(placed))
                        .arg(placedAt, 0, 16));
}

void CMapEditorDlg::OnAddTag(MapPanel& panel) {
  // Refused before the Map Builder opens, rather than after it was filled in.
  if (!panel.Map().m_bOpen) throw jov::Refused(jov::kAddTagNoMap);
  RequireWritable(panel);
  if (!SaveControls()) return;
  CMapBuilderDlg dialog(m_dialogs, this);
  if (RunModal(dialog) != QDialog::Accepted) return;
  jov::AddTagResult result = jov::AddTagResult::Declined;
  ApplyPlanned(panel, "Add Tag " + dialog.Fields().strClass1 + ":" + dialog.Fields().strTagName,
               [&](jov::UserDialogs& dialogs) {
                 result = jov::AddTag(panel.Map(), *panel.m_treeTags, dialog.Fields(), dialogs);
               });
  if (result == jov::AddTagResult::Added) ShowMapClosed(panel);
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
      jov::HexEditorText(map, i), TagHexSave(panel, i),
      [this](const std::function<void()>& command) { RunCommand(command); }, this);
  RunModal(dialog);
}

std::function<void(const std::string&)> CMapEditorDlg::TagHexSave(MapPanel& panel, int i) {
  jov::CMapFile& map = panel.Map();
  return [this, &panel, &map, i](const std::string& text) {
    RequireWritable(panel);
    const std::size_t given = jov::HexEditorDigits(text).size() / 2;
    const auto size = static_cast<std::int32_t>(map.GetTagEntry(i).nSize);
    ApplyPlanned(panel, jov::StepLabel("Hex Editor", map, i),
                 [&](jov::UserDialogs&) { jov::SaveHexEditorText(map, i, text); });
    // Bytes past the tag's size are not written: say so, or they seem saved.
    if (size >= 0 && given > static_cast<std::size_t>(size)) {
      m_dialogs.ShowMessage(QStringLiteral("%1 bytes were not written: the text holds %2 bytes and the tag's "
                                           "metadata is %3 bytes long.")
                                .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(given) - static_cast<qulonglong>(size)))
                                .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(given)))
                                .arg(QLocale(QLocale::English).toString(size))
                                .toStdString());
    }
  };
}
