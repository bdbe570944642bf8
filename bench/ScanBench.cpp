// "Scan Metadata" on large tags, all five kinds with the step 0.01 (about a
// thousand float values). Targets: a 1,000,000-byte tag in at most 50 ms; at
// 64 KB the one-pass scan at least 1,000 times faster than the literal
// needle-after-needle scan it replaces (BM_LiteralScan64K reports the factor).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"
#include "support/LiteralScan.h"
#include "support/ScanMap.h"

namespace {

using jov::testing::ScanMap;

// Tag 0 holds size bytes laid out as tag data is: 16-byte slots of
// dependencies, reflexives into the tag, lone identifiers, floats, small values
// and noise. 64 further tags give the dependency and LoneID searches names.
jov::SampleMapPlan LargeTagMap(std::uint32_t size) {
  std::mt19937 rng(17);
  jov::SampleMapPlan plan;
  for (int t = 0; t < 66; ++t) {
    jov::SampleTag tag;
    tag.class1 = jov::TagClassTable::Rows()[static_cast<std::size_t>(t) % jov::TagClassTable::kSearchRows].code;
    if (tag.class1 == "sbsp") tag.class1 = "weap";
    tag.name = "tags\\bench_" + std::to_string(t);
    tag.identifier = 0xE1740000u + (static_cast<std::uint32_t>(t) << 16) + static_cast<std::uint32_t>(t);
    tag.meta.assign(t == 0 ? size : (t == 65 ? 0 : 64), 0);
    plan.tags.push_back(std::move(tag));
  }
  const std::uint32_t base = jov::LayoutOf(plan).metaOffsets[0] + plan.magic;
  auto& meta = plan.tags[0].meta;
  for (std::size_t at = 0; at + 16 <= meta.size(); at += 16) {
    const jov::SampleTag& other = plan.tags[rng() % 65];
    switch (rng() % 6) {
      case 0:
        jov::PutClassCode(meta, at, other.class1);
        jov::PutLe32(meta, at + 12, other.identifier);
        break;
      case 1:
        jov::PutLe32(meta, at, 1 + rng() % 12);
        jov::PutLe32(meta, at + 4, base + rng() % size);
        break;
      case 2: jov::PutLe32(meta, at + 4, other.identifier); break;
      case 3:
        jov::PutLe32(meta, at, jov::FloatBits(static_cast<float>(rng() % 1000) / 100.0f));
        jov::PutLe32(meta, at + 8, jov::FloatBits(static_cast<float>(rng() % 40) * 0.25f));
        break;
      case 4:
        jov::PutLe16(meta, at, static_cast<std::uint16_t>(1 + rng() % 15));
        jov::PutLe16(meta, at + 6, static_cast<std::uint16_t>(rng() % 300));
        break;
      default:
        for (std::size_t i = 0; i < 16; ++i) meta[at + i] = static_cast<unsigned char>(rng());
    }
  }
  return plan;
}

jov::ScanOptions AllKinds(int shortsLimit) {
  jov::ScanOptions options;
  options.bShorts = options.bFloats = true;
  options.fStep = 0.01f;
  options.nShortsLimit = shortsLimit;
  return options;
}

// The whole scan as the button runs it: the tag read from the file, searched,
// labelled and put in display order. Arg: the panel's shorts limit.
void BM_ScanMegabyteTag(benchmark::State& state) {
  ScanMap m(LargeTagMap(jov::kMetaBufferSize));
  const jov::ScanOptions options = AllKinds(static_cast<int>(state.range(0)));
  std::size_t results = 0;
  for (auto _ : state) {
    const jov::ScanResult result = jov::ScanMetadata(m.map, 0, options);
    results = result.items.size();
    benchmark::DoNotOptimize(result.order.data());
  }
  state.counters["results"] = static_cast<double>(results);
}
BENCHMARK(BM_ScanMegabyteTag)->Arg(jov::kShortsLimitPanel1)->Arg(jov::kShortsLimitPanel2)->Unit(benchmark::kMillisecond);

void BM_Scan64K(benchmark::State& state) {
  ScanMap m(LargeTagMap(65536));
  const jov::ScanOptions options = AllKinds(jov::kShortsLimitPanel1);
  for (auto _ : state) benchmark::DoNotOptimize(jov::ScanMetadata(m.map, 0, options).order.data());
}
BENCHMARK(BM_Scan64K)->Unit(benchmark::kMillisecond);

// One literal scan of the same 64 KB tag (several seconds), with the one-pass
// scan timed beside it in the same run: "faster" is the ratio of the two.
void BM_LiteralScan64K(benchmark::State& state) {
  ScanMap m(LargeTagMap(65536));
  const jov::ScanOptions options = AllKinds(jov::kShortsLimitPanel1);
  const std::string text = jov::ReadMetaHex(m.map, 0);
  using Clock = std::chrono::steady_clock;
  double literalSeconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const auto literal = jov::reference::LiteralScan(m.map, 0, text, options);
    literalSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(literal.lines.data());
  }
  constexpr int kFastRuns = 20;
  const auto start = Clock::now();
  for (int n = 0; n < kFastRuns; ++n) benchmark::DoNotOptimize(jov::ScanMetadata(m.map, 0, options).order.data());
  const double fastSeconds = std::chrono::duration<double>(Clock::now() - start).count() / kFastRuns;
  state.counters["faster"] = literalSeconds / static_cast<double>(state.iterations()) / fastSeconds;
}
BENCHMARK(BM_LiteralScan64K)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
