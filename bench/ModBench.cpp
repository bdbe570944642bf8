// Mods: made from two 4,000-tag maps (the field comparison alone), and a
// 200-edit mod applied to 20 maps of 20 MB by one whole jov-cli process with
// the history on. Each run of the second applies the mod and the next its
// reverse, so every run writes all 20 maps.
#ifndef _WIN32
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <stdexcept>

#include "cli/CliRunner.h"
#include "fields/SampleFields.h"
#include "mod/ModCreate.h"
#include "platform/MemoryTreeView.h"
#include "support/FieldEdits.h"
#include "support/TempDir.h"

namespace jov {
namespace {

struct Opened {
  explicit Opened(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

const DefinitionSet& Definitions() {
  static const DefinitionSet definitions = [] {
    DefinitionSet set;
    set.LoadFolder(BuiltInDefinitionsFolder());
    return set;
  }();
  return definitions;
}

// A map and the same map with count defined fields changed.
struct MapPair {
  MapPair(int tags, std::uint32_t metaPerTag, int count) {
    SampleMapPlan plan = GenerateSampleMap(kVersionPc, tags, 21, metaPerTag);
    GiveSampleTagsTheirFields(plan, Definitions(), 21);
    original = dir.Write("original.map", WriteSampleMap(plan));
    modified = dir.Write("modified.map", testing::WithRandomFieldValues(
                                             original, Definitions(),
                                             {std::begin(kSampleFieldClasses), std::end(kSampleFieldClasses)}, 21, count));
  }
  testing::TempDir dir;
  std::string original, modified;
};

void BM_ModCreate_4000Tags(benchmark::State& state) {
  static MapPair pair(4000, 256, 200);
  Opened a(pair.original), b(pair.modified);
  std::size_t edits = 0;
  for (auto _ : state) {
    const FieldComparison comparison = CompareFields(a.map, b.map, Definitions());
    edits = comparison.fields.size();
    benchmark::DoNotOptimize(ModText(ModFromComparison(comparison, "bench", "")));
  }
  state.counters["edits"] = static_cast<double>(edits);
}
BENCHMARK(BM_ModCreate_4000Tags)->Unit(benchmark::kMillisecond);

void BM_CliModApply_20MapsOf20MB(benchmark::State& state) {
  static MapPair pair(4000, 5000, 200);
  testing::TempDir dir, stateDir;
  ::setenv("JOV_STATE_DIR", stateDir.Path().c_str(), 1);
  std::vector<std::string> forward{"mod", "apply", dir.File("forward.jovmod")};
  std::vector<std::string> back{"mod", "apply", dir.File("back.jovmod")};
  const auto bytes = ReadBytesFromFile(pair.original);
  for (int i = 0; i < 20; ++i) {
    const std::string path = dir.Write("map" + std::to_string(i) + ".map", bytes);
    forward.push_back(path);
    back.push_back(path);
  }
  const auto made = [&](const std::string& from, const std::string& to, const std::string& out) {
    const testing::CliResult result = testing::RunCli({"mod", "create", from, to, "--title", "bench"});
    if (result.status != 0) throw std::runtime_error(result.err);
    dir.Write(out, std::vector<unsigned char>(result.out.begin(), result.out.end()));
  };
  made(pair.original, pair.modified, "forward.jovmod");
  made(pair.modified, pair.original, "back.jovmod");
  bool flip = false;
  for (auto _ : state) {
    const testing::CliResult result = testing::RunCli(flip ? back : forward);
    if (result.status != 0) throw std::runtime_error(result.out + result.err);
    flip = !flip;
  }
  state.counters["MB_per_map"] = static_cast<double>(bytes.size()) / 1e6;
  ::unsetenv("JOV_STATE_DIR");
}
BENCHMARK(BM_CliModApply_20MapsOf20MB)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
}  // namespace jov
#endif
