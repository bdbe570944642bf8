#pragma once
// The maps the history benchmarks inject between: a destination and two
// sources whose tag 3 holds a million bytes of references, of other contents
// in each source, so every inject changes the destination's bytes, as a real
// one does.
#include <string>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "support/ReferencePlan.h"
#include "support/TempDir.h"

namespace jov::bench {

inline constexpr std::size_t kBigTag = 3;

struct BigTagMaps {
  BigTagMaps() {
    constexpr int kTags = 64;
    constexpr std::uint32_t kBigSize = 1000000;
    SampleMapPlan source = testing::MapWithTagOfSize(kVersionPc, kTags, kBigTag, kBigSize, kBigSize);
    SampleMapPlan other = testing::MapWithTagOfSize(kVersionPc, kTags, kBigTag, kBigSize, kBigSize + 1);
    other.tags = source.tags;
    other.tags[kBigTag] = testing::MapWithTagOfSize(kVersionPc, kTags, kBigTag, kBigSize, kBigSize + 1).tags[kBigTag];
    SampleMapPlan destination = source;
    destination.magic = 0x50120000;
    source1 = dir.Write("source.map", WriteSampleMap(source));
    source2 = dir.Write("source2.map", WriteSampleMap(other));
    destination1 = dir.Write("destination.map", WriteSampleMap(destination));
  }
  testing::TempDir dir;
  std::string source1, source2, destination1;
};

}  // namespace jov::bench
