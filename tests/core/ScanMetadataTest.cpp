// Labels, records and order of a scan on hand-built metadata, the float series,
// and the scans that are refused.
#include <gtest/gtest.h>

#include <cmath>

#include "map/ValueText.h"
#include "platform/AlphaOrder.h"
#include "scanner/FloatSeries.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"
#include "support/ScanMap.h"

namespace jov {
namespace {

using testing::MakeTag;
using testing::ScanMap;

std::vector<std::string> Lines(const ScanResult& result) {
  std::vector<std::string> lines;
  for (const std::size_t n : result.order) lines.push_back(result.items[n].strLabel);
  return lines;
}

ScanOptions Only(char kind, float step = 0.01f, int shortsLimit = kShortsLimitPanel1) {
  ScanOptions o;
  o.bDependencies = kind == 'd';
  o.bLoneIDs = kind == 'l';
  o.bReflexives = kind == 'r';
  o.bShorts = kind == 's';
  o.bFloats = kind == 'f';
  o.fStep = step;
  o.nShortsLimit = shortsLimit;
  return o;
}

// Tag 0's metadata holds one of each reference kind at known places.
SampleMapPlan ReferenceMap() {
  SampleMapPlan plan;
  plan.tags = {MakeTag("weap", "weapons\\pistol", 0xE1740000u), MakeTag("scex", "shaders\\glass", 0xE1750001u),
               MakeTag("bitm", "bitmaps\\rock", 0xE1760002u), MakeTag("bitm", "bitmaps\\copy", 0xE1760002u),
               MakeTag("ustr", "last", 0xE1780004u)};
  std::vector<unsigned char> meta(96, 0xAA);
  PutClassCode(meta, 0, "bitm");  // a class code at byte 0
  PutLe32(meta, 12, 0xE1760002u);  // tags 2 and 3 share it: the lower index is named
  PutClassCode(meta, 16, "scex");
  PutLe32(meta, 28, 0xE1750001u);
  PutClassCode(meta, 32, "weap");
  PutLe32(meta, 44, 0xFFFFFFFFu);
  PutClassCode(meta, 48, "jpt!");
  PutLe32(meta, 60, 0x12345678u);
  PutLe32(meta, 64, 0);
  PutLe32(meta, 68, 0xE1740000u);  // a lone identifier
  PutLe32(meta, 72, 300);          // a reflexive's count...
  plan.tags[0].meta = meta;
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[0].meta, 76, layout.metaOffsets[0] + plan.magic + 0x1C);  // ...and pointer to byte 28
  return plan;
}

TEST(ScanMetadata, EachReferenceKindHasItsLabelAndRecord) {
  ScanMap m(ReferenceMap());
  const ScanResult result = ScanMetadata(m.map, 0, ScanOptions());
  EXPECT_TRUE(result.message.empty());
  EXPECT_EQ(Lines(result), (std::vector<std::string>{
                               "Dependency -- 0x00000000 -- bitm -- bitmaps\\rock",
                               "Dependency -- 0x00000010 -- scex -- shaders\\glass",
                               "Dependency -- 0x00000020 -- weap -- Nulled Out",
                               "Dependency -- 0x00000030 -- jpt! -- Unknown Identifier",
                               "LoneID -- 0x00000044 -- weap -- weapons\\pistol",
                               "Reflexive -- 0x0000004c -- 0x1c -- Chunk Count: 44",
                           }));
  // Discovery order: class table rows in order (bitm, jpt!, scex, weap), then the
  // lone identifier, then the reflexive.
  ASSERT_EQ(result.items.size(), 6u);
  const ScanItem& bitm = result.items[0];
  EXPECT_EQ(bitm.chKind, 'd');
  EXPECT_EQ(bitm.nPos, 0);
  EXPECT_EQ(bitm.strClass, "bitm");
  EXPECT_EQ(bitm.nTagIndex, 2);
  const ScanItem& jpt = result.items[1];
  EXPECT_EQ(jpt.chKind, 'u');
  EXPECT_EQ(jpt.strClass, "jpt!");
  const ScanItem& scex = result.items[2];
  EXPECT_EQ(scex.chKind, 'd');
  EXPECT_EQ(scex.nTagIndex, 1);
  EXPECT_EQ(result.items[3].chKind, 'n');
  EXPECT_EQ(result.items[3].nPos, 64);
  const ScanItem& lone = result.items[4];
  EXPECT_EQ(lone.chKind, 'l');
  EXPECT_EQ(lone.nPos, 136);
  EXPECT_EQ(lone.nTagIndex, 0);
  const ScanItem& reflexive = result.items[5];
  EXPECT_EQ(reflexive.chKind, 'r');
  EXPECT_EQ(reflexive.nPos, 152);
  EXPECT_EQ(reflexive.nChunkCount, 44);  // 300 is 2C 01: only the lowest byte is read
  EXPECT_EQ(reflexive.nTargetOffset, 28);
}

TEST(ScanMetadata, ShortsOverlapStraddleBytesAndDependOnThePanel) {
  SampleMapPlan plan;
  plan.tags = {MakeTag("weap", "a", 0xE1740000u, {0xA0, 0x1B, 0x00, 0x03, 0x01, 0x01, 0x01, 0x0F}),
               MakeTag("ustr", "last", 0xE1750001u)};
  ScanMap m(plan);
  // "a01b0003010101 0f": 01 at characters 1, 8, 10 and 12; 03 at 6; 0f only in panel 2.
  EXPECT_EQ(Lines(ScanMetadata(m.map, 0, Only('s'))), (std::vector<std::string>{
                                                          "Short -- 0x00000000 -- 1",
                                                          "Short -- 0x00000003 -- 3",
                                                          "Short -- 0x00000004 -- 1",
                                                          "Short -- 0x00000005 -- 1",
                                                          "Short -- 0x00000006 -- 1",
                                                      }));
  const ScanResult panel2 = ScanMetadata(m.map, 0, Only('s', 0.01f, kShortsLimitPanel2));
  ASSERT_EQ(panel2.items.size(), 6u);
  EXPECT_EQ(panel2.items.back().nShort, 15);
  EXPECT_EQ(panel2.items.back().strLabel, "Short -- 0x00000007 -- 15");
  EXPECT_EQ(panel2.items.front().nPos, 1);  // odd: listed at byte 0
}

TEST(ScanMetadata, FloatsFollowTheRoundedSeries) {
  SampleMapPlan plan;
  std::vector<unsigned char> meta(16, 0);
  PutLe32(meta, 0, FloatBits(5.0f));
  PutLe32(meta, 4, FloatBits(10.0f));  // the series stops before 10
  PutLe32(meta, 8, FloatBits(7.5f));
  plan.tags = {MakeTag("weap", "a", 0xE1740000u, meta), MakeTag("ustr", "last", 0xE1750001u)};
  ScanMap m(plan);
  const ScanResult result = ScanMetadata(m.map, 0, Only('f', 2.5f));
  EXPECT_EQ(Lines(result), (std::vector<std::string>{"Float -- 0x00000000 -- 5", "Float -- 0x00000008 -- 7.5"}));
  EXPECT_EQ(result.items[0].dwFloatBits, FloatBits(5.0f));
  EXPECT_TRUE(ScanMetadata(m.map, 0, Only('f', 10.0f)).items.empty());

  EXPECT_EQ(FloatSeries(2.5f), (std::vector<float>{2.5f, 5.0f, 7.5f}));
  const auto series = FloatSeries(0.01f);
  ASSERT_TRUE(series);
  float f = 0.01f;
  for (const float value : *series) {  // repeated single-precision sums, not multiples
    ASSERT_EQ(FloatBits(value), FloatBits(f));
    f = f + 0.01f;
  }
  EXPECT_GE(f, 10.0f);
  EXPECT_NEAR(static_cast<double>(series->size()), 1000.0, 2.0);
  EXPECT_TRUE(FloatSeries(10.0f)->empty());
  EXPECT_TRUE(FloatSeries(INFINITY)->empty());
}

TEST(ScanMetadata, AFloatStepThatNeverReachesTenIsRefusedAndTheOtherKindsStillListed) {
  ScanMap m(ReferenceMap());
  for (const float step : {0.0f, -0.5f, NAN, -INFINITY, 1e-5f, 1e-30f, 1e-45f}) {
    EXPECT_FALSE(FloatSeries(step)) << step;
    ScanOptions o;
    o.bFloats = true;
    o.fStep = step;
    const ScanResult result = ScanMetadata(m.map, 0, o);
    EXPECT_EQ(result.message, kFloatStepRefused);
    EXPECT_EQ(result.items.size(), 6u);
  }
  EXPECT_TRUE(FloatSeries(1e-4f));  // about 100,000 values still searched
}

TEST(ScanMetadata, ATagOfSizeZeroHasNoResults) {
  ScanMap m(ReferenceMap());
  ScanOptions all;
  all.bShorts = all.bFloats = true;
  const int last = m.map.m_nTagCount - 1;
  ASSERT_EQ(m.map.m_tags[static_cast<std::size_t>(last)].nSize, 0u);
  const ScanResult result = ScanMetadata(m.map, last, all);
  EXPECT_TRUE(result.items.empty());
  EXPECT_TRUE(result.message.empty());
}

TEST(ScanMetadata, ATagLargerThanTheMetadataBufferIsRefused) {
  ScanMap m(ReferenceMap());
  m.map.m_tags[0].nSize = kMetaBufferSize + 1;
  const ScanResult refused = ScanMetadata(m.map, 0, ScanOptions());
  EXPECT_EQ(refused.message, kTagTooLarge);
  EXPECT_TRUE(refused.items.empty());
  EXPECT_TRUE(refused.order.empty());

  m.map.m_tags[0].nSize = kMetaBufferSize;  // fits; past the file's end it reads as zero
  const ScanResult fits = ScanMetadata(m.map, 0, ScanOptions());
  EXPECT_TRUE(fits.message.empty());
  EXPECT_EQ(fits.items.size(), 6u);
}

TEST(ScanMetadata, LinesAreAlphabeticalAndEqualLinesKeepDiscoveryOrder) {
  // Two tags alike in class, name and identifier give the same LoneID line twice.
  SampleMapPlan plan;
  std::vector<unsigned char> meta(64, 0);
  PutLe32(meta, 20, 0xE1770007u);
  PutLe32(meta, 40, FloatBits(0.5f));
  PutLe16(meta, 50, 2);
  PutLe32(meta, 56, 0xE1770007u);
  plan.tags = {MakeTag("weap", "Dup", 0xE1770007u, meta), MakeTag("weap", "Dup", 0xE1770007u),
               MakeTag("ustr", "last", 0xE1790009u)};
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[0].meta, 4, layout.metaOffsets[0] + plan.magic + 60);
  ScanMap m(plan);
  ScanOptions all;
  all.bShorts = all.bFloats = true;
  all.fStep = 0.5f;
  const ScanResult result = ScanMetadata(m.map, 0, all);
  ASSERT_EQ(result.items.size(), result.order.size());
  std::vector<std::string> lines = Lines(result);
  for (std::size_t n = 1; n < lines.size(); ++n) EXPECT_FALSE(AlphaLess(lines[n], lines[n - 1])) << lines[n];
  EXPECT_EQ(lines.front().rfind("Float -- ", 0), 0u);  // no dependency in this tag
  EXPECT_EQ(lines.back().rfind("Short -- ", 0), 0u);
  // LoneIDs of tag 0 come before those of tag 1 in discovery, and so on screen.
  std::vector<std::int32_t> loneTags;
  for (const std::size_t n : result.order)
    if (result.items[n].chKind == 'l' && result.items[n].nPos == 40) loneTags.push_back(result.items[n].nTagIndex);
  EXPECT_EQ(loneTags, (std::vector<std::int32_t>{0, 1}));
}

}  // namespace
}  // namespace jov
