// Naming an opened map: release, type, level display name and tree colour.
#include <gtest/gtest.h>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

SampleMapPlan SmallMap(const std::string& mapName, std::uint16_t version = 7, std::uint16_t mapType = 1) {
  SampleMapPlan plan = GenerateSampleMap(version, 2, 1, 16);
  plan.mapName = mapName;
  plan.mapType = mapType;
  return plan;
}

TEST(Identify, TheVersionNamesTheReleaseAndOnlyItsTwoBytesCount) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {5, "Xbox"}, {7, "Halo PC"}, {609, "Halo CE"}, {6, "Unknown"}, {0, "Unknown"}, {0xFFFF, "Unknown"}};
  for (const auto& [version, text] : cases) {
    SCOPED_TRACE(version);
    std::vector<unsigned char> bytes = WriteSampleMap(SmallMap("bloodgulch", version));
    // The bytes after the 2-byte version and map type fields play no part.
    bytes[0x06] = 0x01;
    bytes[0x07] = 0xEE;
    bytes[0x62] = 0x01;
    bytes[0x63] = 0xEE;
    TestMap t(bytes);
    t.Open();
    EXPECT_EQ(t.map.m_nVersion, version);
    EXPECT_EQ(t.map.m_strFormatText, text);
    EXPECT_EQ(t.map.m_strTypeText, "Multiplayer");
  }
}

TEST(Identify, TheMapTypeNamesCampaignMultiplayerOrUserInterface) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0, "Campaign"}, {1, "Multiplayer"}, {2, "User Interface"}, {3, "Unknown"}, {0xFFFF, "Unknown"}};
  for (const auto& [type, text] : cases) {
    SCOPED_TRACE(type);
    TestMap t(SmallMap("a10", 7, type));
    t.Open();
    EXPECT_EQ(t.map.m_nMapType, type);
    EXPECT_EQ(t.map.m_strTypeText, text);
  }
}

struct Level {
  const char* mapName;
  const char* nickname;
  std::uint32_t color;  // the platform's colour word: low byte red
};

// Every level, with the tree colour of those that have one of their own.
constexpr std::uint32_t kGrey = 0xBBBBBB;
const Level kLevels[] = {
    {"bloodgulch", "Blood Gulch", 0x4080FF},
    {"a10", "Pillar of Autumn", 0xA0A09E},
    {"a30", "Halo", 0x03D618},
    {"a50", "The Truth and Reconciliation", 0xEE00EE},
    {"b30", "The Silent Cartographer", 0x24CF16},
    {"b40", "Assault on the Control Room", 0xFFFFFF},
    {"c10", "343 Guilty Spark", 0x549E58},
    {"c20", "The Library", 0x916D64},
    {"c40", "Two Betrayals", 0x9A8C9B},
    {"d20", "Keyes", 0xBC00C1},
    {"d40", "The Maw", 0x50A0A3},
    {"sidewinder", "Sidewinder", kGrey},
    {"hangemhigh", "Hang 'em High", kGrey},
    {"beavercreek", "Battle Creek", kGrey},
    {"damnation", "Damnation", 0xE148B7},
    {"chillout", "Chill Out", 0xE124AD},
    {"boardingaction", "Boarding Action", kGrey},
    {"carousel", "Derelict", kGrey},
    {"ratrace", "Rat Race", kGrey},
    {"longest", "Longest", kGrey},
    {"prisoner", "Prisoner", kGrey},
    {"wizard", "Wizard", kGrey},
    {"putput", "Chiron TL34", kGrey},
    {"gephyrophobia", "Gephyrophobia", kGrey},
    {"dangercanyon", "Danger Canyon", kGrey},
    {"deathisland", "Death Island", 0x24CF16},
    {"infinity", "Infinity", kGrey},
    {"icefields", "Icefields", kGrey},
    {"timberland", "Timberland", kGrey},
    {"ui", "User Interface", kGrey},
    // No match: exact, case-sensitive, whole-text comparison.
    {"BloodGulch", "Unknown", kGrey},
    {"bloodgulch2", "Unknown", kGrey},
    {"bloodgulc", "Unknown", kGrey},
    {"", "Unknown", kGrey},
};

TEST(Identify, EveryLevelGetsItsDisplayNameAndTreeColour) {
  for (const Level& level : kLevels) {
    SCOPED_TRACE(level.mapName);
    TestMap t(SmallMap(level.mapName));
    t.Open();
    EXPECT_EQ(t.map.m_strMapName, level.mapName);
    EXPECT_EQ(t.map.m_strNickname, level.nickname);
    EXPECT_EQ(t.tree.BackgroundColor(), level.color);
  }
}

TEST(Identify, TwoLevelsShareOneColourAndTheUserInterfaceIsGrey) {
  TestMap cartographer(SmallMap("b30"));
  TestMap island(SmallMap("deathisland"));
  TestMap ui(SmallMap("ui", 7, 2));
  cartographer.Open();
  island.Open();
  ui.Open();
  EXPECT_EQ(cartographer.tree.BackgroundColor(), island.tree.BackgroundColor());
  EXPECT_EQ(island.tree.BackgroundColor(), 0x24CF16u);  // red 22, green 207, blue 36
  EXPECT_EQ(ui.map.m_strNickname, "User Interface");
  EXPECT_EQ(ui.map.m_strTypeText, "User Interface");
  EXPECT_EQ(ui.tree.BackgroundColor(), kGrey);
}

TEST(Identify, TheTextsStayNoneUntilAMapIsIdentified) {
  CMapFile map;
  EXPECT_EQ(map.m_strNickname, "None");
  EXPECT_EQ(map.m_strTypeText, "None");
  EXPECT_EQ(map.m_strFormatText, "None");
  EXPECT_FALSE(map.m_bOpen);
}

}  // namespace
}  // namespace jov
