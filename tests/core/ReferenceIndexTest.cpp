// The whole-map reference index against a scan of every tag: the same
// dependencies and lone identifiers, at the same offsets, grouped by the tag
// they name.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "scanner/ReferenceIndex.h"
#include "scanner/ScanMetadata.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

// What Scan Metadata lists for every tag, by the tag each hit names (a lone
// identifier several tags share is listed once for each of them).
std::vector<std::vector<TagReference>> ScanEveryTag(CMapFile& map) {
  std::vector<std::vector<TagReference>> to(map.m_nTagCount);
  ScanOptions options;
  options.bReflexives = false;
  for (int from = 0; from < map.m_nTagCount; ++from) {
    for (const ScanItem& item : ScanMetadata(map, from, options).items) {
      if ((item.chKind != kKindDependency && item.chKind != kKindLoneId) || item.nPos % 2 != 0) continue;
      const ReferenceKind kind = item.chKind == kKindDependency ? ReferenceKind::Dependency : ReferenceKind::Identifier;
      to[static_cast<std::size_t>(item.nTagIndex)].push_back({from, static_cast<std::uint32_t>(item.nPos / 2), kind});
    }
  }
  return to;
}

auto Key(const TagReference& r) { return std::make_tuple(r.from, r.offset, r.kind); }

TEST(ReferenceIndex, AgreesWithAScanOfEveryTag) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  std::vector<Case> cases;
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe})
    for (std::uint32_t seed = 1; seed <= 4; ++seed)
      cases.push_back({"sample", WriteSampleMap(GenerateSampleMap(version, 60, seed))});
  {
    const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 40, 9);
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    const SampleLayout layout = LayoutOf(plan);
    PutLe32(bytes, layout.firstEntry + 32 * 7 + 0x0C, plan.tags[6].identifier);  // two tags, one identifier
    cases.push_back({"shared identifier", bytes});
    PutClassCode(bytes, layout.firstEntry + 32 * 9 + 0x0C, plan.tags[2].class1);  // an identifier that is a class code
    cases.push_back({"identifier like a class code", bytes});
  }
  cases.push_back({"oversized tags", testing::MapWithOversizedTags(kVersionPc, 30, 3)});

  std::size_t total = 0;
  for (const Case& c : cases) {
    TestMap test(c.bytes);
    test.Open();
    const ReferenceIndex index(test.map);
    const auto scanned = ScanEveryTag(test.map);
    std::size_t count = 0;
    for (int tag = 0; tag < test.map.m_nTagCount; ++tag) {
      const std::vector<TagReference>& found = index.To(tag);
      EXPECT_TRUE(std::is_sorted(found.begin(), found.end(), [](const TagReference& a, const TagReference& b) {
        return std::tie(a.from, a.offset) < std::tie(b.from, b.offset);
      })) << c.what << " tag " << tag;
      std::vector<TagReference> a = found, b = scanned[static_cast<std::size_t>(tag)];
      const auto byKey = [](const TagReference& x, const TagReference& y) { return Key(x) < Key(y); };
      std::sort(a.begin(), a.end(), byKey);
      std::sort(b.begin(), b.end(), byKey);
      EXPECT_EQ(a, b) << c.what << " tag " << tag;
      count += found.size();
    }
    EXPECT_EQ(index.Count(), count) << c.what;
    total += count;
  }
  EXPECT_GT(total, 100u);  // the samples are full of references: the comparison saw some
}

// Tags of zeros that all have the identifier 00000000: every word of their
// metadata is a lone identifier naming every one of them.
SampleMapPlan ZeroTagsSharingOneIdentifier(int tags, std::uint32_t bytes) {
  SampleMapPlan plan;
  plan.version = kVersionPc;
  for (int n = 0; n < tags; ++n) {
    SampleTag tag;
    tag.class1 = "weap";
    tag.name = "weapons\\same\\" + std::to_string(n);
    tag.identifier = 0;
    tag.meta.assign(bytes, 0);
    plan.tags.push_back(tag);
  }
  return plan;
}

TEST(ReferenceIndex, AnIdentifierSharedByThousandsOfTagsHoldsItsHitsOnce) {
  // The map that took the index to gigabytes, smaller: 3,000 tags of 64 bytes.
  TestMap test(ZeroTagsSharingOneIdentifier(3000, 64));
  test.Open();
  const ReferenceIndex index(test.map);
  const std::size_t hits = 3000 * (64 - 3);  // a word at every byte offset
  EXPECT_EQ(index.Held(), hits);
  EXPECT_EQ(index.Count(), hits * 3000);
  const std::vector<TagReference> first = index.To(0), last = index.To(2999);
  ASSERT_EQ(first.size(), hits);
  EXPECT_EQ(first, last);
  EXPECT_EQ(first.back(), (TagReference{2999, 60, ReferenceKind::Identifier}));
}

TEST(ReferenceIndex, MoreReferencesThanItHoldsAreRefused) {
  // Five tags of 900,000 zero bytes: 4.5 million hits, each held once.
  TestMap test(ZeroTagsSharingOneIdentifier(5, 900000));
  test.Open();
  try {
    const ReferenceIndex index(test.map);
    ADD_FAILURE() << "indexed " << index.Held() << " references";
  } catch (const Refused& refused) {
    EXPECT_STREQ(refused.what(), kTooManyReferences);
  }
}

}  // namespace
}  // namespace jov
