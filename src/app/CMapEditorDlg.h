#pragma once
#include "edit/MapDocument.h"
#include "history/History.h"
#include <map>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "DataExchange.h"
#include "MapWatcher.h"
#include "map/MapFile.h"

class MapPanel;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QSettings;
class QSplitter;

namespace jov {
class UserDialogs;
}

// The main window "JOV": menu bar, two MapPanels ("Map 1" above "Map 2", in a
// splitter) and a status bar.
//
// Every command has one method here, run through RunCommand, the single place
// where a jov::FileError becomes the critical box (the command ends, the window
// stays) and a jov::Refused becomes the "Message" dialog. A command starts with
// SaveControls() and stops when a value does not parse; it ends with
// LoadControls() when it changed values for display. After every command the
// title, the status bar and which actions can run are brought up to date.
//
// Panel commands take the panel they run for; the twin of each runs the same
// method with the other panel.
class CMapEditorDlg : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMapEditorDlg(jov::UserDialogs& dialogs, QWidget* parent = nullptr);
  ~CMapEditorDlg() override;

  MapPanel& Panel1() { return *m_panel1; }
  MapPanel& Panel2() { return *m_panel2; }
  jov::UserDialogs& Dialogs() { return m_dialogs; }
  // Plans command on panel's map (its outcome messages held back), hands the
  // plan to the executor, and shows the messages once it is written. The panel
  // is re-read however it ends, keeping the user's place; a plan that changes
  // nothing records nothing and says so in the status bar.
  jov::PlanOutcome ApplyPlanned(MapPanel& panel, const std::string& label,
                                const std::function<void(jov::UserDialogs&)>& command);
  // The document of the map at path: one per file, shared by both panels, its
  // steps recorded into the window's edit history.
  jov::MapDocument& DocumentOf(const std::string& path);
  jov::History& Edits() { return *m_history; }
  // The menu command whose text (without access-key marks) is text, or nullptr.
  QAction* FindAction(const QString& text) const;
  // "&Edit": its first items are left to the edit history's commands, which are
  // inserted in front of "Find".
  QMenu* EditMenu() const { return m_editMenu; }
  QMenu* ToolsMenu() const { return m_toolsMenu; }

  // The single command dispatch: runs command and reports what it throws.
  void RunCommand(const std::function<void()>& command);

  bool SaveControls();
  void LoadControls();

  // How the tool dialogs are run modally: exec() unless a runner is set. A test
  // sets one that acts on the dialog's widgets and returns its result, so that
  // no test waits in a nested event loop.
  using ModalRunner = std::function<int(QDialog& dialog)>;
  void SetModalRunner(ModalRunner runner) { m_runModal = std::move(runner); }
  int RunModal(QDialog& dialog);

  // Where the recent maps, the window geometry and the splitters are kept. The
  // window keeps nothing until this is called (tests never touch the user's
  // settings); the program passes the user's settings.
  void UseSettings(std::unique_ptr<QSettings> settings);
  QStringList RecentMaps() const { return m_recentMaps; }
  void SaveWindowState();

  // Opens the map at path into panel, closing what the panel held. An error is
  // reported as any command's; returns whether the map is open.
  bool OpenMapPath(MapPanel& panel, const QString& path);
  // `jov A.map [B.map]`: the first path into Map 1, the second into Map 2.
  void OpenArguments(const QStringList& paths);

  // The status bar's texts: each panel's summary and the last command's line.
  QString PanelStatus(const MapPanel& panel) const;
  QString CommandStatus() const;
  void ShowCommandStatus(const QString& text);

  // "File" menu.
  void OnOpenMap(MapPanel& panel);
  void OnCloseMap(MapPanel& panel);
  void OnOpenRecent(const QString& path);
  void OnExit();
  // "Edit" menu: focuses the filter of the panel that has the focus (Map 1 when
  // neither has).
  void OnFind();
  // "Edit" menu, the edit history: one stack for the window, the newest finished
  // step of the maps open in it first.
  void OnUndo();
  void OnRedo();
  void OnHistory();
  QAction* UndoAction() const { return m_actionUndo; }
  QAction* RedoAction() const { return m_actionRedo; }
  // "Tools" menu.
  void OnMapInfo(MapPanel& panel);
  void OnHexFloatCalculator();
  void OnReflexiveCalculator();
  void OnGuerillaTagConverter();
  void OnInsertDataAtEnd(MapPanel& panel);
  void OnAddTag(MapPanel& panel);
  void OnCheckMap(MapPanel& panel, const QString& title);
  void OnFixCrc(MapPanel& panel);
  // "Help" menu.
  void OnAbout();
  // The user's tag definitions folder, read after the built-in ones (kept in
  // the settings); empty for the default folder.
  void SetDefinitionsFolder(const QString& folder);
  QString DefinitionsFolder() const { return m_definitionsFolder; }

  // Tag tree.
  void OnTagSelected(MapPanel& panel);
  void OnTagDoubleClicked(MapPanel& panel);
  void OnCopyTagName(MapPanel& panel);
  void OnCopyTagIdentifier(MapPanel& panel);
  // Tag Information buttons. "Revert" is one handler for both panels.
  void OnSwap(MapPanel& panel);
  void OnSaveChanges(MapPanel& panel);
  void OnRevert();
  void OnCopy(MapPanel& panel);
  void OnSaveMetadata(MapPanel& panel);
  void OnInject(MapPanel& panel);
  void OnDirectInject(MapPanel& panel);
  // Meta Scanner.
  void OnScanMetadata(MapPanel& panel);
  void OnClearScanner(MapPanel& panel);
  void OnUpdateItem(MapPanel& panel);
  void OnScanResultSelected(MapPanel& panel);
  // A double-clicked result line: a Dependency or LoneID selects the tag it
  // names, a Reflexive opens the hex editor at its offset.
  void OnScanResultActivated(MapPanel& panel);

  // The panel that holds the keyboard focus, or nullptr.
  MapPanel* FocusedPanel() const;

  // Refuses a writing command on a map opened read-only.
  static void RequireWritable(const MapPanel& panel);
  // The menu commands and buttons that write the panel's map: disabled, with
  // the reason as tooltip, while it is open read-only.
  std::vector<QAction*> WritingActions(const MapPanel& panel) const;
  static std::vector<QPushButton*> WritingButtons(const MapPanel& panel);
  // Runs command, which writes the panel's map or rebuilds its tree (a reload,
  // an undo), and then puts the user's place back: the open groups, the selected
  // tag (by index) with its record in the fields, and results shown before are
  // scanned again rather than left describing old bytes.
  void KeepPlace(MapPanel& panel, const std::function<void()>& command);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenuBar();
  void AddIntegrityCommands(QMenu* tools);
  void AddFieldsCommands(QMenu* tools);
  void ConnectPanel(MapPanel& panel);
  // The Fields view's edits go through here: one plan, the executor, a re-read.
  void ConnectTagViews(MapPanel& panel);
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> command,
                      const QKeySequence& shortcut = {});
  // The panel as a closed map leaves it (Close Map, a completed Add Tag): no
  // caption, no scan results, no tag choice list, no filter; the controls loaded.
  void ShowMapClosed(MapPanel& panel);
  void AfterOpen(MapPanel& panel);
  // The hex editor's "Save" for tag i of the panel's map.
  std::function<void(const std::string&)> TagHexSave(MapPanel& panel, int i);
  // Scan Metadata again on the selected tag with the values the panel holds.
  void Rescan(MapPanel& panel);
  MapPanel& Other(const MapPanel& panel) const { return &panel == m_panel1 ? *m_panel2 : *m_panel1; }

  // The edit history's actions at the top of the Edit menu; the window records
  // every map write from then on.
  void BuildHistoryActions();
  void UpdateHistoryActions();
  // Every panel whose file changed since it read it (the other panel wrote the
  // same map, an undo, jov-cli) reads it again and keeps its place.
  // Re-reads every panel whose file changed since it was read; returns the
  // names of the files re-read.
  QStringList ReloadChangedPanels();
  // A watched map changed outside a command: re-read where it is shown.
  void OnMapChangedOnDisk();
  // Asks, for each step a stopped process left unfinished on the panel's map,
  // whether to restore the map as it was before it.
  void OfferRecovery(MapPanel& panel);
  std::vector<std::string> OpenMapPaths() const;

  // The check of each panel's map, run at every open and re-read.
  struct PanelCheck {
    int errors = 0;
    int warnings = 0;
  };
  PanelCheck& CheckOf(const MapPanel& panel);
  // Counts the findings; a map with an error stays read-only. Just opened: a
  // compressed Xbox map is offered for decompression, an error is said once.
  void CheckOpenedMap(MapPanel& panel, bool justOpened);
  // When path is a compressed Xbox map (which cannot be read as it is): asks to
  // decompress it into a new file beside it and opens that. False when path is
  // no such map, so the caller reports why it did not open.
  bool OfferDecompression(MapPanel& panel, const std::string& path);
  PanelCheck m_check1;
  PanelCheck m_check2;

 public:
  // "2 errors, 1 warning" for the status bar; empty for a sound map.
  QString CheckStatus(const MapPanel& panel) const;

 private:

  void AddRecent(const QString& path);
  void RebuildRecentMenu();
  void RestoreWindowState();
  // Title, status bar and enabled actions after a command.
  void Refresh();
  MapWatcher* m_watcher = nullptr;
  void ShowWritable();

  jov::UserDialogs& m_dialogs;
  // The user's edit history, made with the window; every map's document shares it.
  std::shared_ptr<jov::History> m_history = jov::History::OfUser();
  std::map<std::string, std::unique_ptr<jov::MapDocument>> m_documents;
  // One model per panel, alive as long as the window: a map still open is closed
  // when they go.
  jov::CMapFile m_mapFile1;
  jov::CMapFile m_mapFile2;
  MapPanel* m_panel1;
  MapPanel* m_panel2;
  QSplitter* m_splitPanels;
  DataExchange m_exchange;
  ModalRunner m_runModal;

  QMenu* m_editMenu = nullptr;
  QAction* m_actionUndo = nullptr;
  QAction* m_actionRedo = nullptr;
  QAction* m_actionHistory = nullptr;
  QMenu* m_toolsMenu = nullptr;
  QMenu* m_recentMenu = nullptr;
  QStringList m_recentMaps;
  std::unique_ptr<QSettings> m_settings;
  QLabel* m_statusPanel1;
  QLabel* m_statusPanel2;
  QString m_commandStatus;
  // Actions that need an open map in a panel, and those that need a selected tag.
  std::vector<std::pair<QAction*, MapPanel*>> m_needsMap;
  int m_commandDepth = 0;
  QString m_definitionsFolder;
  int m_opens = 0;  // maps opened so far
};
