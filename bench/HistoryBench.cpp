// The edit history's cost: Direct Inject of a 1,000,000-byte tag with and without
// recording, the undo of that step, and the look for interrupted steps when a map
// is opened with 10,000 steps in its history.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "history/EditScope.h"
#include "history/History.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/RecordedDialogs.h"
#include "support/ReferencePlan.h"
#include "support/TempDir.h"
#include "transfer/DirectInjectTag.h"

namespace jov {
namespace {

constexpr int kTags = 64;
constexpr std::size_t kBigTag = 3;
constexpr std::uint32_t kBigSize = 1000000;

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

// A map pair whose tag 3 holds a million bytes of references, and a history of
// its own for the run.
struct Bench {
  Bench() {
    ::setenv("JOV_STATE_DIR", state.Path().c_str(), 1);
    History::Instance().Reset();
    SampleMapPlan source = testing::MapWithTagOfSize(kVersionPc, kTags, kBigTag, kBigSize, kBigSize);
    SampleMapPlan destination = source;
    destination.magic = 0x50120000;
    src = std::make_unique<OpenedFile>(dir.Write("source.map", WriteSampleMap(source)));
    dst = std::make_unique<OpenedFile>(dir.Write("destination.map", WriteSampleMap(destination)));
  }
  testing::TempDir dir;
  testing::TempDir state;
  std::unique_ptr<OpenedFile> src, dst;
  testing::RecordedDialogs dialogs;
};

void BM_DirectInject_1MB(benchmark::State& state) {
  Bench bench;
  const bool recorded = state.range(0) != 0;
  if (recorded) History::Instance().Install();
  for (auto _ : state) {
    EditScope scope("Direct Inject");
    DirectInjectTag(bench.dst->map, kBigTag, bench.src->map, kBigTag, bench.dialogs);
    scope.Commit();
  }
  History::Instance().Uninstall();
  state.SetLabel(recorded ? "recorded" : "not recorded");
}
BENCHMARK(BM_DirectInject_1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Undo and redo of that step, each checking the whole million bytes first.
void BM_UndoRedo_1MB(benchmark::State& state) {
  Bench bench;
  History& history = History::Instance();
  history.Install();
  {
    EditScope scope("Direct Inject");
    DirectInjectTag(bench.dst->map, kBigTag, bench.src->map, kBigTag, bench.dialogs);
    scope.Commit();
  }
  history.Uninstall();
  const std::int64_t step = history.NewestDone({bench.dst->map.m_strPath})->id;
  for (auto _ : state) {
    history.Undo(step);
    history.Redo(step);
  }
  state.SetLabel("one undo and one redo per iteration");
}
BENCHMARK(BM_UndoRedo_1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InterruptedLookup_10000Steps(benchmark::State& state) {
  Bench bench;
  History& history = History::Instance();
  history.Install();
  BinaryFile file;
  file.Open(bench.dst->map.m_strPath, BinaryFile::Mode::ReadWrite, "map");
  const unsigned char bytes[4] = {1, 2, 3, 4};
  ::setenv("JOV_HISTORY_LIMIT_MB", "100000", 1);
  for (int i = 0; i < 10000; ++i) {
    EditScope scope("step " + std::to_string(i));
    file.Write(0x900 + static_cast<std::uint64_t>(i % 64) * 4, bytes, sizeof bytes);
    scope.Commit();
  }
  history.Uninstall();
  ::unsetenv("JOV_HISTORY_LIMIT_MB");
  for (auto _ : state) benchmark::DoNotOptimize(history.Interrupted(bench.dst->map.m_strPath));
}
BENCHMARK(BM_InterruptedLookup_10000Steps)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
}  // namespace jov
