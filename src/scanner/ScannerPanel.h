#pragma once
#include <cstddef>
#include <cstdint>

#include "map/MapFile.h"
#include "platform/TreeView.h"
#include "platform/UserDialogs.h"
#include "scanner/ScanBoxes.h"
#include "scanner/ScanMetadata.h"

// One panel's Meta Scanner state, shared by the editor and jov-cli: the check
// boxes and shorts limit, the last scan's results and the current item (the copy
// of the result selected last, which "Update Item" edits through).
namespace jov {

class ScannerPanel {
 public:
  // panel 1 scans shorts 1 to 4, panel 2 shorts 1 to 15.
  explicit ScannerPanel(int panel);

  ScanOptions& Options() { return m_options; }
  const ScanOptions& Options() const { return m_options; }
  const ScanResult& Results() const { return m_results; }
  const ScanItem& Current() const { return m_current; }

  // "Scan Metadata" on tag with the scanner value as the float step.
  const ScanResult& Scan(CMapFile& map, int tag, float step);
  // A line of the results tree selected: its record (an index into
  // Results().items) becomes the current item, and the boxes show it. An index
  // that names no record of the last scan changes nothing.
  ScanBoxes Select(const CMapFile& map, std::size_t record, const ScanBoxes& boxes);
  // "Update Item" on tag, then the rescan with the boxes' value as its step.
  // Refused propagates with nothing written and the results unchanged.
  ScanBoxes Update(CMapFile& map, int tag, const ScanBoxes& boxes, UserDialogs& dialogs);
  // "Clear Scanner": the lines are gone, so are their records.
  void Clear();
  // The selected tag changed (or the map closed): the results are cleared and
  // the current item emptied, so "Update Item" never puts an old result's piece
  // into another tag.
  void TagChanged();

 private:
  ScanOptions m_options;
  ScanResult m_results;
  ScanItem m_current;
};

// The results tree's colours, as the platform's colour word (red in the low
// byte): black when cleared, then one of blue, green or red for each scan.
inline constexpr std::uint32_t kResultsBlack = 0x000000;
inline constexpr std::uint32_t kResultsBlue = 0xFF0000;
inline constexpr std::uint32_t kResultsGreen = 0x00FF00;
inline constexpr std::uint32_t kResultsRed = 0x0000FF;
// Blue, green or red from a random draw, each a third of the draws.
std::uint32_t ResultsColor(std::uint32_t draw);

// "Clear Scanner" on the tree: black and empty.
void ScanClearResults(TreeView& tree);

}  // namespace jov
