// Maps laid out as the game's own tools write them: structure BSP sections,
// raw and model data, CE tags kept in resource maps. The reader's picture of
// every tag must agree with where the writer put it, and the check must find
// nothing wrong with such a map.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "check/MapCheck.h"
#include "map/RealSampleMap.h"
#include "map/ResourceMap.h"
#include "map/SampleMap.h"
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

// A CE map in a folder with its resource maps, and the places a hostile
// change needs: the scenario's BSP list and the first tag kept in bitmaps.map.
struct HostileMap {
  HostileMap() : real(GenerateRealSampleMap(kVersionCe, 40, 11)) {
    const RealTagTruth& scenario = real.truth[0];
    magic = scenario.base - scenario.metaOffset;
    bspCount = scenario.metaOffset + 0x5A4;
    list = ReadLe32(real.map.data() + bspCount + 4) - magic;
    for (std::size_t n = 0; n < real.truth.size(); ++n) {
      if (real.truth[n].home == RealTagTruth::Home::Bsp && bsp < 0) bsp = static_cast<int>(n);
      if (real.truth[n].resourceFile == "bitmaps.map" && real.truth[n].home == RealTagTruth::Home::External && bitmap < 0)
        bitmap = static_cast<int>(n);
    }
  }
  std::size_t Entry(int n) const { return ReadLe32(real.map.data() + 0x10) + 0x28 + 32u * static_cast<std::uint32_t>(n); }
  RealSampleMap real;
  std::uint32_t magic = 0, bspCount = 0, list = 0;
  int bsp = -1, bitmap = -1;
};

bool Has(const CheckReport& report, Severity severity, const std::string& what) {
  for (const Finding& f : report.findings)
    if (f.severity == severity && (f.where + ": " + f.what).find(what) != std::string::npos) return true;
  return false;
}

// Each hostile change is reported by the check, the map still opens, a BSP
// whose section cannot be used reads as size 0, and nothing crashes.
TEST(RealMaps, HostileBspListsAndResourceMapsAreNamed) {
  struct Case {
    const char* name;
    std::function<void(HostileMap&)> change;
    Severity severity;
    std::string what;
    bool bspUnusable;
  };
  const Case cases[] = {
      {"BSP outside the file", [](HostileMap& h) { PutLe32(h.real.map, h.list, 0x7FFFFF00); }, Severity::Error,
       "runs past the end of the file", true},
      {"BSP over the tag data", [](HostileMap& h) { PutLe32(h.real.map, h.list, ReadLe32(h.real.map.data() + 0x10) + 0x10); },
       Severity::Error, "overlaps the tag data", true},
      {"huge BSP count", [](HostileMap& h) { PutLe32(h.real.map, h.bspCount, 0x7FFFFFFF); }, Severity::Error,
       "runs past the end of the file", true},
      {"no BSPs: count 0, pointer 0", [](HostileMap& h) { PutLe32(h.real.map, h.bspCount, 0), PutLe32(h.real.map, h.bspCount + 4, 0); },
       Severity::Note, "the usual address", true},
      {"bitmap index past the entries", [](HostileMap& h) { PutLe32(h.real.map, h.Entry(h.bitmap) + 0x14, 0xFFFF); }, Severity::Warning,
       "which has only", false},
      {"a resource map of another type", [](HostileMap& h) { h.real.resources["bitmaps.map"] = h.real.resources["loc.map"]; },
       Severity::Warning, "it is a loc resource map, not bitmaps", false},
      {"a resource map of another build",
       [](HostileMap& h) {
         const std::uint32_t index = h.real.truth[static_cast<std::size_t>(h.bitmap)].resourceIndex;
         PutLe32(h.real.map, h.Entry(h.bitmap) + 0x14, index == 1 ? 3 : 1);
       },
       Severity::Warning, "is not the one the map was built with", false},
      {"a truncated resource map", [](HostileMap& h) { h.real.resources["bitmaps.map"].resize(20); }, Severity::Warning,
       "bitmaps.map in", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostileMap h;
    ASSERT_GE(h.bsp, 0);
    ASSERT_GE(h.bitmap, 0);
    c.change(h);
    TestMap t(h.real.map);
    for (const auto& [name, bytes] : h.real.resources) t.dir.Write(name, bytes);
    t.Open();
    const CheckReport report = CheckMap(t.map);
    EXPECT_TRUE(Has(report, c.severity, c.what)) << Dump(report);
    if (c.severity == Severity::Note) {  // an empty list is no fault: the CRC32 is computed over no BSP
      EXPECT_EQ(report.errors, 0) << Dump(report);
      EXPECT_FALSE(Has(report, Severity::Warning, "cannot be computed")) << Dump(report);
    }
    if (c.bspUnusable) {
      EXPECT_EQ(t.Tag(h.bsp).nSize, 0u);
      EXPECT_NE(t.Tag(h.bsp).eHome, TagHome::Bsp);
    }
  }
}

}  // namespace
}  // namespace jov
