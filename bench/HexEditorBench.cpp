// The hex editor on a 1,000,000-byte tag: the 3,000,000-character text built
// when it opens and the text parsed and written when it saves. Target: each
// well under 1 s (the whole dialog's open and save budget).
#include <benchmark/benchmark.h>

#include <random>

#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "support/TempDir.h"
#include "tools/HexEditorText.h"

namespace {

constexpr std::size_t kTagBytes = jov::kMetaBufferSize;

std::vector<unsigned char> RandomBytes(std::size_t n) {
  std::mt19937 rng(9);
  std::vector<unsigned char> bytes(n);
  for (auto& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

// A map whose tag 0 holds kTagBytes bytes, written once for the run.
struct BigTagMap {
  BigTagMap() {
    jov::SampleMapPlan plan;
    jov::SampleTag big;
    big.name = "big";
    big.meta = RandomBytes(kTagBytes);
    jov::SampleTag last;
    last.name = "last";
    plan.tags = {big, last};
    path = dir.Write("big.map", jov::WriteSampleMap(plan));
    map.OpenPath(tree, path);
  }
  jov::testing::TempDir dir;
  std::string path;
  jov::MemoryTreeView tree;
  jov::CMapFile map;
};

BigTagMap& Map() {
  static BigTagMap map;
  return map;
}

void BM_SpacedTextFromBytes(benchmark::State& state) {
  const auto bytes = RandomBytes(kTagBytes);
  for (auto _ : state) benchmark::DoNotOptimize(jov::SpacedHexOfBytes(bytes.data(), bytes.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<long>(kTagBytes));
}
BENCHMARK(BM_SpacedTextFromBytes)->Unit(benchmark::kMillisecond);

void BM_ParseEditedText(benchmark::State& state) {
  const auto bytes = RandomBytes(kTagBytes);
  std::string text = jov::SpacedHexOfBytes(bytes.data(), bytes.size());
  for (std::size_t at = 3 * 16; at < text.size(); at += 3 * 16) text[at - 1] = '\n';  // lines of 16 bytes
  std::vector<unsigned char> out(kTagBytes);
  for (auto _ : state) {
    const std::string digits = jov::HexEditorDigits(text);
    jov::HexToBytes(digits, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(kTagBytes));
}
BENCHMARK(BM_ParseEditedText)->Unit(benchmark::kMillisecond);

// What the dialog's open costs besides the widget: read the tag and space it.
void BM_OpenTagInHexEditor(benchmark::State& state) {
  BigTagMap& m = Map();
  for (auto _ : state) benchmark::DoNotOptimize(jov::HexEditorText(m.map, 0));
  state.SetBytesProcessed(state.iterations() * static_cast<long>(kTagBytes));
}
BENCHMARK(BM_OpenTagInHexEditor)->Unit(benchmark::kMillisecond);

// "Save" of the unchanged text: checked, turned into bytes, written to the map.
void BM_SaveTagFromHexEditor(benchmark::State& state) {
  BigTagMap& m = Map();
  const std::string text = jov::HexEditorText(m.map, 0);
  for (auto _ : state) jov::SaveHexEditorText(m.map, 0, text);
  state.SetBytesProcessed(state.iterations() * static_cast<long>(kTagBytes));
}
BENCHMARK(BM_SaveTagFromHexEditor)->Unit(benchmark::kMillisecond);

}  // namespace
