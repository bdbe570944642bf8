// The map integrity commands: Check Map and Fix CRC32, and the CRC32 line of
// Map Info.
#include <cstdio>

#include "CCheckMapDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "map/Refused.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

namespace {

constexpr const char* kCheckNoMap = "No map is open in this panel; there is nothing to check.";
constexpr const char* kCrcNoMap = "No map is open in this panel; there is no CRC32 to fix.";

std::string Hex8(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

}  // namespace

std::string CrcFieldText(const jov::CMapFile& map) {
  if (!map.m_bOpen) return std::string();
  try {
    const jov::CrcValues values = jov::MapCrcValues(map);
    return "stored " + Hex8(values.stored) + ", computed " + Hex8(values.computed) +
           (values.stored == values.computed ? " (they match)" : " (they differ)");
  } catch (const jov::Refused& e) {
    return e.what();
  } catch (const jov::FileError& e) {
    return e.what();
  }
}

namespace commands {

void CheckMap(CommandContext& context, MapPanel& panel) {
  if (!panel.Map().m_bOpen) throw jov::Refused(kCheckNoMap);
  // "Check Map 1": the menu's command, named for its panel.
  const QString title = QStringLiteral("Check ") + panel.title();
  const jov::CheckReport report = jov::CheckMap(panel.Map());
  CCheckMapDlg dialog(title, report, [&panel](int tag) { panel.SelectTagItem(tag); }, context.DialogParent());
  dialog.setWindowTitle(ToolTitle(title, panel));
  context.RunModal(dialog);
}

void FixCrc(CommandContext& context, MapPanel& panel) {
  if (!panel.Map().m_bOpen) throw jov::Refused(kCrcNoMap);
  CommandContext::RequireWritable(panel);
  std::uint32_t written = 0;
  const jov::PlanOutcome outcome = context.ApplyPlanned(
      panel, "Fix CRC32", [&](jov::UserDialogs&) { written = jov::FixMapCrc(panel.Map()); });
  if (outcome.written) context.Dialogs().ShowMessage("The CRC32 " + Hex8(written) + " was written at 0x064.");
}

}  // namespace commands
