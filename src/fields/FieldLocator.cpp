#include "fields/FieldLocator.h"

#include "map/MapFile.h"

namespace jov {

std::string FieldLocator::PathAt(int tag, std::uint32_t offset) {
  auto found = m_trees.find(tag);
  if (found == m_trees.end()) {
    const ClassDef* def = m_definitions.Find(m_map.m_tags.at(static_cast<std::size_t>(tag)).strClass1);
    if (!def) return "";
    found = m_trees.emplace(tag, BuildFieldTree(m_map, tag, def)).first;
  }
  // The deepest field holding the offset: an entry's field rather than its
  // block, a value rather than the entry around it.
  const FieldNode* best = nullptr;
  for (const FieldNode& node : found->second.nodes) {
    if (node.entry || !node.def || node.size == 0) continue;
    if (offset < node.offset || offset >= std::uint64_t{node.offset} + node.size) continue;
    if (!best || node.depth >= best->depth) best = &node;
  }
  return best ? best->path : "";
}

}  // namespace jov
