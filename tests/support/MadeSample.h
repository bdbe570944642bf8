#pragma once
// The plan of the map `jov-cli make-sample` writes: the generated sample with
// its tags of the classes modders edit laid out by the built-in definitions.
#include <cstdint>

#include "fields/SampleFields.h"
#include "map/SampleMap.h"

namespace jov::testing {

inline SampleMapPlan MadeSample(std::uint16_t version, int tags, std::uint32_t seed, std::uint32_t relayout = 0) {
  SampleMapPlan plan = GenerateSampleMap(version, tags, seed, 256, relayout);
  DefinitionSet definitions;
  definitions.LoadFolder(BuiltInDefinitionsFolder());
  GiveSampleTagsTheirFields(plan, definitions, seed);
  return plan;
}

}  // namespace jov::testing
