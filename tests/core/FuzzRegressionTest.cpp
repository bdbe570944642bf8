// Inputs the fuzz targets found to crash, hang or exhaust memory, each reduced
// to the map feature that did it. (The fuzzer's own inputs are replayed by
// fuzz/run_short.sh from fuzz/regressions/.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "scanner/HexSearch.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::RecordedDialogs;
using testing::TestMap;

TEST(FuzzRegression, AnEmptyTagReadsAsNothingThroughAnEmptyBuffer) {
  // A read of 0 bytes came with the null data() of an empty vector, which went
  // on to memset (undefined behaviour the sanitizer stops at).
  TestMap t(GenerateSampleMap(kVersionPc, 3, 4));
  t.Open();
  EXPECT_EQ(t.map.File().Read(0, nullptr, 0), 0u);
  const int last = t.map.m_nTagCount - 1;
  ASSERT_EQ(t.Tag(last).nSize, 0u);
  EXPECT_EQ(ReadMetaHex(t.map, last), "");
  ScanOptions everything;
  everything.bShorts = everything.bFloats = true;
  EXPECT_TRUE(ScanMetadata(t.map, last, everything).items.empty());
}

// A map whose tags all share one identifier, with one tag of zero bytes: on a
// run of zeros the identifier 00000000 stands at every character, once for
// every tag that has it.
SampleMapPlan SharedIdentifierMap(int tags, std::uint32_t zeros) {
  SampleMapPlan plan;
  plan.version = kVersionPc;
  for (int n = 0; n < tags; ++n) {
    SampleTag tag;
    tag.class1 = "weap";
    tag.name = "weapons\\same\\" + std::to_string(n);
    tag.identifier = 0;
    tag.meta.assign(n == 0 ? zeros : 4, 0);
    plan.tags.push_back(tag);
  }
  return plan;
}

TEST(FuzzRegression, TagsSharingOneIdentifierAreRefusedInsteadOfGivingBillionsOfHits) {
  // 300 tags times 8,000 characters: 2.4 million lone identifier hits, where
  // distinct needles could give at most 8 a character. The scan, the data
  // listing and direct injection ran out of memory on such a map.
  const SampleMapPlan plan = SharedIdentifierMap(300, 4096);
  {
    TestMap t(plan);
    t.Open();
    ScanOptions loneIds;
    loneIds.bDependencies = loneIds.bReflexives = false;
    try {
      ScanMetadata(t.map, 0, loneIds);
      ADD_FAILURE() << "the scan went on";
    } catch (const Refused& refused) {
      EXPECT_STREQ(refused.what(), kTooManyHits);
    }
  }
  {  // Save Metadata: the ".meta" file is whole; the listing is what is refused.
    TestMap t(plan);
    t.Open();
    RecordedDialogs dialogs;
    dialogs.saveAnswer = t.dir.File("zeros.meta");
    const Bytes before = ReadBytesFromFile(t.path);
    EXPECT_THROW(ExtractTagMetadata(t.map, 0, dialogs), Refused);
    EXPECT_EQ(ReadBytesFromFile(*dialogs.saveAnswer), Bytes(4096, 0));
    EXPECT_FALSE(std::filesystem::exists(*dialogs.saveAnswer + ".data"));
    EXPECT_EQ(ReadBytesFromFile(t.path), before);
  }
  {  // Direct Inject: refused while translating, before anything is written.
    TestMap destination(GenerateSampleMap(kVersionXbox, 4, 1, 5000), "destination.map");
    TestMap source(plan, "source.map");
    destination.Open();
    source.Open();
    const Bytes before = ReadBytesFromFile(destination.path);
    RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    EXPECT_THROW(DirectInjectTag(destination.map, 0, source.map, 0, dialogs), Refused);
    EXPECT_EQ(ReadBytesFromFile(destination.path), before);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST(FuzzRegression, TheHitLimitIsNeverReachedByDistinctNeedles) {
  // Every needle length 1 to 8 hitting at every character: the most distinct
  // needles can give, which must still be searched.
  const std::string text(1 << 18, '0');
  std::vector<std::string> needles;
  for (std::size_t length = 1; length <= 8; ++length) needles.push_back(std::string(length, '0'));
  std::size_t expected = 0;
  for (std::size_t length = 1; length <= 8; ++length) expected += text.size() - length + 1;
  EXPECT_EQ(FindAllNeedles(text, needles).size(), expected);
  // A little above it, with repeated needles, is refused.
  EXPECT_THROW(FindAllNeedles(text, std::vector<std::string>(13, "00000000")), Refused);
  // Repeated needles with few hits are fine: two tags may share an identifier.
  EXPECT_EQ(FindAllNeedles("0011223300", std::vector<std::string>(3, "1122")).size(), 3u);
}

}  // namespace
}  // namespace jov
