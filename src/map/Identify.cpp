#include <array>
#include <utility>

#include "map/MapFile.h"

// Naming an opened map: its release, its type, the level's display name and the
// tag tree's colour for that level.
namespace jov {

namespace {

std::string FormatText(std::uint16_t version) {
  switch (version) {
    case kVersionXbox: return "Xbox";
    case kVersionPc: return "Halo PC";
    case kVersionCe: return "Halo CE";
    default: return "Unknown";
  }
}

std::string TypeText(std::uint16_t type) {
  switch (type) {
    case 0: return "Campaign";
    case 1: return "Multiplayer";
    case 2: return "User Interface";
    default: return "Unknown";
  }
}

std::string Nickname(const std::string& mapName) {
  static const std::array<std::pair<const char*, const char*>, 30> kLevels = {{
      {"bloodgulch", "Blood Gulch"}, {"a10", "Pillar of Autumn"}, {"a30", "Halo"},
      {"a50", "The Truth and Reconciliation"}, {"b30", "The Silent Cartographer"},
      {"b40", "Assault on the Control Room"}, {"c10", "343 Guilty Spark"}, {"c20", "The Library"},
      {"c40", "Two Betrayals"}, {"d20", "Keyes"}, {"d40", "The Maw"}, {"sidewinder", "Sidewinder"},
      {"hangemhigh", "Hang 'em High"}, {"beavercreek", "Battle Creek"}, {"damnation", "Damnation"},
      {"chillout", "Chill Out"}, {"boardingaction", "Boarding Action"}, {"carousel", "Derelict"},
      {"ratrace", "Rat Race"}, {"longest", "Longest"}, {"prisoner", "Prisoner"}, {"wizard", "Wizard"},
      {"putput", "Chiron TL34"}, {"gephyrophobia", "Gephyrophobia"}, {"dangercanyon", "Danger Canyon"},
      {"deathisland", "Death Island"}, {"infinity", "Infinity"}, {"icefields", "Icefields"},
      {"timberland", "Timberland"}, {"ui", "User Interface"},
  }};
  for (const auto& [name, display] : kLevels)
    if (mapName == name) return display;
  return "Unknown";
}

std::uint32_t TreeColor(const std::string& nickname) {
  static const std::array<std::pair<const char*, std::uint32_t>, 14> kColors = {{
      {"Blood Gulch", 0x4080FF}, {"The Silent Cartographer", 0x24CF16},
      {"The Truth and Reconciliation", 0xEE00EE}, {"Halo", 0x03D618}, {"The Library", 0x916D64},
      {"Pillar of Autumn", 0xA0A09E}, {"Keyes", 0xBC00C1}, {"Assault on the Control Room", 0xFFFFFF},
      {"Two Betrayals", 0x9A8C9B}, {"343 Guilty Spark", 0x549E58}, {"The Maw", 0x50A0A3},
      {"Chill Out", 0xE124AD}, {"Damnation", 0xE148B7}, {"Death Island", 0x24CF16},
  }};
  for (const auto& [name, color] : kColors)
    if (nickname == name) return color;
  return 0xBBBBBB;
}

}  // namespace

void CMapFile::Identify(TreeView& tree) {
  m_strFormatText = FormatText(m_nVersion);
  m_strTypeText = TypeText(m_nMapType);
  m_strNickname = Nickname(m_strMapName);
  tree.SetBackgroundColor(TreeColor(m_strNickname));
}

}  // namespace jov
