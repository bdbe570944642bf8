#pragma once
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "map/SampleMap.h"

namespace jov::testing {

// A mod of a generated map, made the way modders make one: words of some tags'
// metadata overwritten in place, with a float or with another tag's identifier
// (a reference moved to another tag), and optionally the map name changed and
// bytes appended after the last tag (the EoF Position moved past them).
struct ModPlan {
  int tagsChanged = 5;
  int wordsPerTag = 3;
  bool renameMap = false;
  std::uint32_t appendBytes = 0;
  std::uint32_t seed = 1;
};

inline std::vector<unsigned char> ModifyMap(const SampleMapPlan& plan, const ModPlan& mod) {
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  const SampleLayout layout = LayoutOf(plan);
  std::mt19937 rng(mod.seed);
  // Tags whose metadata the reader sees: not the last (it reads size 0), no sbsp.
  std::vector<std::size_t> candidates;
  for (std::size_t t = 0; t + 1 < plan.tags.size(); ++t)
    if (plan.tags[t].class1 != "sbsp" && plan.tags[t].meta.size() >= 8) candidates.push_back(t);
  std::shuffle(candidates.begin(), candidates.end(), rng);
  candidates.resize(std::min<std::size_t>(candidates.size(), static_cast<std::size_t>(mod.tagsChanged)));
  for (const std::size_t t : candidates) {
    const std::size_t words = plan.tags[t].meta.size() / 4;
    std::set<std::size_t> picked;
    while (picked.size() < std::min<std::size_t>(words, static_cast<std::size_t>(mod.wordsPerTag))) picked.insert(rng() % words);
    for (const std::size_t w : picked) {
      const std::size_t at = layout.metaOffsets[t] + 4 * w;
      std::uint32_t value;
      if (rng() % 3 == 0) {
        value = plan.tags[rng() % plan.tags.size()].identifier;
      } else {
        const float f = 0.5f + static_cast<float>(rng() % 4000) / 8.0f;
        std::memcpy(&value, &f, 4);
      }
      PutLe32(bytes, at, value);
    }
  }
  if (mod.renameMap) std::memcpy(bytes.data() + 0x20, "modded", 7);
  if (mod.appendBytes > 0) {
    for (std::uint32_t i = 0; i < mod.appendBytes; ++i) bytes.push_back(static_cast<unsigned char>(rng()));
    PutLe32(bytes, 0x08, static_cast<std::uint32_t>(bytes.size()));
  }
  return bytes;
}

}  // namespace jov::testing
