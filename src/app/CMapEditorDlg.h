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
#include "commands/CommandContext.h"
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
// The commands live under commands/, each a function of the CommandContext the
// window is; the window builds its menus from the menu table and connects each
// panel's triggers from the panel table. Every command runs through
// RunCommand, the single place where a jov::FileError becomes the critical box
// (the command ends, the window stays) and a jov::Refused becomes the "Message"
// dialog. After every command the title, the status bar and which actions can
// run are brought up to date.
class CMapEditorDlg : public QMainWindow, public CommandContext {
  Q_OBJECT

 public:
  explicit CMapEditorDlg(jov::UserDialogs& dialogs, QWidget* parent = nullptr);
  ~CMapEditorDlg() override;

  MapPanel& Panel1() { return *m_panel1; }
  MapPanel& Panel2() { return *m_panel2; }
  // CommandContext.
  QWidget* DialogParent() override { return this; }
  jov::UserDialogs& Dialogs() override { return m_dialogs; }
  MapPanel& Panel(int n) override { return n == 2 ? *m_panel2 : *m_panel1; }
  MapPanel& Other(const MapPanel& panel) override { return &panel == m_panel1 ? *m_panel2 : *m_panel1; }
  jov::PlanOutcome ApplyPlanned(MapPanel& panel, const std::string& label,
                                const std::function<void(jov::UserDialogs&)>& command) override;
  // The document of the map at path: one per file, shared by both panels, its
  // steps recorded into the window's edit history.
  jov::MapDocument& DocumentOf(const std::string& path) override;
  jov::History& Edits() override { return *m_history; }
  std::vector<std::string> OpenMapPaths() const override;
  QString ResourceFolder() const override { return m_resourceFolder; }
  void SetResourceFolder(const QString& folder) override;
  std::vector<std::int64_t>& UndoneOrder() override { return m_undoneOrder; }
  // Every panel whose file changed since it read it (the other panel wrote the
  // same map, an undo, jov-cli) reads it again and keeps its place.
  QStringList ReloadChangedPanels() override;
  // The menu command whose text (without access-key marks) is text, or nullptr.
  QAction* FindAction(const QString& text) const;
  // "&Edit": its first items are left to the edit history's commands, which are
  // inserted in front of "Find".
  QMenu* EditMenu() const { return m_editMenu; }
  QMenu* ToolsMenu() const { return m_toolsMenu; }

  // The single command dispatch: runs command and reports what it throws.
  void RunCommand(const std::function<void()>& command) override;

  bool SaveControls() override;
  void LoadControls() override;

  // How the tool dialogs are run modally: exec() unless a runner is set. A test
  // sets one that acts on the dialog's widgets and returns its result, so that
  // no test waits in a nested event loop.
  using ModalRunner = std::function<int(QDialog& dialog)>;
  void SetModalRunner(ModalRunner runner) { m_runModal = std::move(runner); }
  int RunModal(QDialog& dialog) override;

  // Where the recent maps, the window geometry and the splitters are kept. The
  // window keeps nothing until this is called (tests never touch the user's
  // settings); the program passes the user's settings.
  void UseSettings(std::unique_ptr<QSettings> settings);
  QStringList RecentMaps() const { return m_recentMaps; }
  void SaveWindowState();

  // Opens the map at path into panel, closing what the panel held. An error is
  // reported as any command's; returns whether the map is open.
  bool OpenMapPath(MapPanel& panel, const QString& path) override;
  // `jov A.map [B.map]`: the first path into Map 1, the second into Map 2.
  void OpenArguments(const QStringList& paths);

  // The status bar's texts: each panel's summary and the last command's line.
  QString PanelStatus(const MapPanel& panel) const;
  QString CommandStatus() const;
  void ShowCommandStatus(const QString& text) override;

  // "File" menu, "Recent Maps": into the first panel without a map, else Map 1.
  void OnOpenRecent(const QString& path);
  // "Edit" menu, the edit history: one stack for the window, the newest finished
  // step of the maps open in it first.
  QAction* UndoAction() const { return m_actionUndo; }
  QAction* RedoAction() const { return m_actionRedo; }
  // The user's tag definitions folder, read after the built-in ones (kept in
  // the settings); empty for the default folder.
  void SetDefinitionsFolder(const QString& folder) override;
  QString DefinitionsFolder() const override { return m_definitionsFolder; }

  // The panel that holds the keyboard focus, or nullptr.
  MapPanel* FocusedPanel() const override;

  // The menu commands that write the panel's map: disabled, with the reason as
  // tooltip, while it is open read-only (its writing buttons too).
  std::vector<QAction*> WritingActions(const MapPanel& panel) const;
  // Runs command, which writes the panel's map or rebuilds its tree (a reload,
  // an undo), and then puts the user's place back: the open groups, the selected
  // tag (by index) with its record in the fields, and results shown before are
  // scanned again rather than left describing old bytes.
  void KeepPlace(MapPanel& panel, const std::function<void()>& command) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The menus from the menu table; each panel's triggers from the panel table.
  void BuildMenuBar();
  void ConnectPanel(MapPanel& panel);
  // The panel as a closed map leaves it, the controls loaded.
  void ShowMapClosed(MapPanel& panel);
  void AfterOpen(MapPanel& panel);

  // The edit history's actions at the top of the Edit menu; the window records
  // every map write from then on.
  void BuildHistoryActions();
  void UpdateHistoryActions();
  // A watched map changed outside a command: re-read where it is shown.
  void OnMapChangedOnDisk();
  // Asks, for each step a stopped process left unfinished on the panel's map,
  // whether to restore the map as it was before it.
  void OfferRecovery(MapPanel& panel);

  // The check of each panel's map, run at every open and re-read.
  struct PanelCheck {
    int errors = 0;
    int warnings = 0;
    QString firstError;  // "where: what" of the error that keeps the map read-only
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
  QString m_resourceFolder;
  std::vector<std::int64_t> m_undoneOrder;
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
  // Actions that need an open map in a panel, and those that also write it.
  std::vector<std::pair<QAction*, MapPanel*>> m_needsMap;
  std::vector<std::pair<QAction*, MapPanel*>> m_writing;
  int m_commandDepth = 0;
  QString m_definitionsFolder;
  int m_opens = 0;  // maps opened so far
};
