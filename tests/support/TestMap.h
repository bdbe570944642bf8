#pragma once
#include <string>
#include <vector>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/TempDir.h"

namespace jov::testing {

// A map file in a temporary folder with a model and an in-memory tag tree, as a
// panel holds them. The file is written at construction; Open() reads it.
struct TestMap {
  explicit TestMap(const std::vector<unsigned char>& bytes, const std::string& name = "test.map")
      : path(dir.Write(name, bytes)) {}
  explicit TestMap(const SampleMapPlan& plan, const std::string& name = "test.map")
      : TestMap(WriteSampleMap(plan), name) {}

  void Open() { map.OpenPath(tree, path); }
  const TagEntry& Tag(int n) const { return map.m_tags.at(static_cast<std::size_t>(n)); }

  TempDir dir;
  std::string path;
  MemoryTreeView tree;
  CMapFile map;
};

}  // namespace jov::testing
