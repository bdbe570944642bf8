// Save Metadata's data listing and Direct Inject: the one-pass searches against
// the needle-by-needle references, on 4,000-tag maps.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "support/LiteralTransfer.h"
#include "support/RecordedDialogs.h"
#include "support/ReferencePlan.h"
#include "support/TempDir.h"
#include "transfer/DataListing.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/ReferenceTranslation.h"

namespace jov {
namespace {

constexpr int kTags = 4000;
constexpr std::size_t kBigTag = 3;

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

// A 4,000-tag map pair of one layout whose tag 3 holds size bytes of references;
// the destination numbers its tags otherwise and has another magic.
struct MapPair {
  explicit MapPair(std::uint32_t size) {
    SampleMapPlan source = testing::MapWithTagOfSize(kVersionPc, kTags, kBigTag, size, size);
    SampleMapPlan destination = source;
    destination.magic = 0x50120000;
    for (std::size_t t = 0; t < destination.tags.size(); ++t)
      destination.tags[t].identifier = source.tags[(t + 1) % source.tags.size()].identifier;
    sourcePath = dir.Write("source.map", WriteSampleMap(source));
    destinationPath = dir.Write("destination.map", WriteSampleMap(destination));
    src = std::make_unique<OpenedFile>(sourcePath);
    dst = std::make_unique<OpenedFile>(destinationPath);
  }
  testing::TempDir dir;
  std::string sourcePath, destinationPath;
  std::unique_ptr<OpenedFile> src, dst;
};

MapPair& Pair(std::uint32_t size) {
  static std::map<std::uint32_t, std::unique_ptr<MapPair>> pairs;
  auto& pair = pairs[size];
  if (!pair) pair = std::make_unique<MapPair>(size);
  return *pair;
}

void BM_DataListing_Text(benchmark::State& state) {
  MapPair& pair = Pair(static_cast<std::uint32_t>(state.range(0)));
  const std::string hex = ReadMetaHex(pair.src->map, kBigTag);
  for (auto _ : state) benchmark::DoNotOptimize(DataListingText(pair.src->map, kBigTag, hex));
}
BENCHMARK(BM_DataListing_Text)->Arg(99999)->Arg(16384)->Unit(benchmark::kMillisecond);

void BM_DataListing_Literal(benchmark::State& state) {
  MapPair& pair = Pair(static_cast<std::uint32_t>(state.range(0)));
  const std::string hex = ReadMetaHex(pair.src->map, kBigTag);
  for (auto _ : state) benchmark::DoNotOptimize(reference::LiteralDataListing(pair.src->map, kBigTag, hex));
}
BENCHMARK(BM_DataListing_Literal)->Arg(16384)->Unit(benchmark::kMillisecond);

// The whole "Save Metadata": read, the ".meta" file, the listing written beside it.
void BM_ExtractTagMetadata(benchmark::State& state) {
  MapPair& pair = Pair(static_cast<std::uint32_t>(state.range(0)));
  testing::RecordedDialogs dialogs;
  dialogs.saveAnswer = pair.dir.File("out.meta");
  for (auto _ : state) ExtractTagMetadata(pair.src->map, kBigTag, dialogs);
}
BENCHMARK(BM_ExtractTagMetadata)->Arg(99999)->Unit(benchmark::kMillisecond);

// The whole "Direct Inject": read, translate, write the destination's extent.
void BM_DirectInjectTag(benchmark::State& state) {
  MapPair& pair = Pair(static_cast<std::uint32_t>(state.range(0)));
  testing::RecordedDialogs dialogs;
  for (auto _ : state) DirectInjectTag(pair.dst->map, kBigTag, pair.src->map, kBigTag, dialogs);
}
BENCHMARK(BM_DirectInjectTag)->Arg(1000000)->Arg(16384)->Unit(benchmark::kMillisecond);

// The same with the steps done literally: every search from character 0 on the
// current text.
void BM_DirectInjectTag_Literal(benchmark::State& state) {
  MapPair& pair = Pair(static_cast<std::uint32_t>(state.range(0)));
  for (auto _ : state) {
    const std::string text = ReadMetaHex(pair.src->map, kBigTag);
    const std::string translated = reference::LiteralTranslation(text, pair.src->map, kBigTag, pair.dst->map, kBigTag);
    WriteMetaHex(pair.dst->map, kBigTag, translated, -1);
  }
}
BENCHMARK(BM_DirectInjectTag_Literal)->Arg(16384)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jov
