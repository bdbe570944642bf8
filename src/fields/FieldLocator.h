#pragma once
#include <cstdint>
#include <string>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"

namespace jov {

class CMapFile;

// Names the field an offset of a tag's metadata falls in
// ("triggers[0].projectile"), where a definition covers it. The last tag's
// field tree is kept: references come grouped by the referring tag, and one
// tree of a large tag may take tens of megabytes.
class FieldLocator {
 public:
  FieldLocator(CMapFile& map, const DefinitionSet& definitions) : m_map(map), m_definitions(definitions) {}
  // "" when the tag's class has no definition or no field holds the offset.
  std::string PathAt(int tag, std::uint32_t offset);

 private:
  CMapFile& m_map;
  const DefinitionSet& m_definitions;
  int m_treeOf = -1;
  FieldTree m_tree;
};

}  // namespace jov
