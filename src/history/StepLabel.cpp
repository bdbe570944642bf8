#include "history/StepLabel.h"

#include "map/MapFile.h"

namespace jov {

std::string StepLabel(std::string_view command, const CMapFile& map, int tag) {
  std::string label(command);
  if (tag < 0 || static_cast<std::size_t>(tag) >= map.m_tags.size()) return label;
  const TagEntry& entry = map.m_tags[static_cast<std::size_t>(tag)];
  return label + " " + entry.strClass1 + ":" + entry.strName;
}

}  // namespace jov
