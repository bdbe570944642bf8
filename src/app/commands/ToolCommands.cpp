// The Tools menu's dialogs: Map Info, the calculators, the Guerilla tag
// converter, Insert Data at End of Map and Add Tag.
#include <QLocale>

#include "CCheckMapDlg.h"
#include "CGuerillaConvertDlg.h"
#include "CHexEditDlg.h"
#include "CHexFloatDlg.h"
#include "CMapBuilderDlg.h"
#include "CMapInfoDlg.h"
#include "CReflexiveCalcDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "builder/AddTag.h"
#include "check/WriteGuards.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "transfer/InsertData.h"

namespace commands {

void MapInfo(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  const MapPanel::Place place = panel.SavePlace();
  jov::MapInfoSession session(panel.Map());
  {
    CMapInfoDlg dialog(session, context.Dialogs(), context.Runner(), context.DialogParent());
    dialog.setWindowTitle(ToolTitle(dialog.windowTitle(), panel));
    dialog.ShowCrc(QString::fromStdString(CrcFieldText(panel.Map())));
    context.RunModal(dialog);
  }
  // The fields can be read on a read-only map; only their saving is refused.
  if (session.SaveFlag()) CommandContext::RequireWritable(panel);
  // A header that would give the map an error it does not have is written only
  // after a "Yes".
  if (session.SaveFlag() && panel.Map().m_bOpen &&
      !jov::ConfirmHeaderWrite(panel.Map(), jov::HeaderInfoToWrite(session.Values()), context.Dialogs()))
    return;
  bool written = false;
  if (session.SaveFlag())
    context.ApplyPlanned(panel, "Map Info", [&](jov::UserDialogs&) {
      written = jov::FinishMapInfo(panel.Map(), panel.TagTree(), session);
    });
  else
    written = jov::FinishMapInfo(panel.Map(), panel.TagTree(), session);
  if (!written) return;
  // The re-read map: a changed tag count may have changed the tags.
  panel.SetCaption(panel.Map().GetHeaderInfo().m_strNickname);
  panel.EmptyTagChoiceList();
  context.LoadControls();
  panel.RestorePlace(place);
}

void HexFloatCalculator(CommandContext& context) {
  CHexFloatDlg dialog(context.Dialogs(), context.DialogParent());
  context.RunModal(dialog);
}

void ReflexiveCalculator(CommandContext& context) {
  CReflexiveCalcDlg dialog(context.DialogParent());
  context.RunModal(dialog);
}

void GuerillaTagConverter(CommandContext& context) {
  CGuerillaConvertDlg dialog(context.Dialogs(), context.Runner(), context.DialogParent());
  context.RunModal(dialog);
}

// The hex editor with an empty text; "Save" appends its bytes at the EoF
// Position. The map is re-read once the editor has closed.
void InsertDataAtEnd(CommandContext& context, MapPanel& panel) {
  // Refused before the editor opens: nothing typed into it is lost.
  if (!panel.Map().m_bOpen) throw jov::Refused(jov::kInsertNoMap);
  CommandContext::RequireWritable(panel);
  if (!context.SaveControls()) return;
  jov::CMapFile& map = panel.Map();
  std::uint32_t placedAt = 0;
  CHexEditDlg dialog(
      std::string(),
      [&context, &panel, &map, &placedAt](const std::string& text) {
        context.ApplyPlanned(panel, "Insert Data",
                             [&](jov::UserDialogs&) { placedAt = jov::InsertDataAtEnd(map, text); });
      },
      context.Runner(), context.DialogParent());
  dialog.setWindowTitle(ToolTitle(QStringLiteral("Hex Editor"), panel) + QStringLiteral(" - Insert Data at End"));
  if (context.RunModal(dialog) != QDialog::Accepted) return;
  context.KeepPlace(panel, [&] { map.Reload(panel.TagTree()); });
  context.LoadControls();
  const std::uint32_t placed = jov::HexToUInt(map.m_strEofPosition) - placedAt;
  context.ShowCommandStatus(OnMap(panel, QStringLiteral("Insert Data: %1 bytes placed at 0x%2")
                                             .arg(QLocale(QLocale::English).toString(placed))
                                             .arg(placedAt, 0, 16)));
}

void AddTag(CommandContext& context, MapPanel& panel) {
  // Refused before the Map Builder opens, rather than after it was filled in.
  if (!panel.Map().m_bOpen) throw jov::Refused(jov::kAddTagNoMap);
  CommandContext::RequireWritable(panel);
  if (!context.SaveControls()) return;
  CMapBuilderDlg dialog(context.Dialogs(), context.DialogParent());
  dialog.setWindowTitle(ToolTitle(dialog.windowTitle(), panel));
  if (context.RunModal(dialog) != QDialog::Accepted) return;
  jov::AddTagResult result = jov::AddTagResult::Declined;
  context.ApplyPlanned(panel, "Add Tag " + dialog.Fields().strClass1 + ":" + dialog.Fields().strTagName,
                       [&](jov::UserDialogs& dialogs) {
                         result = jov::AddTag(panel.Map(), panel.TagTree(), dialog.Fields(), dialogs);
                       });
  if (result == jov::AddTagResult::Added) {
    panel.ShowMapClosed();
    context.LoadControls();
  }
}

}  // namespace commands
