#include "scanner/ScanTagList.h"

#include "map/TagClassTable.h"

namespace jov {

std::string NulledOutLine() { return TagClassTable::NulledOutCode() + " -- " + kNulledOutName; }

std::vector<std::string> FillTagList(const CMapFile& map) {
  std::vector<std::string> lines;
  const std::size_t count = std::min<std::size_t>(map.m_nTagCount, map.m_tags.size());
  lines.reserve(count + 1);
  for (std::size_t t = 0; t < count; ++t) lines.push_back(map.m_tags[t].strClass1 + " -- " + map.m_tags[t].strName);
  lines.push_back(NulledOutLine());
  return lines;
}

}  // namespace jov
