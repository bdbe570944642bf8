// Opening a map: header, tag index and names read, and the tag tree filled.
// Target: a 4,000-tag map in at most 5 ms.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/TempDir.h"

namespace {

// One map file per (version, tag count), written once and kept for the run.
const std::string& SampleMapPath(std::uint16_t version, int tags) {
  static jov::testing::TempDir dir;
  static std::map<std::pair<int, int>, std::string> paths;
  auto& path = paths[{version, tags}];
  if (path.empty()) {
    path = dir.File("v" + std::to_string(version) + "_" + std::to_string(tags) + ".map");
    jov::WriteBytesToFile(path, jov::WriteSampleMap(jov::GenerateSampleMap(version, tags, 1, 64)));
  }
  return path;
}

void BM_OpenMapIntoMemoryTree(benchmark::State& state) {
  const auto version = static_cast<std::uint16_t>(state.range(0));
  const int tags = static_cast<int>(state.range(1));
  const std::string& path = SampleMapPath(version, tags);
  for (auto _ : state) {
    jov::MemoryTreeView tree;
    jov::CMapFile map;
    map.OpenPath(tree, path);
    if (map.m_nTagCount != tags) state.SkipWithError("the map did not open whole");
    benchmark::DoNotOptimize(map.m_tags.data());
  }
  state.SetItemsProcessed(state.iterations() * tags);
}

}  // namespace

BENCHMARK(BM_OpenMapIntoMemoryTree)
    ->ArgNames({"version", "tags"})
    ->Args({7, 4000})
    ->Args({5, 4000})
    ->Args({609, 4000})
    ->Args({7, 65535})
    ->Unit(benchmark::kMillisecond);
