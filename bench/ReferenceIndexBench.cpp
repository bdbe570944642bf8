// The whole-map reference index, built once per open: a 4,000-tag map of about
// 20 MB (5,000 metadata bytes a tag, full of dependencies and identifiers) in at
// most 200 ms.
#include <benchmark/benchmark.h>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "scanner/ReferenceIndex.h"
#include "support/TestMap.h"

namespace {

void BM_ReferenceIndex4000Tags(benchmark::State& state) {
  static jov::testing::TestMap test(jov::GenerateSampleMap(jov::kVersionPc, 4000, 11, 5000));
  if (!test.map.m_bOpen) test.Open();
  std::size_t references = 0;
  for (auto _ : state) {
    const jov::ReferenceIndex index(test.map);
    references = index.Count();
    benchmark::DoNotOptimize(references);
  }
  state.counters["references"] = static_cast<double>(references);
  state.counters["MB"] = static_cast<double>(test.map.File().Length()) / 1e6;
}
BENCHMARK(BM_ReferenceIndex4000Tags)->Unit(benchmark::kMillisecond);

}  // namespace
