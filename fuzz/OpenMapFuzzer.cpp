// Opening a map made of the fuzzer's bytes and listing it as a panel does: the
// tag tree, the scanner's tag list, the Offset Swap list and the Map Info fields.
// A map that cannot be read must end in a file error with the panel closed and
// its tree empty; one that can must list every tag of its index exactly once.
// The map check runs over the same bytes, opened or not: it reads nothing past
// their end (the sanitizers watch) and its counts add up.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "check/MapCheck.h"
#include "map/MapInfoFields.h"
#include "platform/MemoryTreeView.h"
#include "scanner/ScanTagList.h"
#include "transfer/TagRecordEdit.h"

using namespace jov;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::ScratchFile("open.map");
  const CheckReport report = CheckMapBytes({data, size});
  fuzz::Check(report.errors + report.warnings + report.notes == static_cast<int>(report.findings.size()),
              "the check's counts add up");
  fuzz::Check(size >= 0x800 || report.errors > 0, "a file shorter than the header is an error");

  if (!fuzz::WriteMapFile(path, data, size)) return 0;

  MemoryTreeView tree;
  CMapFile map;
  try {
    map.OpenPath(tree, path);
  } catch (const FileError&) {
    fuzz::Check(!map.m_bOpen, "a map that failed to open stays closed");
    fuzz::Check(tree.Children(kTreeRoot).empty(), "a map that failed to open leaves the tree empty");
    return 0;
  }
  fuzz::Check(map.m_bOpen, "an opened map is open");
  fuzz::Check(map.m_tags.size() == map.m_nTagCount, "one record per index entry");

  // Every tag has its own line, found again from that line.
  std::size_t lines = 0;
  for (const TreeItem group : tree.Children(kTreeRoot)) lines += tree.Children(group).size();
  fuzz::Check(lines == map.m_nTagCount, "every tag is listed once");
  for (int n = 0; n < map.m_nTagCount; ++n) {
    const auto found = map.FindTagByTreeItem(map.m_tags[static_cast<std::size_t>(n)].hTreeItem);
    fuzz::Check(found && *found == n, "a tag's line leads back to its record");
    fuzz::Check(tree.Text(map.m_tags[static_cast<std::size_t>(n)].hTreeItem) == map.GetTagName(n),
                "a tag's line shows its name");
  }

  fuzz::Check(!tree.Dump().empty(), "the tree lists the class groups");
  fuzz::Check(FillTagList(map).size() == std::size_t{map.m_nTagCount} + 1, "the tag list has every tag and the nulled-out line");
  fuzz::Check(BuildOffsetSwapList(map).size() == map.m_nTagCount, "the Offset Swap list has every tag");
  const MapInfoValues values = MapInfoValuesOf(map);
  const MapInfoTexts texts = MapInfoTextsOf(values);
  MapInfoValues readBack;
  // The Map Info fields as shown read back without a complaint.
  fuzz::Check(ReadMapInfoTexts(texts, readBack).ok, "the Map Info fields of a map read back");
  fuzz::Check(MapInfoTextsOf(readBack) == texts, "the Map Info fields read back to what they showed");


  map.Close(tree);
  fuzz::Check(!map.m_bOpen && tree.Children(kTreeRoot).empty(), "closing empties the tree");
  return 0;
}
