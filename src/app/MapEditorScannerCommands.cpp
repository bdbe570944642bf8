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
#include "CommandNames.h"
#include "FieldsView.h"
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
std::pair<long, long> UpdatedSpan(const jov::ScanItem& item);

// The field a result's first byte lies in, where the tag's definition covers
// it and fits the tag (a definition larger than the tag names nothing).
std::string FieldOf(const jov::FieldTree* fields, const jov::ScanItem& item) {
  if (!fields || !fields->messages.empty()) return {};
  const long first = UpdatedSpan(item).first;
  if (first < 0) return {};
  const auto at = static_cast<std::uint32_t>(first);
  const jov::FieldNode* best = nullptr;
  for (const jov::FieldNode& node : fields->nodes)
    if (node.def && !node.entry && node.error.empty() && at >= node.offset && at < node.offset + node.size &&
        (!best || node.depth >= best->depth))
      best = &node;
  return best ? best->path : std::string();
}

// The lines of a scan; a line whose bytes a definition covers names the field
// ("Float -- 0x000338 -- ready_time").
void ShowResults(QtTreeView& tree, const jov::ScanResult& result, const jov::FieldTree* fields = nullptr) {
  tree.BeginUpdate();
  for (const std::size_t record : result.order) {
    const std::string field = FieldOf(fields, result.items[record]);
    const jov::TreeItem line = tree.InsertItem(
        jov::kTreeRoot, result.items[record].strLabel + (field.empty() ? std::string() : " -- " + field), false);
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

// The Fields view's tree when it shows tag (it follows the selection).
const jov::FieldTree* FieldsOf(MapPanel& panel, int tag) {
  const jov::FieldTree& tree = panel.m_fields->Tree();
  return tree.tag == tag ? &tree : nullptr;
}

}  // namespace

void CMapEditorDlg::Rescan(MapPanel& panel) {
  panel.ClearScanResults();
  panel.m_treeScanResults->SetBackgroundColor(NextResultsColor());
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  TakeScanOptions(panel);
  ShowResults(*panel.m_treeScanResults, panel.m_scanner.Scan(panel.Map(), *tag, panel.m_fScanValue),
              FieldsOf(panel, *tag));
}

void CMapEditorDlg::OnScanMetadata(MapPanel& panel) {
  if (!SaveControls()) return;
  panel.ClearScanResults();
  panel.m_treeScanResults->SetBackgroundColor(NextResultsColor());
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  TakeScanOptions(panel);
  const jov::ScanResult& result = panel.m_scanner.Scan(panel.Map(), *tag, panel.m_fScanValue);
  ShowResults(*panel.m_treeScanResults, result, FieldsOf(panel, *tag));
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  ShowCommandStatus(OnMap(panel, QStringLiteral("Scan Metadata: %1 lines").arg(QLocale(QLocale::English).toString(
                                     static_cast<qulonglong>(result.order.size())))));
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
  ShowResults(tree, result, FieldsOf(panel, *tag));
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  if (!result.message.empty()) m_dialogs.ShowMessage(result.message);
  if (updated.chKind == 0) {
    ShowCommandStatus(
        OnMap(panel, QStringLiteral("Update Item: no result selected; the metadata was written back unchanged")));
  } else {
    const auto [first, count] = UpdatedSpan(updated);
    ShowCommandStatus(OnMap(panel, QStringLiteral("Update Item: %1 bytes at 0x%2")
                                       .arg(count)
                                       .arg(static_cast<qulonglong>(panel.Map().MetaOffset(*tag)) +
                                                static_cast<qulonglong>(first),
                                            0, 16)));
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
    panel.GoToTag(item.nTagIndex);
  } else if (item.chKind == jov::kKindReflexive) {
    const std::optional<int> tag = panel.SelectedTag();
    if (!tag) return;
    jov::CMapFile& map = panel.Map();
    const int i = *tag;
    CHexEditDlg dialog(
        jov::HexEditorText(map, i), TagHexSave(panel, i),
        [this](const std::function<void()>& command) { RunCommand(command); }, this);
    dialog.setWindowTitle(ToolTitle(QStringLiteral("Hex Editor"), panel, i));
    // The line's pointer addresses a byte of this tag's metadata: three
    // characters a byte in the editor's text ("xx ").
    dialog.ShowOffset(item.nTargetOffset);
    RunModal(dialog);
  }
}
