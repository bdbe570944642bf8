// The Guerilla converter on a full 1,000,000-byte tag: the whole conversion,
// and the "Fix Shorts" pass against the literal k-by-k pass it replaces. The
// literal pass costs bytes * K; the linear one is the same for any K, so even
// the largest limit converts at once.
#include <benchmark/benchmark.h>

#include <random>

#include "support/LiteralFixShorts.h"
#include "tools/GuerillaConvert.h"

namespace {

// Mostly zeros and small values, as tag data is, so that matches are common.
std::vector<unsigned char> TagData(std::size_t n) {
  std::mt19937 rng(3);
  std::vector<unsigned char> data(n);
  for (auto& b : data) {
    const auto pick = rng() % 10;
    b = pick < 5 ? 0 : pick < 8 ? static_cast<unsigned char>(1 + rng() % 6) : static_cast<unsigned char>(rng());
  }
  return data;
}

void BM_ConvertFullTag(benchmark::State& state) {
  const auto input = TagData(jov::kGuerillaMaxInput);
  const jov::GuerillaOptions options{true, static_cast<std::uint32_t>(state.range(0))};
  for (auto _ : state) benchmark::DoNotOptimize(jov::ConvertGuerillaTag(input, options));
}
BENCHMARK(BM_ConvertFullTag)->Arg(4)->Arg(4096)->Arg(0x7FFFFFFF)->Unit(benchmark::kMillisecond);

void BM_FixShorts(benchmark::State& state) {
  const auto source = TagData(jov::kGuerillaMaxInput - 64);
  const auto limit = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    auto data = source;
    jov::FixShorts(data.data(), data.size(), limit);
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_FixShorts)->Arg(4)->Arg(4096)->Unit(benchmark::kMillisecond);

void BM_LiteralFixShorts(benchmark::State& state) {
  const auto source = TagData(jov::kGuerillaMaxInput - 64);
  const auto limit = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    auto data = source;
    jov::testing::LiteralFixShorts(data.data(), data.size(), limit);
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_LiteralFixShorts)->Arg(4)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
