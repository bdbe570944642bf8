#include "scanner/ScannerPanel.h"

#include "scanner/ScanSelectResult.h"
#include "scanner/ScanUpdateItem.h"

namespace jov {

ScannerPanel::ScannerPanel(int panel) {
  m_options.nShortsLimit = panel == 2 ? kShortsLimitPanel2 : kShortsLimitPanel1;
}

const ScanResult& ScannerPanel::Scan(CMapFile& map, int tag, float step) {
  ScanOptions options = m_options;
  options.fStep = step;
  m_results = ScanMetadata(map, tag, options);
  return m_results;
}

ScanBoxes ScannerPanel::Select(const CMapFile& map, std::size_t record, const ScanBoxes& boxes) {
  if (record >= m_results.items.size()) return boxes;
  m_current = m_results.items[record];
  return ScanSelectResult(map, m_current, boxes);
}

ScanBoxes ScannerPanel::Update(CMapFile& map, int tag, const ScanBoxes& boxes, UserDialogs& dialogs) {
  const ScanBoxes after = ScanUpdateItem(map, tag, m_current, boxes, dialogs);
  Scan(map, tag, after.fValue);
  return after;
}

void ScannerPanel::Clear() { m_results = ScanResult(); }

void ScannerPanel::TagChanged() {
  Clear();
  m_current = ScanItem();
}

std::uint32_t ResultsColor(std::uint32_t draw) {
  static constexpr std::uint32_t kColors[] = {kResultsBlue, kResultsGreen, kResultsRed};
  return kColors[draw % 3];
}

void ScanClearResults(TreeView& tree) {
  tree.SetBackgroundColor(kResultsBlack);
  tree.DeleteAllItems();
}

}  // namespace jov
