#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "edit/MapDocument.h"

class MapPanel;
class QDialog;
class QWidget;

namespace jov {
class History;
class UserDialogs;
}

// What an editor command may ask of the window it runs in. The window runs
// every command through its one dispatch (a jov::FileError becomes the critical
// box, a jov::Refused the "Message" dialog) and brings the title, the status bar
// and the enabled actions up to date after it; a command sees only this.
//
// A command starts with SaveControls() and stops when a value does not parse;
// it ends with LoadControls() when it changed values for display.
class CommandContext {
 public:
  virtual ~CommandContext() = default;

  // The parent of the command's dialogs, and the questions and messages.
  virtual QWidget* DialogParent() = 0;
  virtual jov::UserDialogs& Dialogs() = 0;
  // Runs a tool dialog modally (a test answers it without a nested loop).
  virtual int RunModal(QDialog& dialog) = 0;

  // "Map 1" (n = 1) and "Map 2" (n = 2); the other one of a panel; the one
  // holding the keyboard focus, or nullptr.
  virtual MapPanel& Panel(int n) = 0;
  virtual MapPanel& Other(const MapPanel& panel) = 0;
  virtual MapPanel* FocusedPanel() const = 0;

  // Runs work behind a dialog's own button as a command of its own.
  virtual void RunCommand(const std::function<void()>& command) = 0;
  CommandRunner Runner() {
    return [this](const std::function<void()>& command) { RunCommand(command); };
  }

  // The value exchange between the controls and the panels' values.
  virtual bool SaveControls() = 0;
  virtual void LoadControls() = 0;
  virtual void ShowCommandStatus(const QString& text) = 0;

  // Plans command on panel's map (its outcome messages held back), hands the
  // plan to the executor, and shows the messages once it is written. The panel
  // is re-read however it ends, keeping the user's place; a plan that changes
  // nothing records nothing and says so in the status bar.
  virtual jov::PlanOutcome ApplyPlanned(MapPanel& panel, const std::string& label,
                                        const std::function<void(jov::UserDialogs&)>& command) = 0;
  // The document that writes the map at path (one per file, both panels').
  virtual jov::MapDocument& DocumentOf(const std::string& path) = 0;
  // The window's edit history, the paths of the maps open in it, and a re-read
  // of every panel whose file changed (returns the names of the files re-read).
  virtual jov::History& Edits() = 0;
  virtual std::vector<std::string> OpenMapPaths() const = 0;
  // The steps the window took back (Undo, Undo to Here), the latest last:
  // Redo does again the one undone most recently, whichever map it is of.
  virtual std::vector<std::int64_t>& UndoneOrder() = 0;
  virtual QStringList ReloadChangedPanels() = 0;
  // Runs command, which rebuilds the panel's tree, and puts the user's place
  // back (open groups, selected tag and its record, results scanned again).
  virtual void KeepPlace(MapPanel& panel, const std::function<void()>& command) = 0;

  // Opens the map at path into panel; whether it is open.
  virtual bool OpenMapPath(MapPanel& panel, const QString& path) = 0;
  // The user's tag definitions folder ("" for the default one).
  virtual QString DefinitionsFolder() const = 0;
  virtual void SetDefinitionsFolder(const QString& folder) = 0;
  // Where both panels look for a CE map's bitmaps.map, sounds.map and loc.map;
  // empty: beside each map.
  virtual QString ResourceFolder() const { return {}; }
  virtual void SetResourceFolder(const QString& /*folder*/) {}

  // Refuses a writing command on a map opened read-only.
  static void RequireWritable(const MapPanel& panel);
};
