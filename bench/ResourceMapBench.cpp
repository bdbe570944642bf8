// Reading an external tag's metadata from a CE bitmaps.map of about 100 MB:
// the resource map opened (header, entries, paths checked) and one tag entry
// read. Target: at most 5 ms.
#include <benchmark/benchmark.h>

#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "map/ResourceMap.h"
#include "support/TempDir.h"

namespace {

struct BigBitmaps {
  BigBitmaps() {
    // 10,000 tags of about 68 KB each: some 1,500 bitmap tags kept in bitmaps.map.
    const jov::RealSampleMap sample = jov::GenerateRealSampleMap(jov::kVersionCe, 10000, 1, 68000);
    path = dir.Write("bitmaps.map", sample.resources.at("bitmaps.map"));
    for (std::size_t i = 0; i < sample.truth.size(); ++i)
      if (sample.truth[i].resourceFile == "bitmaps.map") entry = sample.truth[i].resourceIndex;  // the last one
    bytes = sample.resources.at("bitmaps.map").size();
  }
  jov::testing::TempDir dir;
  std::string path;
  std::size_t entry = 0;
  std::size_t bytes = 0;
};

const BigBitmaps& Bitmaps() {
  static const BigBitmaps big;
  return big;
}

void BM_ReadExternalTagFromBitmapsMap(benchmark::State& state) {
  const BigBitmaps& big = Bitmaps();
  state.counters["file_MB"] = static_cast<double>(big.bytes) / 1e6;
  for (auto _ : state) {
    jov::ResourceMapFile file;
    file.Open(big.path, "bitmaps.map");
    const std::vector<unsigned char> meta = file.ReadEntry(big.entry);
    if (meta.empty()) state.SkipWithError("the entry is empty");
    benchmark::DoNotOptimize(meta.data());
  }
}

}  // namespace

BENCHMARK(BM_ReadExternalTagFromBitmapsMap)->Unit(benchmark::kMillisecond);
