// Maps laid out as the game's own tools write them: structure BSP sections,
// raw and model data, CE tags kept in resource maps. The reader's picture of
// every tag must agree with where the writer put it, and the check must find
// nothing wrong with such a map.
#include <gtest/gtest.h>

#include <string>

#include "check/MapCheck.h"
#include "map/RealSampleMap.h"
#include "map/ValueText.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

TagHome HomeOf(RealTagTruth::Home home) {
  switch (home) {
    case RealTagTruth::Home::Bsp: return TagHome::Bsp;
    case RealTagTruth::Home::External: return TagHome::Resource;
    case RealTagTruth::Home::ExternalSound: return TagHome::SoundBase;
    case RealTagTruth::Home::Map: break;
  }
  return TagHome::TagData;
}

std::string Dump(const CheckReport& report) {
  std::string text;
  for (const Finding& f : report.findings) text += FindingLine(f) + "\n";
  return text;
}

// Every version, several seeds and relayouts: each tag's home, Meta Offset,
// size and base as the writer put them, and a clean check.
TEST(RealMaps, TheReaderFindsEveryTagWhereTheWriterPutIt) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
      const std::uint32_t relayout = seed % 3;
      SCOPED_TRACE("version " + std::to_string(version) + ", seed " + std::to_string(seed) + ", relayout " +
                   std::to_string(relayout));
      const RealSampleMap real = GenerateRealSampleMap(version, 12 + static_cast<int>(seed) * 7, seed, 200, relayout);
      TestMap t(real.map);
      t.Open();
      ASSERT_EQ(t.map.m_tags.size(), real.truth.size());
      for (std::size_t n = 0; n < real.truth.size(); ++n) {
        const RealTagTruth& truth = real.truth[n];
        const TagEntry& tag = t.Tag(static_cast<int>(n));
        SCOPED_TRACE("tag " + std::to_string(n) + " " + tag.strClass1 + ":" + tag.strName);
        EXPECT_EQ(tag.eHome, HomeOf(truth.home));
        if (truth.home == RealTagTruth::Home::External) {
          EXPECT_EQ(tag.nSize, 0u);
          EXPECT_EQ(tag.nResource, truth.resourceIndex);
          continue;
        }
        EXPECT_EQ(tag.strMetaOffset, UIntToHex(truth.metaOffset));
        EXPECT_EQ(tag.nSize, truth.size);
        EXPECT_EQ(t.map.MetaBase(static_cast<int>(n)), truth.base);
      }
      const CheckReport report = CheckMap(t.map);
      EXPECT_EQ(report.errors, 0) << Dump(report);
      EXPECT_EQ(report.warnings, 0) << Dump(report);
    }
  }
}

}  // namespace
}  // namespace jov
