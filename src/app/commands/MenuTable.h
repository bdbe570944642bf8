#pragma once
#include <QKeySequence>
#include <QString>
#include <vector>

#include "MapPanel.h"

class CommandContext;

// The main window's menus and the panels' triggers as data: the window reads
// these tables once, builds the actions and connects the buttons, and does
// nothing else with its commands.

// What a menu command needs before it can run: its action is disabled without it.
enum class Needs {
  Nothing,
  MapIn1,  // a map open in Map 1
  MapIn2,  // a map open in Map 2
};
// 1 or 2 for a map needed in that panel, 0 for none.
int PanelNeeded(Needs needs);

struct MenuEntry {
  enum class Kind {
    Command,
    Separator,
    RecentMaps,  // the window's own submenu of the maps opened last
  };
  Kind kind = Kind::Command;
  QString menu;  // "&File"
  QString text;  // "&Open Map 1"
  QKeySequence shortcut;
  Needs needs = Needs::Nothing;
  void (*command)(CommandContext& context) = nullptr;
  // It writes the map it needs: disabled, with the reason as tooltip, while
  // that map is open read-only.
  bool writes = false;
  QString toolTip;
};

// In menu order; the menus in the order of their first entry.
const std::vector<MenuEntry>& MenuTable();

struct PanelEntry {
  MapPanel::Trigger trigger;
  void (*command)(CommandContext& context, MapPanel& panel);
};

// The same for each panel, run with that panel.
const std::vector<PanelEntry>& PanelTable();
