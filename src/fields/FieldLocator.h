#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"

namespace jov {

class CMapFile;

// Names the field an offset of a tag's metadata falls in
// ("triggers[0].projectile"), where a definition covers it; each tag's field
// tree is built once, at its first question.
class FieldLocator {
 public:
  FieldLocator(CMapFile& map, const DefinitionSet& definitions) : m_map(map), m_definitions(definitions) {}
  // "" when the tag's class has no definition or no field holds the offset.
  std::string PathAt(int tag, std::uint32_t offset);

 private:
  CMapFile& m_map;
  const DefinitionSet& m_definitions;
  std::map<int, FieldTree> m_trees;
};

}  // namespace jov
