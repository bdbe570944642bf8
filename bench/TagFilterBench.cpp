// The tag filter's matching, per keystroke: every tag name and every group's
// class code and name tested against the text typed so far. The editor's figure
// (matching plus the tree hiding rows) is printed by tests/gui/SpeedTest.
// Targets: 16 ms on 4,000 tags, 100 ms on 65,535.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "map/SampleMap.h"
#include "map/TagClassTable.h"
#include "map/TagFilter.h"

namespace {

struct Texts {
  std::vector<std::string> names;
  std::vector<std::string> groups;
};

const Texts& TextsOf(int tags) {
  static std::vector<std::pair<int, Texts>> made;
  for (const auto& [count, texts] : made)
    if (count == tags) return texts;
  Texts texts;
  for (const auto& tag : jov::GenerateSampleMap(7, tags, 3, 16).tags) texts.names.push_back(tag.name);
  for (int row = 0; row < jov::TagClassTable::kRows; ++row) texts.groups.push_back(jov::TagClassTable::GroupText(row));
  made.emplace_back(tags, std::move(texts));
  return made.back().second;
}

// Typing "weap*pis" one character at a time: each keystroke filters every text.
void BM_TagFilterKeystrokes(benchmark::State& state) {
  const Texts& texts = TextsOf(static_cast<int>(state.range(0)));
  const std::string typed = "weap*pis";
  for (auto _ : state) {
    std::size_t shown = 0;
    for (std::size_t length = 1; length <= typed.size(); ++length) {
      const jov::TagFilter filter(typed.substr(0, length));
      for (const std::string& group : texts.groups) {
        const jov::GroupTextParts parts = jov::SplitGroupText(group);
        shown += filter.Matches(parts.code) || filter.Matches(parts.name);
      }
      for (const std::string& name : texts.names) shown += filter.Matches(name);
    }
    benchmark::DoNotOptimize(shown);
  }
  // Items are keystrokes: the time per item is the time per keystroke.
  state.SetItemsProcessed(state.iterations() * static_cast<long>(typed.size()));
}

}  // namespace

BENCHMARK(BM_TagFilterKeystrokes)->Arg(4000)->Arg(65535)->Unit(benchmark::kMillisecond);
