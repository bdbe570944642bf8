#pragma once
#include <QDialog>
#include <functional>

#include "DataExchange.h"
#include "map/MapFile.h"

class MapPanel;
class QAction;
class QMenu;
class QMenuBar;

namespace jov {
class UserDialogs;
}

// The main window "JOV": the menu bar and two MapPanels, "Map 1" above "Map 2".
//
// Every command has one method here, run through RunCommand, the single place
// where a jov::FileError becomes the critical box (the command ends, the window
// stays) and a jov::Refused becomes the "Message" dialog. A command starts with
// SaveControls() and stops when a value does not parse; it ends with
// LoadControls() when it changed values for display.
//
// Panel commands take the panel they run for; the twin of each runs the same
// method with the other panel.
class CMapEditorDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMapEditorDlg(jov::UserDialogs& dialogs, QWidget* parent = nullptr);
  ~CMapEditorDlg() override;

  MapPanel& Panel1() { return *m_panel1; }
  MapPanel& Panel2() { return *m_panel2; }
  jov::UserDialogs& Dialogs() { return m_dialogs; }
  // The menu command whose text (without access-key marks) is text, or nullptr.
  QAction* FindAction(const QString& text) const;

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

  // "File" menu.
  void OnOpenMap(MapPanel& panel);
  void OnCloseMap(MapPanel& panel);
  void OnExit();
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

  // Tag tree.
  void OnTagSelected(MapPanel& panel);
  void OnTagDoubleClicked(MapPanel& panel);
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

 private:
  QMenuBar* BuildMenuBar();
  void AddIntegrityCommands(QMenu* tools);
  void ConnectPanel(MapPanel& panel);
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> command);
  // The panel as a closed map leaves it (Close Map, a completed Add Tag): no
  // caption, no scan results, no tag choice list; the controls loaded.
  void ShowMapClosed(MapPanel& panel);

  jov::UserDialogs& m_dialogs;
  // One model per panel, alive as long as the window: a map still open is closed
  // when they go.
  jov::CMapFile m_mapFile1;
  jov::CMapFile m_mapFile2;
  MapPanel* m_panel1;
  MapPanel* m_panel2;
  DataExchange m_exchange;
  ModalRunner m_runModal;
};
