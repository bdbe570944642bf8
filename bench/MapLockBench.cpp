// The writer lock every command, undo, redo and recovery takes: its cost when no
// other JOV holds it (open the map, lock, close); the look for interrupted steps
// of a map that has unfinished ones takes it the same way, without waiting.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "platform/MapLock.h"
#include "support/TempDir.h"

namespace jov {
namespace {

void BM_MapLockUncontended(benchmark::State& state) {
  testing::TempDir dir;
  const std::string path = dir.Write("lock.map", std::vector<unsigned char>(4096, 0));
  for (auto _ : state) {
    MapLock lock;
    benchmark::DoNotOptimize(lock.Acquire(path, std::chrono::milliseconds(0)));
    lock.Release();
  }
}
BENCHMARK(BM_MapLockUncontended);

}  // namespace
}  // namespace jov
