#pragma once
#include <QGroupBox>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scanner/ScannerPanel.h"

class DataExchange;
class FieldsView;
class QCheckBox;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QLineEdit;
class QPushButton;
class QSplitter;
class QtTreeView;
class SortedComboBox;

namespace jov {
class ReferenceIndex;
struct TagEntry;
}  // namespace jov

// One map's panel of the main window: caption, tag tree, "Tag Information" and
// "Meta Scanner". The window holds two, "Map 1" above "Map 2"; what differs
// between them is given to the constructor (the Shorts range) or set by the
// window (the panel Direct Inject reads from). Commands live in CMapEditorDlg,
// which reads and writes the panel's controls and bound values directly.
class MapPanel : public QGroupBox {
  Q_OBJECT

 public:
  MapPanel(const QString& title, int shortsRange, jov::CMapFile& map, QWidget* parent = nullptr);
  ~MapPanel() override;

  jov::CMapFile& Map() { return m_map; }
  const jov::CMapFile& Map() const { return m_map; }
  // Shorts are scanned for the values 1 up to this bound, exclusive.
  int ShortsRange() const { return m_nShortsRange; }
  // The panel whose selected tag this panel's "Direct Inject" copies from.
  MapPanel* DirectInjectSource() const { return m_pDirectInjectSource; }
  void SetDirectInjectSource(MapPanel* source) { m_pDirectInjectSource = source; }
  // The tag the panel's commands act on: the record whose tree item is the tag
  // tree's selection (none for a class group, no selection or no map).
  std::optional<int> SelectedTag() const;

  // The window's value exchange: the scanner value goes first in the table, the
  // remaining fields after both panels' scanner values.
  void BindScannerValue(DataExchange& exchange);
  void BindFields(DataExchange& exchange);

  // Copies a tag's index record into the Tag Information values.
  void ShowTagRecord(const jov::TagEntry& record);
  // The scanner area as tag selection leaves it: no results, a step of 0.01 and
  // both choice texts empty (values; the caller loads them into the controls).
  void ResetScannerValues();
  // Empties the scanner results tree, turns it black and drops the records of
  // its lines.
  void ClearScanResults();
  // Fills the scanner tag choice list from the map once, until emptied again.
  void FillTagChoiceList();
  void EmptyTagChoiceList();

  // The tag filter: shows only the tags that match the filter field's text.
  void ApplyFilter();
  // The panel's file name as the title and the status bar show it ("" with no map).
  QString FileName() const;

  // Where the user is in the tree: the selected tag (by index) and the open
  // groups. A command that rebuilds the tree (Save Changes, a reload) puts them
  // back; the selection is restored without the notification a user's click
  // sends, so the fields and results are the command's to handle.
  struct Place {
    std::optional<int> tag;
    std::vector<int> expandedGroups;
  };
  Place SavePlace() const;
  void RestorePlace(const Place& place);

  // The views of the selected tag below Tag Information: its fields and the tags
  // that refer to it. Shown again after every selection, write and re-read.
  void ShowTagViews(std::optional<int> tag);
  // The map was opened, closed or written: who refers to whom is read again
  // when next shown.
  void ForgetReferences();
  // Selects tag in the tree as a jump (a reference followed, a result
  // double-clicked): a filter hiding it is cleared, and Back returns to the tag
  // selected before.
  void GoToTag(int tag);
  void GoBack();
  void GoForward();
  bool CanGoBack() const { return m_trailAt > 0; }
  bool CanGoForward() const { return m_trailAt + 1 < static_cast<int>(m_trail.size()); }

 signals:
  // A file was dropped on the panel.
  void FileDropped(const QString& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The mouse's side buttons anywhere in the panel: Back and Forward.
  void mousePressEvent(QMouseEvent* event) override;

 public:

  // Controls.
  QLineEdit* m_editCaption;
  QLineEdit* m_editFilter;
  QtTreeView* m_treeTags;
  QSplitter* m_splitColumns;

  QGroupBox* m_groupTagInfo;
  QLineEdit* m_editFilename;
  QLineEdit* m_editIdentifier;
  QLineEdit* m_editMetaOffset;
  QLineEdit* m_editStringOffset;
  QLineEdit* m_editPageOffset;
  QLineEdit* m_editSize;
  SortedComboBox* m_comboClass[3];
  QPushButton* m_checkUpdateSize;
  QPushButton* m_buttonSwap;
  QPushButton* m_buttonSaveChanges;
  QPushButton* m_buttonRevert;
  QPushButton* m_buttonCopy;
  QPushButton* m_buttonSaveMetadata;
  QPushButton* m_buttonInject;
  QPushButton* m_buttonDirectInject;

  QGroupBox* m_groupScanner;
  QPushButton* m_buttonScanMetadata;
  QPushButton* m_buttonClearScanner;
  QPushButton* m_buttonUpdateItem;
  QPushButton* m_checkDependencies;
  QPushButton* m_checkReflexives;
  QPushButton* m_checkFloats;
  QPushButton* m_checkShorts;
  QPushButton* m_checkLoneIDs;
  SortedComboBox* m_comboScanTag;
  SortedComboBox* m_comboScanClass;
  QLineEdit* m_editScanValue;
  QtTreeView* m_treeScanResults;

  QTabWidget* m_tabsTag;
  FieldsView* m_fields;
  QTreeWidget* m_treeReferences;
  QToolButton* m_buttonBack;
  QToolButton* m_buttonForward;

  // Bound values.
  std::string m_strCaption;
  std::string m_strFilename;
  std::string m_strIdentifier;
  std::string m_strMetaOffset;
  std::string m_strStringOffset;
  std::string m_strPageOffset;
  std::int32_t m_nSize = 0;
  std::string m_strClass1;
  std::string m_strClass2;
  std::string m_strClass3;
  bool m_bUpdateSize = false;
  bool m_bDependencies = true;
  bool m_bReflexives = true;
  bool m_bFloats = false;
  bool m_bShorts = false;
  bool m_bLoneIDs = true;
  std::string m_strScanTagChoice;
  std::string m_strScanClassChoice;
  float m_fScanValue = 0.01f;

  // Whether the scanner tag choice list holds the map's tags.
  bool m_bTagListFilled = false;

  // The Meta Scanner's records: the last scan's results (each line of the
  // results tree keeps its record's index) and the current item. The check
  // boxes' values are copied into its options before each scan.
  jov::ScannerPanel m_scanner;

 private:
  QWidget* BuildTagInfo();
  QWidget* BuildScanner();
  QWidget* BuildTagViews();
  void FillReferences(std::optional<int> tag);
  // Selects tag without recording a jump.
  void SelectTag(int tag);
  void UpdateTrailButtons();
  void RestoreTreePlace(const Place& place);

  jov::CMapFile& m_map;
  int m_nShortsRange;
  MapPanel* m_pDirectInjectSource = nullptr;
  std::unique_ptr<jov::ReferenceIndex> m_references;
  // The tags jumped between, and where Back and Forward stand in them.
  std::vector<int> m_trail;
  int m_trailAt = -1;
};
