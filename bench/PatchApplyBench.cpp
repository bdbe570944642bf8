// Applying patches of many ranges: 1,200 to 16,000 changed words spread over
// 400 tags, and a patch file of about 64 MB (just under the 64 MiB a patch file
// may hold) read and applied. Each patch is planned and applied by the map's
// document into a history of its own, as `jov-cli patch apply` does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

#include "compare/Patch.h"
#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/RecordedDialogs.h"
#include "support/TempDir.h"

namespace jov {
namespace {

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

// The generated map with every byte of some stretches of metadata flipped:
// in each tag from the third on (the scenario, the structure BSP and the last
// tag aside), `runs` runs of `run` bytes, `gap` unchanged bytes apart.
std::vector<unsigned char> Flipped(const SampleMapPlan& plan, std::uint32_t runs, std::uint32_t run, std::uint32_t gap) {
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  const SampleLayout layout = LayoutOf(plan);
  for (std::size_t t = 2; t + 1 < plan.tags.size(); ++t)
    for (std::uint32_t r = 0; r < runs && (r + 1) * (run + gap) <= plan.tags[t].meta.size(); ++r)
      for (std::uint32_t i = 0; i < run; ++i) bytes[layout.metaOffsets[t] + r * (run + gap) + gap + i] ^= 0x5A;
  return bytes;
}

struct PatchPair {
  PatchPair(const SampleMapPlan& plan, std::uint32_t runs, std::uint32_t run, std::uint32_t gap) {
    original = WriteSampleMap(plan);
    originalPath = dir.Write("original.map", original);
    const std::string modifiedPath = dir.Write("modified.map", Flipped(plan, runs, run, gap));
    OpenedFile a(originalPath), b(modifiedPath);
    const Patch patch = CreatePatch(a.map, b.map, "bench", "");
    patchPath = dir.File("bench.patch");
    WritePatchFile(patchPath, patch);
    for (const TagDifference& tag : patch.tags) ranges += tag.ranges.size();
  }
  testing::TempDir dir;
  std::vector<unsigned char> original;
  std::string originalPath, patchPath;
  std::size_t ranges = 0;
};

// The patch file read, planned and applied to a fresh copy of the original.
void ApplyFile(benchmark::State& state, const PatchPair& pair) {
  const std::string path = pair.dir.File("target.map");
  for (auto _ : state) {
    state.PauseTiming();
    WriteBytesToFile(path, pair.original);
    auto history = std::make_shared<History>(pair.dir.File("history.db"));
    state.ResumeTiming();
    const Patch patch = ReadPatchFile(pair.patchPath);
    OpenedFile target(path);
    testing::RecordedDialogs dialogs;
    MapDocument document(path, history);
    if (ApplyPatch(target.map, patch, dialogs, &document).outcome != ApplyOutcome::Applied) state.SkipWithError("not applied");
    state.PauseTiming();
    history.reset();
    std::remove(pair.dir.File("history.db").c_str());
    state.ResumeTiming();
  }
  state.counters["ranges"] = static_cast<double>(pair.ranges);
}

// 400 tags of 2,000 to 6,000 bytes; 4-byte runs 44 bytes apart, state.range(0) / 400 a tag.
void BM_PatchApply_Ranges(benchmark::State& state) {
  static std::map<std::int64_t, std::unique_ptr<PatchPair>> pairs;
  auto& pair = pairs[state.range(0)];
  if (!pair) {
    const auto runs = static_cast<std::uint32_t>(state.range(0) / 400);
    pair = std::make_unique<PatchPair>(GenerateSampleMap(kVersionPc, 403, 5, 4000), runs, 4, 40);
  }
  ApplyFile(state, *pair);
}
BENCHMARK(BM_PatchApply_Ranges)->Arg(1200)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

// 3,100 tags of about 5,000 bytes, 252 of every 256 bytes changed: a patch file
// of about 64 MB, read whole, parsed, verified and applied.
void BM_PatchApply_LargeFile(benchmark::State& state) {
  static const PatchPair pair(GenerateSampleMap(kVersionPc, 3100, 7, 5000), 1000, 252, 4);
  ApplyFile(state, pair);
  BinaryFile file;
  file.Open(pair.patchPath, BinaryFile::Mode::ReadOnly, pair.patchPath);
  state.counters["patch MB"] = static_cast<double>(file.Length()) / 1e6;
}
BENCHMARK(BM_PatchApply_LargeFile)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace jov
