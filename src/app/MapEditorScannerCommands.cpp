// The Meta Scanner's commands of the main window. The scanner's records and its
// current item live in the panel's jov::ScannerPanel; each line of the results
// tree keeps the index of its record under Qt::UserRole.
#include <QTreeWidgetItem>
#include <QVariant>
#include <cstdlib>

#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"

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

}  // namespace

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
  // A refused float step: the other kinds are listed all the same.
  if (!result.message.empty()) m_dialogs.ShowMessage(result.message);
}

void CMapEditorDlg::OnClearScanner(MapPanel& panel) { panel.ClearScanResults(); }

void CMapEditorDlg::OnUpdateItem(MapPanel& panel) {
  if (!SaveControls()) return;
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  TakeScanOptions(panel);
  // Writes the piece and scans the tag again with the scanner value as it then
  // stands; a refusal leaves the map, the boxes and the lines as they were.
  PutBoxes(panel, panel.m_scanner.Update(panel.Map(), *tag, BoxesOf(panel), m_dialogs));
  LoadControls();

  QtTreeView& tree = *panel.m_treeScanResults;
  jov::ScanClearResults(tree);
  tree.SetBackgroundColor(NextResultsColor());
  const jov::ScanResult& result = panel.m_scanner.Results();
  ShowResults(tree, result);
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  if (!result.message.empty()) m_dialogs.ShowMessage(result.message);
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
