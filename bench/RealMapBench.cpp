// A CE map laid out as the game's tools write it, of 10,000 tags and about
// 300 MB, with two structure BSPs and some 3,000 tags kept in resource maps.
// Targets: open (index, picture of every tag's extent, tag tree) at most 50 ms;
// the check (which reads the whole file and its CRC32) at most 200 ms.
#include <benchmark/benchmark.h>

#include "check/MapCheck.h"
#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/TempDir.h"

namespace {

struct BigRealMap {
  BigRealMap() {
    const jov::RealSampleMap sample = jov::GenerateRealSampleMap(jov::kVersionCe, 10000, 7, 42000);
    path = dir.Write("big.map", sample.map);
    for (const auto& [name, bytes] : sample.resources) dir.Write(name, bytes);
    for (const auto& truth : sample.truth) external += truth.home == jov::RealTagTruth::Home::External;
    megabytes = static_cast<double>(sample.map.size()) / 1e6;
  }
  jov::testing::TempDir dir;
  std::string path;
  int external = 0;
  double megabytes = 0;
};

const BigRealMap& Big() {
  static const BigRealMap big;
  return big;
}

void BM_OpenRealCeMap(benchmark::State& state) {
  const BigRealMap& big = Big();
  state.counters["file_MB"] = big.megabytes;
  state.counters["external_tags"] = big.external;
  for (auto _ : state) {
    jov::MemoryTreeView tree;
    jov::CMapFile map;
    map.OpenPath(tree, big.path);
    benchmark::DoNotOptimize(map.m_tags.back().nSize);
  }
}
BENCHMARK(BM_OpenRealCeMap)->Unit(benchmark::kMillisecond);

void BM_CheckRealCeMap(benchmark::State& state) {
  const BigRealMap& big = Big();
  state.counters["file_MB"] = big.megabytes;
  for (auto _ : state) {
    const jov::CheckReport report = jov::CheckMapFile(big.path);
    if (report.errors != 0) state.SkipWithError("the map has errors");
    benchmark::DoNotOptimize(report.findings.size());
  }
}
BENCHMARK(BM_CheckRealCeMap)->Unit(benchmark::kMillisecond);

}  // namespace
