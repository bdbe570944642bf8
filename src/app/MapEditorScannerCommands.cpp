// The Meta Scanner's commands of the main window. The scanner's records and its
// current item live in the panel's jov::ScannerPanel; each line of the results
// tree keeps the index of its record under Qt::UserRole.
#include <QTreeWidgetItem>
#include <QVariant>
#include <cstdlib>

#include <QLineEdit>
#include <QLocale>

#include "CHexEditDlg.h"
#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "history/StepLabel.h"
#include "map/ValueText.h"
#include "tools/HexEditorText.h"

namespace {

// Blue, green or red, a third each, from the generator the window seeded from
// the clock. std::rand's range does not split evenly in three, so draws from its
// uneven top end are drawn again.
std::uint32_t NextResultsColor() {
  constexpr unsigned long kSpan = static_cast<unsigned long>(RAND_MAX) + 1;
  constexpr unsigned long kLimit = kSpan - kSpan % 3;
  unsigned long draw = 0;
  do draw = static_cast<unsigned long>(std::rand());
  while (draw >= kLimit);
  return jov::ResultsColor(static_cast<std::uint32_t>(draw));
}

jov::ScanBoxes BoxesOf(const MapPanel& panel) {
  return {panel.m_strScanTagChoice, panel.m_strScanClassChoice, panel.m_fScanValue};
}

void PutBoxes(MapPanel& panel, const jov::ScanBoxes& boxes) {
  panel.m_strScanTagChoice = boxes.strTagChoice;
  panel.m_strScanClassChoice = boxes.strClassChoice;
  panel.m_fScanValue = boxes.fValue;
}

// The check boxes as the scan reads them (the shorts limit is the panel's own).
void TakeScanOptions(MapPanel& panel) {
  jov::ScanOptions& options = panel.m_scanner.Options();
  options.bDependencies = panel.m_bDependencies;
  options.bLoneIDs = panel.m_bLoneIDs;
  options.bReflexives = panel.m_bReflexives;
  options.bShorts = panel.m_bShorts;
  options.bFloats = panel.m_bFloats;
}

// A scan's lines, in the order the core gives (alphabetical). They are inserted
// in one batch and attached at its end: a tag full of shorts gives a hundred
// thousand lines, which one-by-one insertion would crawl through.
void ShowResults(QtTreeView& tree, const jov::ScanResult& result) {
  tree.BeginUpdate();
  for (const std::size_t record : result.order) {
    const jov::TreeItem line = tree.InsertItem(jov::kTreeRoot, result.items[record].strLabel, false);
    QtTreeView::ItemOf(line)->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(record));
  }
  tree.EndUpdate();
}

// The bytes "Update Item" changes for a result: the first byte and how many. A
// dependency runs from its class code to its identifier, a reflexive from its
// count to its pointer.
std::pair<long, long> UpdatedSpan(const jov::ScanItem& item) {
  const long pos = item.nPos;
  switch (item.chKind) {
    case jov::kKindDependency:
    case jov::kKindNulled:
    case jov::kKindUnknown: return {pos / 2, 16};
    case jov::kKindReflexive: return {(pos - 8) / 2, 8};
    case jov::kKindShort: return {pos / 2, 2};
    default: return {pos / 2, 4};
  }
}

}  // namespace

void CMapEditorDlg::Rescan(MapPanel& panel) {
  panel.ClearScanResults();
  panel.m_treeScanResults->SetBackgroundColor(NextResultsColor());
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  TakeScanOptions(panel);
  ShowResults(*panel.m_treeScanResults, panel.m_scanner.Scan(panel.Map(), *tag, panel.m_fScanValue));
}

void CMapEditorDlg::OnScanMetadata(MapPanel& panel) {
  if (!SaveControls()) return;
  panel.ClearScanResults();
  panel.m_treeScanResults->SetBackgroundColor(NextResultsColor());
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  TakeScanOptions(panel);
  const jov::ScanResult& result = panel.m_scanner.Scan(panel.Map(), *tag, panel.m_fScanValue);
  ShowResults(*panel.m_treeScanResults, result);
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  ShowCommandStatus(QStringLiteral("Scan Metadata: %1 lines").arg(QLocale(QLocale::English).toString(
      static_cast<qulonglong>(result.order.size()))));
  // A refused float step: the other kinds are listed all the same.
  if (!result.message.empty()) m_dialogs.ShowMessage(result.message);
}

void CMapEditorDlg::OnClearScanner(MapPanel& panel) { panel.ClearScanResults(); }

void CMapEditorDlg::OnUpdateItem(MapPanel& panel) {
  if (!SaveControls()) return;
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  RequireWritable(panel);
  TakeScanOptions(panel);
  const jov::ScanItem updated = panel.m_scanner.Current();
  // Writes the piece and scans the tag again with the scanner value as it then
  // stands; a refusal leaves the map, the boxes and the lines as they were.
  jov::ScanBoxes boxes = BoxesOf(panel);
  ApplyPlanned(panel, jov::StepLabel("Update Item", panel.Map(), *tag), [&](jov::UserDialogs& dialogs) {
    boxes = panel.m_scanner.Update(panel.Map(), *tag, boxes, dialogs);
  });
  PutBoxes(panel, boxes);
  LoadControls();

  QtTreeView& tree = *panel.m_treeScanResults;
  jov::ScanClearResults(tree);
  tree.SetBackgroundColor(NextResultsColor());
  const jov::ScanResult& result = panel.m_scanner.Results();
  ShowResults(tree, result);
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  if (!result.message.empty()) m_dialogs.ShowMessage(result.message);
  if (updated.chKind == 0) {
    ShowCommandStatus(QStringLiteral("Update Item: no result selected; the metadata was written back unchanged"));
  } else {
    const auto [first, count] = UpdatedSpan(updated);
    ShowCommandStatus(QStringLiteral("Update Item: %1 bytes at 0x%2")
                          .arg(count)
                          .arg(static_cast<qulonglong>(panel.Map().MetaOffset(*tag)) + static_cast<qulonglong>(first),
                               0, 16));
  }
}

void CMapEditorDlg::OnScanResultSelected(MapPanel& panel) {
  QtTreeView& tree = *panel.m_treeScanResults;
  // No line selected names no result: the current item stays.
  const jov::TreeItem line = tree.SelectedItem();
  if (line == jov::kTreeRoot) return;
  if (!SaveControls()) {
    // The boxes still show the result selected before: so does the tree.
    tree.RestoreAcceptedSelection();
    return;
  }
  tree.AcceptSelection();
  const QVariant record = QtTreeView::ItemOf(line)->data(0, Qt::UserRole);
  if (!record.isValid()) return;
  PutBoxes(panel, panel.m_scanner.Select(panel.Map(), static_cast<std::size_t>(record.toULongLong()), BoxesOf(panel)));
  LoadControls();
}

void CMapEditorDlg::OnScanResultActivated(MapPanel& panel) {
  const jov::TreeItem line = panel.m_treeScanResults->SelectedItem();
  if (line == jov::kTreeRoot) return;
  const QVariant record = QtTreeView::ItemOf(line)->data(0, Qt::UserRole);
  if (!record.isValid()) return;
  const auto& items = panel.m_scanner.Results().items;
  const std::size_t index = static_cast<std::size_t>(record.toULongLong());
  if (index >= items.size()) return;
  const jov::ScanItem& item = items[index];
  if (item.chKind == jov::kKindDependency || item.chKind == jov::kKindLoneId) {
    if (item.nTagIndex < 0 || item.nTagIndex >= panel.Map().m_nTagCount) return;
    const jov::TreeItem target = panel.Map().GetTagEntry(item.nTagIndex).hTreeItem;
    if (target == jov::kTreeRoot) return;
    // A filter that hides the tag is cleared first: the tag must be seen.
    if (QtTreeView::ItemOf(target)->isHidden()) panel.m_editFilter->clear();
    panel.m_treeTags->Select(target);
    panel.m_treeTags->scrollToItem(QtTreeView::ItemOf(target));
    panel.m_treeTags->setFocus(Qt::OtherFocusReason);
  } else if (item.chKind == jov::kKindReflexive) {
    const std::optional<int> tag = panel.SelectedTag();
    if (!tag) return;
    jov::CMapFile& map = panel.Map();
    const int i = *tag;
    CHexEditDlg dialog(
        jov::HexEditorText(map, i), TagHexSave(panel, i),
        [this](const std::function<void()>& command) { RunCommand(command); }, this);
    // The line's pointer addresses a byte of this tag's metadata: three
    // characters a byte in the editor's text ("xx ").
    dialog.ShowOffset(item.nTargetOffset);
    RunModal(dialog);
  }
}
