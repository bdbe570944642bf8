#pragma once
// Tag metadata described by what it refers to rather than by its bytes, so that
// one description can be written into two maps that number their tags and place
// their metadata differently: what direct injection from one of them into the
// other must produce is then the other's rendering.
#include <cstdint>
#include <random>
#include <vector>

#include "map/SampleMap.h"
#include "map/TagClassTable.h"

namespace jov::testing {

struct PlannedRecord {
  enum class Kind { Dependency, NullDependency, Reflexive, LoneIdentifier, Values, Noise } kind;
  std::uint32_t at;     // byte position of the 16-byte record
  std::uint32_t value;  // the tag referred to, the byte k pointed at, or the values' seed
};

// A 16-byte record every 16 bytes of a tag of size bytes, referring to tags below
// tagCount and to bytes of the tag itself.
inline std::vector<PlannedRecord> MakePlan(std::mt19937& rng, std::uint32_t size, std::uint32_t tagCount, bool noise = true) {
  std::vector<PlannedRecord> plan;
  for (std::uint32_t at = 0; at + 16 <= size; at += 16) {
    using Kind = PlannedRecord::Kind;
    const int roll = static_cast<int>(rng() % (noise ? 6 : 5));
    const Kind kind = roll == 0 ? Kind::Dependency
                      : roll == 1 ? (rng() % 6 == 0 ? Kind::NullDependency : Kind::Dependency)
                      : roll == 2 ? Kind::Reflexive
                      : roll == 3 ? Kind::LoneIdentifier
                      : roll == 4 ? Kind::Values
                                  : Kind::Noise;
    const std::uint32_t value = kind == Kind::Reflexive ? static_cast<std::uint32_t>(rng() % size)
                                : kind == Kind::Values || kind == Kind::Noise ? static_cast<std::uint32_t>(rng())
                                                                              : static_cast<std::uint32_t>(rng() % tagCount);
    plan.push_back({kind, at, value});
  }
  return plan;
}

// Writes the plan into tag t's metadata (its size as it stands) with the map's
// identifiers, classes and addresses.
inline void RenderPlan(SampleMapPlan& sample, std::size_t t, const std::vector<PlannedRecord>& plan) {
  const SampleLayout layout = LayoutOf(sample);
  auto& meta = sample.tags[t].meta;
  std::fill(meta.begin(), meta.end(), 0);
  for (const PlannedRecord& r : plan) {
    std::mt19937 local(r.value);
    switch (r.kind) {
      case PlannedRecord::Kind::Dependency:
        PutClassCode(meta, r.at, sample.tags[r.value].class1);
        PutLe32(meta, r.at + 12, sample.tags[r.value].identifier);
        break;
      case PlannedRecord::Kind::NullDependency:
        PutClassCode(meta, r.at, sample.tags[r.value].class1);
        PutLe32(meta, r.at + 12, 0xFFFFFFFFu);
        break;
      case PlannedRecord::Kind::Reflexive:
        PutLe32(meta, r.at, 1 + r.value % 12);
        PutLe32(meta, r.at + 4, layout.metaOffsets[t] + sample.magic + r.value);
        break;
      case PlannedRecord::Kind::LoneIdentifier:
        PutLe32(meta, r.at + 4, sample.tags[r.value].identifier);
        break;
      case PlannedRecord::Kind::Values:
        PutLe16(meta, r.at, static_cast<std::uint16_t>(local() % 300));
        PutLe32(meta, r.at + 8, 0x3F800000u + (static_cast<std::uint32_t>(local() % 64) << 16));  // 1.0 to 2.0
        break;
      case PlannedRecord::Kind::Noise:
        for (std::uint32_t i = 0; i < 16; ++i) meta[r.at + i] = static_cast<unsigned char>(local());
        break;
    }
  }
}

// A generated map whose tag t has exactly size bytes of planned metadata.
inline SampleMapPlan MapWithTagOfSize(std::uint16_t version, int tagCount, std::size_t t, std::uint32_t size,
                                      std::uint32_t seed) {
  SampleMapPlan sample = GenerateSampleMap(version, tagCount, seed);
  sample.tags[t].meta.assign(size, 0);
  std::mt19937 rng(seed);
  RenderPlan(sample, t, MakePlan(rng, size, static_cast<std::uint32_t>(sample.tags.size())));
  return sample;
}

}  // namespace jov::testing
