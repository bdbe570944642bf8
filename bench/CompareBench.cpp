// Comparing two 4,000-tag maps holding 20 MB of metadata (one laid out otherwise),
// and applying a patch of 1,000 changes to the original and to another layout.
#include <benchmark/benchmark.h>

#include <memory>

#include "compare/CompareMaps.h"
#include "compare/Patch.h"
#include "history/History.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/ModifiedMap.h"
#include "support/RecordedDialogs.h"
#include "support/TempDir.h"

namespace jov {
namespace {

constexpr int kTags = 4000;
constexpr std::uint32_t kMetaPerTag = 5000;  // about 20 MB in all

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

struct Maps {
  Maps() {
    const SampleMapPlan plan = GenerateSampleMap(kVersionPc, kTags, 11, kMetaPerTag);
    original = WriteSampleMap(plan);
    modified = testing::ModifyMap(plan, {1000, 2, true, 0, 11});
    relaid = WriteSampleMap(GenerateSampleMap(kVersionPc, kTags, 11, kMetaPerTag, 1));
    originalPath = dir.Write("original.map", original);
    modifiedPath = dir.Write("modified.map", modified);
    relaidPath = dir.Write("relaid.map", relaid);
    OpenedFile a(originalPath), b(modifiedPath);
    patch = CreatePatch(a.map, b.map, "bench", "");
  }
  testing::TempDir dir;
  std::vector<unsigned char> original, modified, relaid;
  std::string originalPath, modifiedPath, relaidPath;
  Patch patch;
};

Maps& TheMaps() {
  static Maps maps;
  return maps;
}

void BM_CompareMaps_OtherLayout(benchmark::State& state) {
  Maps& maps = TheMaps();
  OpenedFile a(maps.modifiedPath), b(maps.relaidPath);
  for (auto _ : state) benchmark::DoNotOptimize(CompareMaps(a.map, b.map));
  state.counters["MB"] = static_cast<double>(maps.original.size()) / 1e6;
}
BENCHMARK(BM_CompareMaps_OtherLayout)->Unit(benchmark::kMillisecond);

// A whole `diff`: both maps opened, then compared.
void BM_Diff_OpenAndCompare(benchmark::State& state) {
  Maps& maps = TheMaps();
  for (auto _ : state) {
    OpenedFile a(maps.modifiedPath), b(maps.relaidPath);
    benchmark::DoNotOptimize(CompareMaps(a.map, b.map));
  }
}
BENCHMARK(BM_Diff_OpenAndCompare)->Unit(benchmark::kMillisecond);

void ApplyTo(benchmark::State& state, const std::vector<unsigned char>& bytes) {
  Maps& maps = TheMaps();
  const std::string path = maps.dir.File("target.map");
  for (auto _ : state) {
    state.PauseTiming();
    WriteBytesToFile(path, bytes);
    state.ResumeTiming();
    OpenedFile target(path);
    testing::RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    MapDocument document(path, History::OfUser());
    if (ApplyPatch(target.map, maps.patch, dialogs, &document).outcome != ApplyOutcome::Applied) state.SkipWithError("not applied");
  }
  state.counters["changes"] = static_cast<double>(maps.patch.tags.size());
}

void BM_PatchApply_Original(benchmark::State& state) { ApplyTo(state, TheMaps().original); }
BENCHMARK(BM_PatchApply_Original)->Unit(benchmark::kMillisecond);

void BM_PatchApply_OtherLayout(benchmark::State& state) { ApplyTo(state, TheMaps().relaid); }
BENCHMARK(BM_PatchApply_OtherLayout)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jov
