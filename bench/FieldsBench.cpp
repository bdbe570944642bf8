// Building a weapon's field tree (target: at most 2 ms), the built-in
// definitions loaded, and the tree of a weapon whose blocks hold many entries.
#include <benchmark/benchmark.h>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "support/FieldsMap.h"
#include "support/TestMap.h"

namespace {

using jov::testing::FieldsMap;

const jov::DefinitionSet& Definitions() {
  static const jov::DefinitionSet set = [] {
    jov::DefinitionSet s;
    s.LoadFolder(jov::BuiltInDefinitionsFolder());
    return s;
  }();
  return set;
}

// The weapon of FieldsMap with magazines entries (and one trigger), the tree
// built and every field's display text made, as the Fields view does.
void WeaponTree(benchmark::State& state, std::uint32_t magazines) {
  FieldsMap fields;
  auto& meta = fields.Meta(FieldsMap::kWeapon);
  meta.resize(FieldsMap::kWeaponSize + magazines * 0x70);
  fields.layout = jov::LayoutOf(fields.plan);
  fields.Block(FieldsMap::kWeapon, 0x4F0, magazines, FieldsMap::kWeaponSize);
  fields.Block(FieldsMap::kWeapon, 0x4FC, 1, FieldsMap::kTriggersAt);
  jov::testing::TestMap map(fields.Bytes());
  map.Open();
  const jov::ClassDef* def = Definitions().Find("weap");
  std::size_t nodes = 0;
  for (auto _ : state) {
    const jov::FieldTree tree = jov::BuildFieldTree(map.map, FieldsMap::kWeapon, def);
    std::size_t shown = 0;
    for (const jov::FieldNode& node : tree.nodes) shown += jov::DisplayText(tree, node).size();
    benchmark::DoNotOptimize(shown);
    nodes = tree.nodes.size();
  }
  state.counters["fields"] = static_cast<double>(nodes);
}

void BM_WeaponFieldTree(benchmark::State& state) { WeaponTree(state, 2); }
BENCHMARK(BM_WeaponFieldTree)->Unit(benchmark::kMicrosecond);

void BM_WeaponFieldTree1000Magazines(benchmark::State& state) { WeaponTree(state, 1000); }
BENCHMARK(BM_WeaponFieldTree1000Magazines)->Unit(benchmark::kMicrosecond);

void BM_LoadBuiltInDefinitions(benchmark::State& state) {
  for (auto _ : state) {
    jov::DefinitionSet set;
    set.LoadFolder(jov::BuiltInDefinitionsFolder());
    benchmark::DoNotOptimize(set.Find("weap"));
  }
}
BENCHMARK(BM_LoadBuiltInDefinitions)->Unit(benchmark::kMicrosecond);

}  // namespace
