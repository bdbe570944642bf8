// The edit history's cost: Direct Inject of a 1,000,000-byte tag with and without
// recording, the undo of that step, and the look for interrupted steps when a map
// is opened with 10,000 steps in its history.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "BigTagMaps.h"
#include "edit/MapDocument.h"
#include "map/PlanStage.h"
#include "history/History.h"
#include "support/Planned.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/RecordedDialogs.h"
#include "support/ReferencePlan.h"
#include "support/TempDir.h"
#include "transfer/DirectInjectTag.h"

namespace jov {
namespace {

using bench::kBigTag;

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

// The map pair (BigTagMaps.h) opened, and a history of its own for the run.
struct Bench {
  Bench() {
    ::setenv("JOV_STATE_DIR", state.Path().c_str(), 1);
    testing::ReopenHistory();
    src = std::make_unique<OpenedFile>(maps.source1);
    src2 = std::make_unique<OpenedFile>(maps.source2);
    dst = std::make_unique<OpenedFile>(maps.destination1);
  }
  bench::BigTagMaps maps;
  testing::TempDir state;
  std::unique_ptr<OpenedFile> src, src2, dst;
  testing::RecordedDialogs dialogs;
};

void BM_DirectInject_1MB(benchmark::State& state) {
  Bench bench;
  const bool recorded = state.range(0) != 0;
  if (!recorded) testing::TestHistory().TurnOff("not recorded");
  bool flip = false;
  for (auto _ : state) {
    CMapFile& dst = bench.dst->map;
    const EditPlan plan = PlanOf(dst, "Direct Inject", [&] {
      DirectInjectTag(dst, kBigTag, (flip ? bench.src2 : bench.src)->map, kBigTag, bench.dialogs);
    });
    testing::ApplyPlan(plan);
    dst.Reload(bench.dst->tree);
    flip = !flip;
  }
  testing::ReopenHistory();
  state.SetLabel(recorded ? "recorded" : "not recorded");
}
// The CPU column counts every thread of the process: a large before-image is
// written by a thread of its own while the command compares its bytes.
BENCHMARK(BM_DirectInject_1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Undo and redo of that step, each checking the whole million bytes first.
void BM_UndoRedo_1MB(benchmark::State& state) {
  Bench bench;
  History& history = testing::TestHistory();
  testing::ApplyPlan(PlanOf(bench.dst->map, "Direct Inject", [&] {
    DirectInjectTag(bench.dst->map, kBigTag, bench.src->map, kBigTag, bench.dialogs);
  }));
  const std::int64_t step = history.NewestDone({bench.dst->map.m_strPath})->id;
  for (auto _ : state) {
    testing::UndoStep(step);
    testing::RedoStep(step);
  }
  state.SetLabel("one undo and one redo per iteration");
}
BENCHMARK(BM_UndoRedo_1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InterruptedLookup_10000Steps(benchmark::State& state) {
  Bench bench;
  History& history = testing::TestHistory();
  ::setenv("JOV_HISTORY_LIMIT_MB", "100000", 1);
  for (int i = 0; i < 10000; ++i) {
    EditPlan plan;
    plan.label = "step " + std::to_string(i);
    plan.path = bench.dst->map.m_strPath;
    // Each step changes its bytes: the value written counts up.
    const unsigned char bytes[4] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i >> 8), 3, 4};
    plan.Write(0x900 + static_cast<std::uint64_t>(i % 64) * 4, bytes, sizeof bytes);
    testing::ApplyPlan(plan);
  }
  ::unsetenv("JOV_HISTORY_LIMIT_MB");
  for (auto _ : state) benchmark::DoNotOptimize(history.Interrupted(bench.dst->map.m_strPath));
}
BENCHMARK(BM_InterruptedLookup_10000Steps)->Unit(benchmark::kMillisecond)->Iterations(50);

// What every writing jov-cli command pays before it starts: opening a history
// that holds 64 MB of before-images and asking for the map's interrupted steps.
void BM_OpenHistory_64MB(benchmark::State& state) {
  Bench bench;
  ::setenv("JOV_HISTORY_LIMIT_MB", "100000", 1);
  const std::vector<unsigned char> big(1 << 20, 0x3C);
  for (int i = 0; i < 64; ++i) {
    EditPlan plan;
    plan.label = "step " + std::to_string(i);
    plan.path = bench.dst->map.m_strPath;
    std::vector<unsigned char> bytes = big;
    bytes[0] = static_cast<unsigned char>(i);
    plan.Write(0x1000, bytes.data(), bytes.size());
    testing::ApplyPlan(plan);
  }
  ::unsetenv("JOV_HISTORY_LIMIT_MB");
  for (auto _ : state) {
    History history(History::DatabasePath());
    benchmark::DoNotOptimize(history.Interrupted(bench.dst->map.m_strPath));
  }
}
BENCHMARK(BM_OpenHistory_64MB)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace jov
