// One map's content in two layouts (other index order, identifiers, metadata
// and name places; in maps laid out as the game's tools do, BSP sections moved
// too): compared, they are the same; a patch made on one layout carries its
// changes to the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "compare/CompareMaps.h"
#include "compare/Patch.h"
#include "edit/MapDocument.h"
#include "map/RealSampleMap.h"
#include "support/MadeSample.h"
#include "support/Planned.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

// A mod made alike on any layout of the same tags: tags picked by name, words
// of their metadata overwritten with a float or with the identifier of a tag
// picked by name (a reference or identifier moved to another tag: each map's
// own number for it). Words land anywhere, name pointers and classes of
// references included. metaAt(t) is where tag t's metadata lies in bytes.
void ModifyByName(std::vector<unsigned char>& bytes, const std::vector<SampleTag>& tags,
                  const std::function<std::size_t(std::size_t)>& metaAt, const std::vector<std::size_t>& editable,
                  std::uint32_t seed) {
  std::vector<std::size_t> byName = editable;
  std::sort(byName.begin(), byName.end(), [&](std::size_t a, std::size_t b) { return tags[a].name < tags[b].name; });
  std::mt19937 rng(seed);
  for (int k = 0; k < 8; ++k) {
    const std::size_t t = byName[rng() % byName.size()];
    for (int w = 0; w < 6; ++w) {
      const std::size_t at = metaAt(t) + 4 * (rng() % (tags[t].meta.size() / 4));
      std::uint32_t value;
      if (rng() % 3 == 0) {
        value = tags[byName[rng() % byName.size()]].identifier;
      } else {
        const float f = 0.5f + static_cast<float>(rng() % 4000) / 8.0f;
        std::memcpy(&value, &f, 4);
      }
      PutLe32(bytes, at, value);
    }
  }
}

std::string FirstDifference(const MapComparison& comparison) {
  if (comparison.Same()) return "";
  return comparison.header.empty() ? DifferenceLine(comparison.tags.at(0)) : HeaderLine(comparison.header[0]);
}

// a and r hold the same content laid out otherwise, aMod and rMod the same mod
// of each; tags is their tag count.
void ExpectSameAndPatchCarriesOver(TestMap& a, TestMap& aMod, TestMap& r, TestMap& rMod, std::size_t tags) {
  for (TestMap* map : {&a, &aMod, &r, &rMod}) map->Open();
  for (const auto& [first, second] : {std::pair{&a, &r}, std::pair{&r, &a}, std::pair{&aMod, &rMod}}) {
    const MapComparison comparison = CompareMaps(first->map, second->map);
    EXPECT_TRUE(comparison.Same()) << FirstDifference(comparison);
    EXPECT_EQ(comparison.matched, tags);
  }

  const Patch patch = PatchFromJson(PatchToJson(CreatePatch(a.map, aMod.map, "mod", "")));
  ASSERT_FALSE(patch.tags.empty());
  testing::RecordedDialogs dialogs;
  dialogs.yesAnswer = true;  // made from another map: its CRC32 differs
  MapDocument document(r.path, testing::SharedHistory());
  const PatchResult result = ApplyPatch(r.map, patch, dialogs, &document);
  ASSERT_EQ(result.outcome, ApplyOutcome::Applied) << (result.conflicts.empty() ? "" : ConflictLine(result.conflicts[0]));
  r.map.CloseFile();
  TestMap patched(ReadBytesFromFile(r.path));
  patched.Open();
  const MapComparison comparison = CompareMaps(patched.map, rMod.map);
  EXPECT_TRUE(comparison.Same()) << FirstDifference(comparison);
}

TEST(Relayout, SameContentComparesEqualAndPatchesCarryOver) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
      const std::uint32_t relayout = 1 + seed * 7 % 50;
      SCOPED_TRACE("version " + std::to_string(version) + " seed " + std::to_string(seed) + " relayout " +
                   std::to_string(relayout));
      std::vector<std::unique_ptr<TestMap>> maps;
      for (const std::uint32_t layout : {0u, relayout}) {
        SampleMapPlan plan = testing::MadeSample(version, 40, seed, layout);
        if (layout != 0) {
          // The tag data starts elsewhere in the file, at the same addresses.
          plan.indexOffset += 0x200;
          plan.magic -= 0x200;
        }
        const SampleLayout places = LayoutOf(plan);
        std::vector<std::size_t> editable;
        for (std::size_t t = 0; t + 1 < plan.tags.size(); ++t)
          if (plan.tags[t].class1 != "sbsp" && plan.tags[t].meta.size() >= 16) editable.push_back(t);
        std::vector<unsigned char> bytes = WriteSampleMap(plan);
        maps.push_back(std::make_unique<TestMap>(bytes));
        ModifyByName(bytes, plan.tags, [&](std::size_t t) { return places.metaOffsets[t]; }, editable, seed);
        // And bytes appended to the tag data, the EoF Position moved past them.
        for (std::uint32_t i = 0; i < 24 + seed; ++i) bytes.push_back(static_cast<unsigned char>(i * 37 + seed));
        PutLe32(bytes, 0x08, static_cast<std::uint32_t>(bytes.size()));
        maps.push_back(std::make_unique<TestMap>(bytes));
      }
      ExpectSameAndPatchCarriesOver(*maps[0], *maps[1], *maps[2], *maps[3], 40);
    }
  }
}

// Maps laid out as the game's tools write them: BSP sections in other places,
// names moved, tags in another order; on CE, tags kept in the resource maps.
TEST(Relayout, RealLayoutsCompareEqualAndPatchesCarryOver) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
      const std::uint32_t relayout = 1 + seed * 5 % 30;
      SCOPED_TRACE("version " + std::to_string(version) + " seed " + std::to_string(seed) + " relayout " +
                   std::to_string(relayout));
      std::vector<std::unique_ptr<TestMap>> maps;
      for (const std::uint32_t layout : {0u, relayout}) {
        const RealSampleMap real = GenerateRealSampleMap(version, 50, seed, 256, layout);
        // The scenario aside: its BSP list says where the sections are. The
        // BSP sections are edited too, their pointers based at their own address.
        std::vector<std::size_t> editable;
        for (std::size_t t = 0; t < real.tags.size(); ++t)
          if ((real.truth[t].home == RealTagTruth::Home::Map || real.truth[t].home == RealTagTruth::Home::Bsp) &&
              real.tags[t].class1 != "scnr" && real.truth[t].size >= 16)
            editable.push_back(t);
        std::vector<unsigned char> bytes = real.map;
        for (const bool mod : {false, true}) {
          if (mod) ModifyByName(bytes, real.tags, [&](std::size_t t) { return real.truth[t].metaOffset; }, editable, seed);
          maps.push_back(std::make_unique<TestMap>(bytes, "map.map"));
          for (const auto& [name, resource] : real.resources) maps.back()->dir.Write(name, resource);
        }
      }
      ExpectSameAndPatchCarriesOver(*maps[0], *maps[1], *maps[2], *maps[3], 50);
    }
  }
}

}  // namespace
}  // namespace jov
