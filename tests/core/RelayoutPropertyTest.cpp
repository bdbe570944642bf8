// One map's content in two layouts (other index order, identifiers, metadata
// and name places): compared, they are the same; a patch made on one layout
// carries its changes to the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "compare/CompareMaps.h"
#include "compare/Patch.h"
#include "edit/MapDocument.h"
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
// references included.
void ModifyByName(SampleMapPlan& plan, std::uint32_t seed) {
  std::vector<std::size_t> byName;
  for (std::size_t t = 0; t + 1 < plan.tags.size(); ++t)
    if (plan.tags[t].class1 != "sbsp" && plan.tags[t].meta.size() >= 16) byName.push_back(t);
  std::sort(byName.begin(), byName.end(), [&](std::size_t a, std::size_t b) { return plan.tags[a].name < plan.tags[b].name; });
  std::mt19937 rng(seed);
  for (int k = 0; k < 8; ++k) {
    auto& meta = plan.tags[byName[rng() % byName.size()]].meta;
    for (int w = 0; w < 6; ++w) {
      const std::size_t at = 4 * (rng() % (meta.size() / 4));
      std::uint32_t value;
      if (rng() % 3 == 0) {
        value = plan.tags[byName[rng() % byName.size()]].identifier;
      } else {
        const float f = 0.5f + static_cast<float>(rng() % 4000) / 8.0f;
        std::memcpy(&value, &f, 4);
      }
      PutLe32(meta, at, value);
    }
  }
}

std::string FirstDifference(const MapComparison& comparison) {
  if (comparison.Same()) return "";
  return comparison.header.empty() ? DifferenceLine(comparison.tags.at(0)) : HeaderLine(comparison.header[0]);
}

TEST(Relayout, SameContentComparesEqualAndPatchesCarryOver) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
      const std::uint32_t relayout = 1 + seed * 7 % 50;
      SCOPED_TRACE("version " + std::to_string(version) + " seed " + std::to_string(seed) + " relayout " +
                   std::to_string(relayout));
      const SampleMapPlan plain = testing::MadeSample(version, 40, seed);
      const SampleMapPlan relaid = testing::MadeSample(version, 40, seed, relayout);
      SampleMapPlan plainMod = plain, relaidMod = relaid;
      ModifyByName(plainMod, seed);
      ModifyByName(relaidMod, seed);
      TestMap a(plain), aMod(plainMod), r(relaid), rMod(relaidMod);
      for (TestMap* map : {&a, &aMod, &r, &rMod}) map->Open();
      ASSERT_NE(a.Tag(5).strName, r.Tag(5).strName);

      for (const auto& [first, second] : {std::pair{&a, &r}, std::pair{&r, &a}, std::pair{&aMod, &rMod}}) {
        const MapComparison comparison = CompareMaps(first->map, second->map);
        EXPECT_TRUE(comparison.Same()) << FirstDifference(comparison);
        EXPECT_EQ(comparison.matched, 40u);
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
  }
}

}  // namespace
}  // namespace jov
