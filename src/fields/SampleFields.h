#pragma once
#include <cstdint>

#include "fields/FieldDefinition.h"
#include "map/SampleMap.h"

namespace jov {

// The classes a sample map shows with their real layout.
inline constexpr const char* kSampleFieldClasses[] = {"weap", "proj", "jpt!", "bipd", "vehi",
                                                      "eqip", "itmc", "matg", "scnr"};

// Gives a generated sample map the tags modders edit most, laid out as the game
// lays them out: tags 2 to 9 (when the map has them, the last tag aside) become
// one of each class above, and every tag of those classes gets its class's
// size, plausible values in its fields, blocks with one to three entries inside
// the tag, and references to tags of the allowed classes. The scenario keeps
// its structure BSP list where the writer puts it. The same seed gives the
// same bytes.
void GiveSampleTagsTheirFields(SampleMapPlan& plan, const DefinitionSet& definitions, std::uint32_t seed);

}  // namespace jov
