#include "fields/FieldLocator.h"

#include "map/MapFile.h"

namespace jov {

std::string FieldLocator::PathAt(int tag, std::uint32_t offset) {
  if (m_treeOf != tag) {
    m_tree = FieldTree{};
    m_treeOf = -1;
    const ClassDef* def = m_definitions.Find(m_map.m_tags.at(static_cast<std::size_t>(tag)).strClass1);
    if (def) m_tree = BuildFieldTree(m_map, tag, def);
    m_treeOf = tag;
  }
  // The deepest field holding the offset: an entry's field rather than its
  // block, a value rather than the entry around it.
  const int node = m_tree.NodeAt(offset, true);
  return node < 0 ? "" : m_tree.nodes[static_cast<std::size_t>(node)].path;
}

}  // namespace jov
