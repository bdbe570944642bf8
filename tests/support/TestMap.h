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

// A generated map whose tag 3 has its metadata pointer moved 1,000,001 bytes past
// tag 2's start: tag 2 reads 1,000,001 bytes long (more than the metadata work
// area holds) and tag 3, whose successor now lies before it, reads negative.
inline std::vector<unsigned char> MapWithOversizedTags(std::uint16_t version, int tags, std::uint32_t seed) {
  const SampleMapPlan plan = GenerateSampleMap(version, tags, seed);
  auto bytes = WriteSampleMap(plan);
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(bytes, layout.firstEntry + 32 * 3 + 0x14, layout.metaOffsets[2] + plan.magic + 1000001);
  // A pointer counts as tag 3's only where it lands in the tag data: the file
  // and its EoF Position reach past it.
  const std::uint32_t end = layout.metaOffsets[2] + 1000001 + 16;
  if (bytes.size() < end) bytes.resize(end);
  PutLe32(bytes, 0x08, static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

}  // namespace jov::testing
