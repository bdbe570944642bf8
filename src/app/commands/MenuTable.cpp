#include "commands/MenuTable.h"

#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "commands/ModCommands.h"

namespace {

// A panel command run from the menu for panel n.
template <void (*Command)(CommandContext&, MapPanel&), int n>
void ForPanel(CommandContext& context) {
  Command(context, context.Panel(n));
}

MenuEntry Entry(const QString& menu, const QString& text, const QKeySequence& shortcut, Needs needs,
                void (*command)(CommandContext&)) {
  MenuEntry entry;
  entry.menu = menu;
  entry.text = text;
  entry.shortcut = shortcut;
  entry.needs = needs;
  entry.command = command;
  return entry;
}

MenuEntry Writing(MenuEntry entry) {
  entry.writes = true;
  return entry;
}

MenuEntry WithToolTip(MenuEntry entry, const QString& toolTip) {
  entry.toolTip = toolTip;
  return entry;
}

MenuEntry RecentMaps(const QString& menu, const QString& text) {
  MenuEntry entry;
  entry.kind = MenuEntry::Kind::RecentMaps;
  entry.menu = menu;
  entry.text = text;
  return entry;
}

MenuEntry Separator(const QString& menu) {
  MenuEntry entry;
  entry.kind = MenuEntry::Kind::Separator;
  entry.menu = menu;
  return entry;
}

}  // namespace

int PanelNeeded(Needs needs) {
  switch (needs) {
    case Needs::MapIn1: return 1;
    case Needs::MapIn2: return 2;
    case Needs::Nothing: break;
  }
  return 0;
}

const std::vector<MenuEntry>& MenuTable() {
  using namespace commands;
  const QString file = QStringLiteral("&File");
  const QString edit = QStringLiteral("&Edit");
  const QString tools = QStringLiteral("&Tools");
  const QString help = QStringLiteral("&Help");
  const auto key = [](QKeyCombination combination) { return QKeySequence(combination); };
  constexpr Needs none = Needs::Nothing;
  constexpr Needs map1 = Needs::MapIn1;
  constexpr Needs map2 = Needs::MapIn2;
  static const std::vector<MenuEntry> table{
      Entry(file, QStringLiteral("&Open Map 1"), key(Qt::CTRL | Qt::Key_O), none, ForPanel<OpenMap, 1>),
      Entry(file, QStringLiteral("&Close Map 1"), key(Qt::CTRL | Qt::Key_W), map1, ForPanel<CloseMap, 1>),
      Separator(file),
      Entry(file, QStringLiteral("O&pen Map 2"), key(Qt::CTRL | Qt::SHIFT | Qt::Key_O), none, ForPanel<OpenMap, 2>),
      Entry(file, QStringLiteral("C&lose Map 2"), key(Qt::CTRL | Qt::SHIFT | Qt::Key_W), map2, ForPanel<CloseMap, 2>),
      Separator(file),
      RecentMaps(file, QStringLiteral("&Recent Maps")),
      Separator(file),
      WithToolTip(Entry(file, QStringLiteral("Apply &Mod..."), {}, none, ApplyMod),
                  QStringLiteral("Apply a mod's field edits to maps you choose, one undoable step each")),
      Separator(file),
      Entry(file, QStringLiteral("E&xit"), key(Qt::CTRL | Qt::Key_Q), none, Exit),

      // The edit history's commands are put in front of Find by the window.
      Entry(edit, QStringLiteral("&Find"), key(Qt::CTRL | Qt::Key_F), none, Find),

      Entry(tools, QStringLiteral("Map &1 Info"), {}, map1, ForPanel<MapInfo, 1>),
      Entry(tools, QStringLiteral("Map &2 Info"), {}, map2, ForPanel<MapInfo, 2>),
      Separator(tools),
      Entry(tools, QStringLiteral("&Hex Float Calculator"), {}, none, HexFloatCalculator),
      Entry(tools, QStringLiteral("&Reflexive Calculator"), {}, none, ReflexiveCalculator),
      Separator(tools),
      Entry(tools, QStringLiteral("&Guerilla Tag Converter"), {}, none, GuerillaTagConverter),
      Separator(tools),
      Writing(Entry(tools, QStringLiteral("&Insert Data at End of Map 1"), {}, map1, ForPanel<InsertDataAtEnd, 1>)),
      Writing(Entry(tools, QStringLiteral("I&nsert Data at End of Map 2"), {}, map2, ForPanel<InsertDataAtEnd, 2>)),
      Separator(tools),
      Writing(Entry(tools, QStringLiteral("&Add Tag to Map 1"), {}, map1, ForPanel<AddTag, 1>)),
      Writing(Entry(tools, QStringLiteral("A&dd Tag to Map 2"), {}, map2, ForPanel<AddTag, 2>)),
      Separator(tools),
      Entry(tools, QStringLiteral("&Compare Map 1 with Map 2"), {}, none, CompareMaps),
      Writing(Entry(tools, QStringLiteral("A&pply Patch to Map 1..."), {}, map1, ForPanel<ApplyPatch, 1>)),
      Writing(Entry(tools, QStringLiteral("Appl&y Patch to Map 2..."), {}, map2, ForPanel<ApplyPatch, 2>)),
      Entry(tools, QStringLiteral("Make &Mod from Map 1 and Map 2..."), {}, none, MakeMod),
      Separator(tools),
      Entry(tools, QStringLiteral("Ch&eck Map 1"), {}, map1, ForPanel<CheckMap, 1>),
      Entry(tools, QStringLiteral("Chec&k Map 2"), {}, map2, ForPanel<CheckMap, 2>),
      Writing(Entry(tools, QStringLiteral("&Fix CRC32 of Map 1"), {}, map1, ForPanel<FixCrc, 1>)),
      Writing(Entry(tools, QStringLiteral("Fi&x CRC32 of Map 2"), {}, map2, ForPanel<FixCrc, 2>)),
      Separator(tools),
      WithToolTip(Entry(tools, QStringLiteral("Re&source Maps Folder..."), {}, none, ChooseResourceFolder),
                  QStringLiteral("Where a CE map's bitmaps.map, sounds.map and loc.map are read from when they "
                                 "are not beside the map")),
      WithToolTip(Entry(tools, QStringLiteral("Defini&tions Folder..."), {}, none, ChooseDefinitionsFolder),
                  QStringLiteral("Your own tag definitions (JSON or plugin XML files), read after the built-in "
                                 "ones: a class defined there wins")),

      // A Linux desktop has no system menu to extend: the About box lives here.
      Entry(help, QStringLiteral("&About JOV..."), {}, none, About),
  };
  return table;
}

const std::vector<PanelEntry>& PanelTable() {
  using namespace commands;
  using T = MapPanel::Trigger;
  static const std::vector<PanelEntry> table{
      {T::Swap, Swap},
      {T::SaveChanges, SaveChanges},
      {T::Revert, Revert},
      {T::Copy, Copy},
      {T::SaveMetadata, SaveMetadata},
      {T::Inject, Inject},
      {T::DirectInject, DirectInject},
      {T::ScanMetadata, ScanMetadata},
      {T::ClearScanner, ClearScanner},
      {T::UpdateItem, UpdateItem},
      {T::TagSelected, TagSelected},
      {T::TagActivated, OpenTagInHexEditor},
      {T::ResultSelected, ScanResultSelected},
      {T::ResultActivated, ScanResultActivated},
      {T::CopyTagName, CopyTagName},
      {T::CopyTagIdentifier, CopyTagIdentifier},
      {T::SaveTagMetadata, SaveMetadata},
      {T::OpenTagInHexEditor, OpenTagInHexEditor},
  };
  return table;
}
