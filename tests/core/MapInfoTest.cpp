// The header writer and the "Map Info" dialog's fields, reading order, save
// flag and buttons. Whole-file comparisons show which bytes each save touches.
#include <gtest/gtest.h>

#include <cstring>

#include "map/FieldText.h"
#include "map/HeaderWriter.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

SampleMapPlan Sample(std::uint16_t version) { return GenerateSampleMap(version, 6, 11); }

struct Opened {
  explicit Opened(const SampleMapPlan& plan) : t(plan), before(ReadBytesFromFile(t.path)) { t.Open(); }
  std::vector<unsigned char> Now() const { return ReadBytesFromFile(t.path); }
  TestMap t;
  std::vector<unsigned char> before;
};

void Put(std::vector<unsigned char>& bytes, std::size_t at, std::initializer_list<unsigned char> values) {
  for (const unsigned char v : values) bytes.at(at++) = v;
}

// Runs the dialog: the fields as shown, edit applied, then the given presses.
bool RunMapInfo(Opened& m, const std::function<void(MapInfoSession&)>& presses) {
  return EditHeaderInfo(m.t.map, m.t.tree, presses);
}

// ---------------------------------------------------------------------------
// Unchanged saves, for every layout.

TEST(WriteHeader, AnUnchangedSaveLeavesEveryVersionByteIdenticalAndReReadsTheSame) {
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}, std::uint16_t{0x261}}) {
    SCOPED_TRACE(version);
    SampleMapPlan plan = Sample(version);
    plan.metaIndexSize = -5;
    plan.indexOffset = 0x1234;  // not a round number, so a 4-byte slip shows
    Opened m(plan);
    const MapInfoTexts shown = MapInfoSession(m.t.map).Shown();
    const bool wrote = RunMapInfo(m, [](MapInfoSession& s) {
      ASSERT_TRUE(s.SaveChanges(s.Shown()).ok);
      ASSERT_TRUE(s.Close(s.Shown()).ok);
    });
    EXPECT_TRUE(wrote);
    EXPECT_EQ(m.Now(), m.before);
    EXPECT_TRUE(m.t.map.m_bOpen);
    EXPECT_EQ(MapInfoSession(m.t.map).Shown(), shown);
    // Saving twice more changes nothing either: the index does not creep.
    WriteHeader(m.t.map, m.t.map.GetHeaderInfo());
    WriteHeader(m.t.map, m.t.map.GetHeaderInfo());
    EXPECT_EQ(m.Now(), m.before);
  }
}

TEST(WriteHeader, AChangedIndexOffsetMovesOnlyTheWordAtHex10) {
  // The index magic and tag count go to the index header where it lies now.
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}}) {
    SCOPED_TRACE(version);
    const SampleMapPlan plan = Sample(version);
    Opened m(plan);
    MapHeaderInfo info = m.t.map.GetHeaderInfo();
    info.m_strIndexOffset = "2000";
    info.m_strIndexMagic = "11223344";
    info.m_nTagCount = 0x0102;
    WriteHeader(m.t.map, info);

    std::vector<unsigned char> expected = m.before;
    // The shown offset of a PC map is 4 past the stored one, both ways.
    PutLe32(expected, 0x10, version == 5 ? 0x2000 : 0x1FFC);
    PutLe32(expected, plan.indexOffset, 0x11223344);
    PutLe16(expected, plan.indexOffset + 12, 0x0102);
    EXPECT_EQ(m.Now(), expected);
  }
}

TEST(WriteHeader, EncodesNumbersAndHexTextsThroughTheHexTextPath) {
  const SampleMapPlan plan = Sample(0x261);
  Opened m(plan);
  MapHeaderInfo info = m.t.map.GetHeaderInfo();
  info.m_strEofPosition = "abc";      // bc 0a 00 00
  info.m_nTagCount = 0xFFFF;          // -1: ff ff
  info.m_nMapType = 1;                // 01 00
  info.m_nVersion = 0x261;            // 61 02
  info.m_nMetaIndexSize = -2;         // fe ff ff ff
  info.m_strIndexMagic = "";          // four zero bytes
  info.m_strMagic = "DEADBEEF";       // never written
  info.m_nEofSpaceSize = 99;          // never written
  WriteHeader(m.t.map, info);

  std::vector<unsigned char> expected = m.before;
  Put(expected, 0x08, {0xBC, 0x0A, 0x00, 0x00});
  Put(expected, plan.indexOffset + 12, {0xFF, 0xFF});
  Put(expected, 0x60, {0x01, 0x00});
  Put(expected, 0x04, {0x61, 0x02});
  Put(expected, 0x14, {0xFE, 0xFF, 0xFF, 0xFF});
  Put(expected, plan.indexOffset, {0, 0, 0, 0});
  EXPECT_EQ(m.Now(), expected);
}

TEST(WriteHeader, AShortNameOverALongOneLeavesTheRestOfTheFieldZero) {
  SampleMapPlan plan = Sample(7);
  plan.mapName = "abcdefghijklmnopqrst";  // 20 characters
  plan.buildDate = "01.10.12.2276.extra.text.here";
  Opened m(plan);
  MapHeaderInfo info = m.t.map.GetHeaderInfo();
  info.m_strMapName = "short";
  info.m_strBuildDate = std::string(32, 'x');  // a full field, no terminator
  WriteHeader(m.t.map, info);

  std::vector<unsigned char> expected = m.before;
  std::memset(expected.data() + 0x20, 0, 32);
  std::memcpy(expected.data() + 0x20, "short", 5);
  std::memset(expected.data() + 0x40, 'x', 32);
  EXPECT_EQ(m.Now(), expected);
  for (std::size_t at = 0x25; at <= 0x3F; ++at) EXPECT_EQ(m.Now()[at], 0) << at;
}

// ---------------------------------------------------------------------------
// The dialog: which values get written when.

TEST(MapInfoDialog, CloseAfterEditsWritesNothing) {
  Opened m(Sample(7));
  const bool wrote = RunMapInfo(m, [](MapInfoSession& s) {
    MapInfoTexts edited = s.Shown();
    TextOf(edited, MapInfoField::MapName) = "changed";
    TextOf(edited, MapInfoField::TagCount) = "3";
    ASSERT_TRUE(s.Close(edited).ok);
    EXPECT_EQ(s.Values().strMapName, "changed");  // read into the members, not saved
  });
  EXPECT_FALSE(wrote);
  EXPECT_EQ(m.Now(), m.before);
}

TEST(MapInfoDialog, SaveThenEscapeWritesTheSavedValuesAndSaveThenCloseTheClosingOnes) {
  for (const bool closeWithButton : {false, true}) {
    SCOPED_TRACE(closeWithButton);
    SampleMapPlan plan = Sample(0x261);
    plan.mapType = 0;
    Opened m(plan);
    RunMapInfo(m, [&](MapInfoSession& s) {
      MapInfoTexts edited = s.Shown();
      TextOf(edited, MapInfoField::MapType) = "1";
      TextOf(edited, MapInfoField::MapName) = "saved";
      ASSERT_TRUE(s.SaveChanges(edited).ok);
      TextOf(edited, MapInfoField::MapName) = "closing";
      // Revert shows the members: the values read by the last Save.
      EXPECT_EQ(TextOf(s.Shown(), MapInfoField::MapName), "saved");
      if (closeWithButton) {
        ASSERT_TRUE(s.Close(edited).ok);
      }
      // Escape: the fields are not read.
    });
    std::vector<unsigned char> expected = m.before;
    std::memset(expected.data() + 0x20, 0, 32);
    const std::string name = closeWithButton ? "closing" : "saved";
    std::memcpy(expected.data() + 0x20, name.data(), name.size());
    Put(expected, 0x60, {0x01, 0x00});
    EXPECT_EQ(m.Now(), expected);
    EXPECT_EQ(m.t.map.m_strMapName, name);
    EXPECT_EQ(m.t.map.m_strTypeText, "Multiplayer");
  }
}

TEST(MapInfoDialog, FieldTextsOfTheValuesTheDialogShows) {
  const SampleMapPlan plan = Sample(0x261);
  Opened m(plan);
  const MapInfoTexts shown = MapInfoSession(m.t.map).Shown();
  EXPECT_EQ(TextOf(shown, MapInfoField::Filename), "test.map");
  EXPECT_EQ(TextOf(shown, MapInfoField::Version), "609");
  // The shown Index Offset of a CE map is 4 past the stored one.
  EXPECT_EQ(TextOf(shown, MapInfoField::IndexOffset), UIntToHex(plan.indexOffset + 4));
  EXPECT_EQ(TextOf(shown, MapInfoField::Format), "Halo CE");
  EXPECT_EQ(TextOf(shown, MapInfoField::TagCount), "6");
  EXPECT_EQ(TextOf(shown, MapInfoField::EofSpaceSize), "0");
  EXPECT_EQ(TextOf(shown, MapInfoField::Magic), m.t.map.m_strMagic);
  EXPECT_EQ(RowOf(MapInfoField::MetaIndexSize).label, std::string("Metadata/Index Size"));
  EXPECT_EQ(RowOf(MapInfoField::EofSpaceSize).group, std::string("EoF Information"));
}

TEST(MapInfoDialog, ReadingStopsAtTheFirstFailingFieldInReadingOrder) {
  Opened m(Sample(7));
  MapInfoSession s(m.t.map);
  MapInfoTexts edited = s.Shown();
  TextOf(edited, MapInfoField::EofPosition) = "1000";      // before the failure: taken
  TextOf(edited, MapInfoField::MapType) = "two";           // the first failure
  TextOf(edited, MapInfoField::Version) = "5";             // after it: not taken
  TextOf(edited, MapInfoField::TagCount) = "x";
  MapInfoCheck check = s.SaveChanges(edited);
  EXPECT_FALSE(check.ok);
  EXPECT_EQ(check.field, MapInfoField::MapType);
  EXPECT_EQ(check.message, kEnterInteger);
  EXPECT_TRUE(s.SaveFlag());  // set even though a check failed
  EXPECT_EQ(s.Values().strEofPosition, "1000");
  EXPECT_EQ(s.Values().nVersion, 7);

  TextOf(edited, MapInfoField::MapType) = " -1 ";
  check = s.Close(edited);
  EXPECT_EQ(check.field, MapInfoField::TagCount);
  EXPECT_EQ(s.Values().nMapType, -1);
  EXPECT_EQ(s.Values().nVersion, 5);

  // Limits: 8 characters for hex texts, 32 for the names; the earlier field wins.
  TextOf(edited, MapInfoField::TagCount) = "1";
  TextOf(edited, MapInfoField::IndexMagic) = "123456789";
  TextOf(edited, MapInfoField::MapName) = std::string(33, 'n');
  check = s.Close(edited);
  EXPECT_EQ(check.field, MapInfoField::IndexMagic);
  EXPECT_EQ(check.message, EnterNoMoreThan(8));
  TextOf(edited, MapInfoField::IndexMagic) = "12345678";
  check = s.Close(edited);
  EXPECT_EQ(check.field, MapInfoField::MapName);
  EXPECT_EQ(check.message, "Please enter no more than 32 characters.");
  TextOf(edited, MapInfoField::MapName) = std::string(32, 'n');
  EXPECT_TRUE(s.Close(edited).ok);
}

TEST(MapInfoDialog, ReadOnlyFieldsAreNeverWritten) {
  Opened m(Sample(5));
  RunMapInfo(m, [](MapInfoSession& s) {
    MapInfoTexts edited = s.Shown();
    TextOf(edited, MapInfoField::Magic) = "1";
    TextOf(edited, MapInfoField::Nickname) = "x";
    TextOf(edited, MapInfoField::TypeText) = "x";
    TextOf(edited, MapInfoField::Format) = "x";
    TextOf(edited, MapInfoField::Filename) = "x";
    TextOf(edited, MapInfoField::EofSpaceSize) = "12";
    ASSERT_TRUE(s.SaveChanges(edited).ok);
  });
  EXPECT_EQ(m.Now(), m.before);
  EXPECT_NE(m.t.map.m_strMagic, "1");
}

TEST(MapInfoDialog, WithNoMapOpenNothingCanBeSaved) {
  TestMap t(WriteSampleMap(Sample(7)));
  const std::vector<unsigned char> before = ReadBytesFromFile(t.path);
  MapInfoSession never(t.map);  // before the first map
  EXPECT_FALSE(never.CanSave());
  EXPECT_EQ(TextOf(never.Shown(), MapInfoField::Nickname), "None");
  t.Open();
  t.map.Close(t.tree);
  MapInfoSession s(t.map);
  EXPECT_FALSE(s.CanSave());
  EXPECT_THROW(s.SaveChanges(s.Shown()), Refused);
  EXPECT_FALSE(s.SaveFlag());
  EXPECT_FALSE(FinishMapInfo(t.map, t.tree, s));
  EXPECT_EQ(ReadBytesFromFile(t.path), before);
}

}  // namespace
}  // namespace jov
