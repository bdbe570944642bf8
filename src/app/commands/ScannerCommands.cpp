// The Meta Scanner's commands. The scanner's records and its current item live
// in the panel's jov::ScannerPanel; each line of the results tree keeps the
// index of its record.
#include <QLocale>
#include <cstdlib>

#include "CHexEditDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "fields/FieldTree.h"
#include "history/StepLabel.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"
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

// The Fields view's tree when it shows tag (it follows the selection).
const jov::FieldTree* FieldsOf(const MapPanel& panel, int tag) {
  const jov::FieldTree& tree = panel.ShownFields();
  return tree.tag == tag ? &tree : nullptr;
}

// The lines of a scan, in the order the core gives (alphabetical), in a fresh
// colour; a line whose bytes a definition covers names the field
// ("Float -- 0x000338 -- ready_time").
void ShowResults(MapPanel& panel, const jov::ScanResult& result, int tag) {
  panel.SetResultsColor(NextResultsColor());
  const jov::FieldTree* fields = FieldsOf(panel, tag);
  std::vector<MapPanel::ScanLine> lines;
  lines.reserve(result.order.size());
  for (const std::size_t record : result.order) {
    const std::string field = FieldOf(fields, result.items[record]);
    lines.push_back({result.items[record].strLabel + (field.empty() ? std::string() : " -- " + field), record});
  }
  panel.ShowScanLines(lines);
}

}  // namespace

namespace commands {

namespace {

// Scans the selected tag with the values the panel holds and shows the lines;
// without a tag the results are emptied in a new colour. The tag scanned.
std::optional<int> ScanSelected(MapPanel& panel) {
  panel.ClearScanResults();
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) {
    panel.SetResultsColor(NextResultsColor());
    return tag;
  }
  panel.TakeScanOptions();
  ShowResults(panel, panel.Scanner().Scan(panel.Map(), *tag, panel.ScanChoices().fValue), *tag);
  return tag;
}

}  // namespace

void Rescan(MapPanel& panel) { ScanSelected(panel); }

void ScanMetadata(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  if (!ScanSelected(panel)) return;
  const jov::ScanResult& result = panel.Scanner().Results();
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  context.ShowCommandStatus(OnMap(panel, QStringLiteral("Scan Metadata: %1 lines")
                                             .arg(QLocale(QLocale::English)
                                                      .toString(static_cast<qulonglong>(result.order.size())))));
  // A refused float step: the other kinds are listed all the same.
  if (!result.message.empty()) context.Dialogs().ShowMessage(result.message);
}

void ClearScanner(CommandContext&, MapPanel& panel) { panel.ClearScanResults(); }

void UpdateItem(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  CommandContext::RequireWritable(panel);
  panel.TakeScanOptions();
  const jov::ScanItem updated = panel.Scanner().Current();
  // Writes the piece and scans the tag again with the scanner value as it then
  // stands; a refusal leaves the map, the boxes and the lines as they were.
  jov::ScanBoxes boxes = panel.ScanChoices();
  context.ApplyPlanned(panel, jov::StepLabel("Update Item", panel.Map(), *tag), [&](jov::UserDialogs& dialogs) {
    boxes = panel.Scanner().Update(panel.Map(), *tag, boxes, dialogs);
  });
  panel.SetScanChoices(boxes);
  context.LoadControls();

  const jov::ScanResult& result = panel.Scanner().Results();
  ShowResults(panel, result, *tag);
  panel.EmptyTagChoiceList();
  panel.FillTagChoiceList();
  if (!result.message.empty()) context.Dialogs().ShowMessage(result.message);
  if (updated.chKind == 0) {
    context.ShowCommandStatus(
        OnMap(panel, QStringLiteral("Update Item: no result selected; the metadata was written back unchanged")));
  } else {
    const auto [first, count] = UpdatedSpan(updated);
    context.ShowCommandStatus(OnMap(panel, QStringLiteral("Update Item: %1 bytes at 0x%2")
                                               .arg(count)
                                               .arg(static_cast<qulonglong>(panel.Map().MetaOffset(*tag)) +
                                                        static_cast<qulonglong>(first),
                                                    0, 16)));
  }
}

void ScanResultSelected(CommandContext& context, MapPanel& panel) {
  // No line selected names no result: the current item stays.
  if (!panel.HasResultSelection()) return;
  if (!context.SaveControls()) {
    // The boxes still show the result selected before: so does the tree.
    panel.RestoreResultSelection();
    return;
  }
  panel.AcceptResultSelection();
  const std::optional<std::size_t> record = panel.SelectedResult();
  if (!record) return;
  panel.SetScanChoices(panel.Scanner().Select(panel.Map(), *record, panel.ScanChoices()));
  context.LoadControls();
}

void ScanResultActivated(CommandContext& context, MapPanel& panel) {
  const std::optional<std::size_t> record = panel.SelectedResult();
  if (!record) return;
  const auto& items = panel.Scanner().Results().items;
  if (*record >= items.size()) return;
  const jov::ScanItem& item = items[*record];
  if (item.chKind == jov::kKindDependency || item.chKind == jov::kKindLoneId) {
    if (item.nTagIndex < 0 || item.nTagIndex >= panel.Map().m_nTagCount) return;
    panel.GoToTag(item.nTagIndex);
  } else if (item.chKind == jov::kKindReflexive) {
    const std::optional<int> tag = panel.SelectedTag();
    if (!tag) return;
    const int i = *tag;
    CHexEditDlg dialog(jov::HexEditorText(panel.Map(), i), TagHexSave(context, panel, i), context.Runner(),
                       context.DialogParent());
    dialog.setWindowTitle(ToolTitle(QStringLiteral("Hex Editor"), panel, i));
    // The line's pointer addresses a byte of this tag's metadata: three
    // characters a byte in the editor's text ("xx ").
    dialog.ShowOffset(item.nTargetOffset);
    context.RunModal(dialog);
  }
}

}  // namespace commands
