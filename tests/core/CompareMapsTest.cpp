// Comparing two maps tag by tag: layouts do not count, content does.
#include <gtest/gtest.h>

#include <set>

#include "compare/CompareMaps.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/ModifiedMap.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::ModifyMap;
using testing::ModPlan;
using testing::TestMap;

constexpr std::uint16_t kVersions[] = {kVersionXbox, kVersionPc, kVersionCe};

std::set<std::string> ChangedNames(const MapComparison& comparison) {
  std::set<std::string> names;
  for (const TagDifference& tag : comparison.tags)
    if (tag.state == TagState::Changed) names.insert(tag.class1 + ":" + tag.name);
  return names;
}

// The tags whose metadata bytes differ between two files of one layout, found
// without any translation: the reference answer for a same-layout comparison.
std::set<std::string> TagsWithOtherBytes(const SampleMapPlan& plan, const std::vector<unsigned char>& a,
                                         const std::vector<unsigned char>& b) {
  const SampleLayout layout = LayoutOf(plan);
  std::set<std::string> names;
  for (std::size_t t = 0; t + 1 < plan.tags.size(); ++t) {
    if (plan.tags[t].class1 == "sbsp") continue;
    const auto from = a.begin() + layout.metaOffsets[t];
    if (!std::equal(from, from + static_cast<long>(plan.tags[t].meta.size()), b.begin() + layout.metaOffsets[t]))
      names.insert(plan.tags[t].class1 + ":" + plan.tags[t].name);
  }
  return names;
}

TEST(CompareMaps, OtherLayoutsOfTheSameTagsCompareEqual) {
  for (const std::uint16_t version : kVersions) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
      TestMap plain(GenerateSampleMap(version, 60, seed));
      plain.Open();
      for (std::uint32_t relayout = 1; relayout <= 3; ++relayout) {
        TestMap other(GenerateSampleMap(version, 60, seed, 256, relayout));
        other.Open();
        ASSERT_NE(plain.Tag(5).strIdentifier, other.Tag(5).strIdentifier);
        for (const auto& [a, b] : {std::pair{&plain, &other}, std::pair{&other, &plain}}) {
          const MapComparison comparison = CompareMaps(a->map, b->map);
          EXPECT_TRUE(comparison.Same()) << "version " << version << " seed " << seed << " relayout " << relayout << ": "
                                         << (comparison.tags.empty() ? "header" : DifferenceLine(comparison.tags[0]));
          EXPECT_EQ(comparison.matched, 60u);
        }
      }
    }
  }
}

TEST(CompareMaps, FindsExactlyTheChangedTagsAndBytesInAnyLayout) {
  for (const std::uint16_t version : kVersions) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
      const SampleMapPlan plan = GenerateSampleMap(version, 50, seed);
      const std::vector<unsigned char> original = WriteSampleMap(plan);
      const std::vector<unsigned char> modified = ModifyMap(plan, {7, 3, false, 0, seed});
      const std::set<std::string> expected = TagsWithOtherBytes(plan, original, modified);
      ASSERT_FALSE(expected.empty());

      TestMap a(original), b(modified), relaid(GenerateSampleMap(version, 50, seed, 256, seed));
      a.Open();
      b.Open();
      relaid.Open();
      const MapComparison same = CompareMaps(a.map, b.map);
      EXPECT_EQ(ChangedNames(same), expected) << "seed " << seed;
      // Ranges give the bytes of each side at offsets inside the metadata.
      for (const TagDifference& tag : same.tags) {
        const std::size_t at = HexToUInt(b.Tag(tag.second).strMetaOffset);
        for (const ByteRange& range : tag.ranges) {
          ASSERT_EQ(range.before.size(), range.after.size());
          for (std::size_t i = 0; i < range.after.size(); ++i) {
            EXPECT_EQ(static_cast<unsigned char>(range.after[i]), modified[at + range.offset + i]);
            EXPECT_EQ(static_cast<unsigned char>(range.before[i]), original[at + range.offset + i]);
          }
        }
      }
      EXPECT_EQ(ChangedNames(CompareMaps(relaid.map, b.map)), expected) << "relayout, seed " << seed;
    }
  }
}

TEST(CompareMaps, ReportsTagsInOneMapIndexRecordsAndHeaderFields) {
  SampleMapPlan plan = GenerateSampleMap(kVersionPc, 30, 9);
  const std::vector<unsigned char> full = WriteSampleMap(plan);
  std::vector<unsigned char> fewer = full;
  PutLe16(fewer, plan.indexOffset + 0x0C, 29);  // the last tag hidden
  SampleMapPlan other = plan;
  other.tags[4].class2 = "unit";
  other.mapName = "icefields";
  other.buildDate = "01.00.00.0609";
  TestMap a(fewer), b(full), c(other);
  a.Open();
  b.Open();
  c.Open();

  const MapComparison added = CompareMaps(a.map, b.map);
  EXPECT_EQ(added.matched, 29u);
  EXPECT_EQ(added.Count(TagState::OnlyInSecond), 1u);
  EXPECT_EQ(added.Count(TagState::OnlyInFirst), 0u);
  ASSERT_EQ(added.header.size(), 1u);
  EXPECT_EQ(added.header[0].field, "Tag Count");
  // The formerly last tag ran to the end of the tag data, where its new
  // successor (of no bytes) starts: its size reads the same.
  EXPECT_EQ(added.Count(TagState::Changed), 0u);
  EXPECT_EQ(CompareMaps(b.map, a.map).Count(TagState::OnlyInFirst), 1u);

  const MapComparison renamed = CompareMaps(b.map, c.map);
  std::set<std::string> fields;
  for (const FieldChange& change : renamed.header) fields.insert(change.field);
  EXPECT_EQ(fields, (std::set<std::string>{"Map Name", "Build Date"}));
  ASSERT_EQ(renamed.tags.size(), 1u);
  EXPECT_EQ(renamed.tags[0].record.at(0).field, "class 2");
  EXPECT_EQ(renamed.tags[0].record.at(0).after, "unit");
}

TEST(CompareMaps, DifferenceLinesSumRangesAndBytes) {
  struct Case {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;  // offset, length
    const char* line;
  };
  const Case cases[] = {
      {{{0x40, 4}, {0x1a0, 4}, {0x2f0, 4}}, "changed  weap:weapons\\pistol\\pistol  3 ranges, 12 bytes: +0x40 (4) +0x1a0 (4) +0x2f0 (4)"},
      {{{0x0, 1}}, "changed  weap:weapons\\pistol\\pistol  1 range, 1 byte: +0x0 (1)"},
  };
  for (const Case& c : cases) {
    TagDifference tag;
    tag.class1 = "weap";
    tag.name = "weapons\\pistol\\pistol";
    for (const auto& [offset, length] : c.ranges) tag.ranges.push_back({offset, std::string(length, 'a'), std::string(length, 'b')});
    EXPECT_EQ(DifferenceLine(tag), c.line);
  }
  EXPECT_EQ(DifferingRanges("abcdefghijklmnopq", "aXcdefghijklmnoYZ"),
            (std::vector<ByteRange>{{1, "b", "X"}, {15, "pq", "YZ"}}));
}

}  // namespace
}  // namespace jov
