// The map check and the CRC32. Targets: check of a 65,535-tag map in at most
// 50 ms (and of a 4,000-tag map, as the editor runs it at every open, in at most
// 20 ms); CRC32 of a 100 MB map in at most 150 ms; decompressing a 100 MB Xbox
// map in at most 1 s.
#include <benchmark/benchmark.h>

#include <map>

#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "check/XboxCompression.h"
#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/TempDir.h"

namespace {

jov::testing::TempDir& Dir() {
  static jov::testing::TempDir dir;
  return dir;
}

const std::string& TagsMap(int tags) {
  static std::map<int, std::string> paths;
  auto& path = paths[tags];
  if (path.empty()) {
    path = Dir().File("tags" + std::to_string(tags) + ".map");
    jov::WriteBytesToFile(path, jov::WriteSampleMap(jov::GenerateSampleMap(jov::kVersionPc, tags, 1, 64)));
  }
  return path;
}

// A sound map of about 100 MB: a few hundred tags and one large structure BSP
// whose bytes compress about as well as map data does (runs, small values, noise).
jov::SampleMapPlan LargePlan(std::uint16_t version) {
  jov::SampleMapPlan plan = jov::GenerateSampleMap(version, 400, 2, 1024);
  std::vector<unsigned char>& bsp = plan.bsps[0];
  bsp.resize(100u << 20);
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < bsp.size(); i += 4) {
    x = x * 1103515245u + 12345u;
    const std::uint32_t kind = (x >> 16) % 4;
    const std::uint32_t value = kind == 0 ? 0 : kind == 1 ? (x >> 8) % 256 : kind == 2 ? 0x3F800000u : x;
    for (int b = 0; b < 4 && i + static_cast<std::size_t>(b) < bsp.size(); ++b) bsp[i + static_cast<std::size_t>(b)] = static_cast<unsigned char>(value >> (8 * b));
  }
  plan.indexOffset = 0x800 + static_cast<std::uint32_t>(bsp.size() + plan.modelData.size());
  plan.magic = (version == jov::kVersionXbox ? 0x803A6000u : 0x40440000u) - plan.indexOffset;
  return plan;
}

void BM_CheckMap(benchmark::State& state) {
  const int tags = static_cast<int>(state.range(0));
  const std::string& path = TagsMap(tags);
  for (auto _ : state) {
    const jov::CheckReport report = jov::CheckMapFile(path);
    if (report.errors + report.warnings > 0) state.SkipWithError("the sample map is not sound");
    benchmark::DoNotOptimize(report.findings.data());
  }
  state.SetItemsProcessed(state.iterations() * tags);
}

void BM_Crc32Of100MbMap(benchmark::State& state) {
  const std::string path = Dir().File("large.map");
  jov::WriteBytesToFile(path, jov::WriteSampleMap(LargePlan(jov::kVersionPc)));
  jov::MemoryTreeView tree;
  jov::CMapFile map;
  map.OpenPath(tree, path);
  for (auto _ : state) {
    const jov::CrcValues values = jov::MapCrcValues(map);
    if (values.stored != values.computed) state.SkipWithError("the CRC32 does not match");
    benchmark::DoNotOptimize(values);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(map.File().Length()));
}

void BM_Decompress100MbXboxMap(benchmark::State& state) {
  const std::string plain = Dir().File("large-xbox.map");
  const std::string packed = Dir().File("large-xbox-packed.map");
  const std::string out = Dir().File("large-xbox-out.map");
  const std::vector<unsigned char> bytes = jov::WriteSampleMap(LargePlan(jov::kVersionXbox));
  jov::WriteBytesToFile(plain, bytes);
  jov::CompressXboxMap(plain, packed);
  for (auto _ : state) jov::DecompressXboxMap(packed, out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK(BM_CheckMap)->ArgNames({"tags"})->Arg(4000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Of100MbMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress100MbXboxMap)->Unit(benchmark::kMillisecond)->Iterations(3);
