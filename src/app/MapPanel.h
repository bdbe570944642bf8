#pragma once
#include <QGroupBox>
#include <QVariant>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scanner/ScannerPanel.h"
#include "transfer/TagRecordEdit.h"

class DataExchange;
class QAction;
class FieldHexView;
class FieldsWindow;
class FieldsView;
class QByteArray;
class QCheckBox;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QtTreeView;
class SortedComboBox;

namespace jov {
class DefinitionSet;
struct FieldTree;
class ReferenceIndex;
struct TagEntry;
class TreeView;
}  // namespace jov

// One map's panel of the main window: caption, tag tree, "Tag Information" and
// "Meta Scanner". The window holds two, "Map 1" above "Map 2"; what differs
// between them is given to the constructor (the Shorts range) or set by the
// window (the panel Direct Inject reads from). The editor's commands (under
// commands/) read and write the panel through the methods below, never through
// its controls; what starts them (a button, a tree's click, the tag tree's
// context menu) is a Trigger the window connects.
class MapPanel : public QGroupBox {
  Q_OBJECT

 public:
  MapPanel(const QString& title, int shortsRange, jov::CMapFile& map, QWidget* parent = nullptr);
  ~MapPanel() override;

  jov::CMapFile& Map() { return m_map; }
  const jov::CMapFile& Map() const { return m_map; }
  // The tag tree as the map model fills it (open, close, re-read).
  jov::TreeView& TagTree();

  // What the user does in the panel that runs one of the editor's commands.
  enum class Trigger {
    // Tag Information's buttons.
    Swap, SaveChanges, Revert, Copy, SaveMetadata, Inject, DirectInject,
    // Meta Scanner's buttons.
    ScanMetadata, ClearScanner, UpdateItem,
    // The trees: a selection made, an item double-clicked.
    TagSelected, TagActivated, ResultSelected, ResultActivated,
    // The tag tree's context menu, for the tag under the mouse (kept last).
    CopyTagName, CopyTagIdentifier, SaveTagMetadata, OpenTagInHexEditor,
  };
  // Runs run whenever trigger happens.
  void OnTrigger(Trigger trigger, std::function<void()> run);
  // The buttons that write the panel's map.
  std::vector<QPushButton*> WritingButtons() const;
  // Which buttons can run: with a map open, with a tag selected, and Direct
  // Inject also with a tag selected in its source.
  void ShowEnabled(bool open, bool tag, bool sourceTag);
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
  // The Tag Information values as the record commands read and write them.
  jov::TagRecordFields RecordFields() const;
  void SetRecordFields(const jov::TagRecordFields& fields);
  // The caption above the tree (the map's nickname).
  void SetCaption(const std::string& caption) { m_strCaption = caption; }
  // The panel as a closed map leaves it: no caption, no scan results, no tag
  // choice list, no filter, no record (values; the caller loads the controls).
  void ShowMapClosed();

  // Whether a tree line is selected (a class group too), and the selection
  // taken as the one the fields show, or put back on it.
  bool HasTagSelection() const;
  void AcceptTagSelection();
  void RestoreTagSelection();
  // Selects tag in the tree as a click would (recorded for Back like one).
  void SelectTagItem(int tag);
  // Focuses the tag filter, its text selected.
  void FocusFilter();

  // The scanner's values: the choice boxes and the value, and the record of
  // the scan and its current item, whose options the check boxes give.
  jov::ScanBoxes ScanChoices() const;
  void SetScanChoices(const jov::ScanBoxes& boxes);
  jov::ScannerPanel& Scanner() { return m_scanner; }
  const jov::ScannerPanel& Scanner() const { return m_scanner; }
  void TakeScanOptions();
  bool TagListFilled() const { return m_bTagListFilled; }
  // The results tree: its lines (each keeps the index of its record), its
  // colour, and the selected line as the tag tree's.
  struct ScanLine {
    std::string text;
    std::size_t record = 0;
  };
  void ShowScanLines(const std::vector<ScanLine>& lines);
  void SetResultsColor(std::uint32_t color);
  bool HasScanResults() const;
  bool HasResultSelection() const;
  void AcceptResultSelection();
  void RestoreResultSelection();
  std::optional<std::size_t> SelectedResult() const;

  // The Fields view: the tree it shows, how it writes an edit, the definitions.
  const jov::FieldTree& ShownFields() const;
  void SetFieldWriter(std::function<bool(const std::string& path, const QString& text)> writer);
  void SetFieldBytesShower(std::function<void(std::uint32_t offset, std::uint32_t size)> shower);
  // How the hex view below the fields writes bytes over the tag's metadata.
  void SetFieldByteWriter(std::function<bool(std::uint32_t offset, const std::vector<unsigned char>& bytes)> writer);
  void SetDefinitions(std::shared_ptr<const jov::DefinitionSet> definitions);

  // The window's layout: the columns' splitter state and the tab chain's ends.
  QByteArray ColumnsState() const;
  void RestoreColumnsState(const QByteArray& state);
  // Where the record meets the tag's tabs, and the fields their hex view.
  QVariantList TagViewsState() const;
  void RestoreTagViewsState(const QVariantList& state);
  QWidget* FirstInTabOrder() const;
  QWidget* LastInTabOrder() const;
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
  // "Fields - Map 1 (name.map): class:tag name", the undocked fields' window title.
  QString FieldsWindowTitle(std::optional<int> tag) const;

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
  // The controls the user reads and types into, open to tests that drive the
  // panel as a user does. The window and the commands go through the methods
  // above.
  QLineEdit* m_editCaption;
  QLineEdit* m_editFilter;
  QtTreeView* m_treeTags;

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
  QPushButton* m_buttonSaveMetadata;
  QPushButton* m_buttonInject;
  QPushButton* m_buttonDirectInject;

  QPushButton* m_buttonScanMetadata;
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
  FieldHexView* m_fieldHex;
  FieldsWindow* m_fieldsWindow;
  QSplitter* m_splitRecord;
  QSplitter* m_splitFields;
  QTreeWidget* m_treeReferences;

 private:
  QSplitter* m_splitColumns;
  QGroupBox* m_groupTagInfo;
  QPushButton* m_buttonRevert;
  QPushButton* m_buttonCopy;
  QGroupBox* m_groupScanner;
  QPushButton* m_buttonClearScanner;
  QToolButton* m_buttonBack;
  QToolButton* m_buttonForward;
  // The tag tree's context menu and its lines.
  QMenu* m_menuTag;
  QAction* m_actionCopyName;
  QAction* m_actionCopyIdentifier;
  QAction* m_actionSaveMetadata;
  QAction* m_actionHexEditor;

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

  QWidget* BuildTagInfo();
  QWidget* BuildScanner();
  QWidget* BuildTagViews();
  void FillReferences(std::optional<int> tag);
  // Selects tag without recording a jump.
  void SelectTag(int tag);
  void UpdateTrailButtons();
  // Records tag as the newest place in the trail (not while Back or Forward
  // select one), and moves Back or Forward by one valid entry.
  void RecordSelection(int tag);
  void StepTrail(int by);
  void RestoreTreePlace(const Place& place);

  jov::CMapFile& m_map;
  int m_nShortsRange;
  MapPanel* m_pDirectInjectSource = nullptr;
  std::unique_ptr<jov::ReferenceIndex> m_references;
  // The tags jumped between, and where Back and Forward stand in them.
  std::vector<int> m_trail;
  int m_trailAt = -1;
  bool m_navigating = false;
};
