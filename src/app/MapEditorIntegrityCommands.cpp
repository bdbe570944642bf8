// The main window's map integrity commands: Check Map and Fix CRC32, and the
// CRC32 line of Map Info.
#include <QMenu>
#include <cstdio>

#include "CCheckMapDlg.h"
#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "map/Refused.h"
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

void CMapEditorDlg::AddIntegrityCommands(QMenu* tools) {
  MapPanel& p1 = *m_panel1;
  MapPanel& p2 = *m_panel2;
  // Each acts on an open map: enabled only while its panel holds one.
  const auto add = [this, tools](const QString& text, MapPanel& panel, std::function<void()> command) {
    m_needsMap.emplace_back(AddCommand(tools, text, std::move(command)), &panel);
  };
  tools->addSeparator();
  add(QStringLiteral("Ch&eck Map 1"), p1, [this, &p1] { OnCheckMap(p1, QStringLiteral("Check Map 1")); });
  add(QStringLiteral("Chec&k Map 2"), p2, [this, &p2] { OnCheckMap(p2, QStringLiteral("Check Map 2")); });
  add(QStringLiteral("&Fix CRC32 of Map 1"), p1, [this, &p1] { OnFixCrc(p1); });
  add(QStringLiteral("Fi&x CRC32 of Map 2"), p2, [this, &p2] { OnFixCrc(p2); });
}

void CMapEditorDlg::OnCheckMap(MapPanel& panel, const QString& title) {
  if (!panel.Map().m_bOpen) throw jov::Refused(kCheckNoMap);
  const jov::CheckReport report = jov::CheckMap(panel.Map());
  CCheckMapDlg dialog(title, report, [&panel](int tag) {
    if (tag < static_cast<int>(panel.Map().m_tags.size()))
      panel.m_treeTags->Select(panel.Map().m_tags[static_cast<std::size_t>(tag)].hTreeItem);
  }, this);
  RunModal(dialog);
}

void CMapEditorDlg::OnFixCrc(MapPanel& panel) {
  if (!panel.Map().m_bOpen) throw jov::Refused(kCrcNoMap);
  RequireWritable(panel);
  std::uint32_t written = 0;
  const jov::PlanOutcome outcome =
      ApplyPlanned(panel, "Fix CRC32", [&](jov::UserDialogs&) { written = jov::FixMapCrc(panel.Map()); });
  if (outcome.written) m_dialogs.ShowMessage("The CRC32 " + Hex8(written) + " was written at 0x064.");
}
