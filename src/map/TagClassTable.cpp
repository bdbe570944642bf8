#include "map/TagClassTable.h"

#include <unordered_map>

namespace jov {

const std::array<TagClassRow, TagClassTable::kRows>& TagClassTable::Rows() {
  static const std::array<TagClassRow, kRows> rows = {{
      {"actr", "Actor"}, {"actv", "Actor Variant"}, {"ant!", "Antenna"},
      {"antr", "Animation Trigger"}, {"bipd", "Biped"}, {"bitm", "Bitmap"},
      {"coll", "Collision Model"}, {"colo", "Color Group"}, {"cont", "Contrail"},
      {"ctrl", "Control"}, {"deca", "Decal"}, {"DeLa", "UI Item"},
      {"devc", "Device Control"}, {"devi", "Device"}, {"dobc", "Detail Object Collision"},
      {"effe", "Effect"}, {"elec", "Lightning"}, {"eqip", "Equipment"},
      {"flag", "Flag"}, {"fog ", "Fog"}, {"font", "Font"},
      {"foot", "Material Effect"}, {"garb", "Garbage"}, {"glw!", "Glow System"},
      {"grhi", "Grenade HUD Interface"}, {"hmt ", "HUD Message Text"}, {"hud#", "HUD Number"},
      {"hudg", "HUD Globals"}, {"item", "Item"}, {"itmc", "Item Collection"},
      {"jpt!", "Damage"}, {"lens", "Lens Flare"}, {"lifi", "Light Fixture"},
      {"ligh", "Light"}, {"lsnd", "Looping Sound"}, {"mach", "Machine"},
      {"matg", "Game Globals"}, {"metr", "Meter"}, {"mgs2", "Light Volume"},
      {"mod2", "Model (PC)"}, {"mode", "Model (Xbox)"}, {"mply", "Multiplayer Scenario"},
      {"obje", "Object"}, {"part", "Particle"}, {"pctl", "Particle System"},
      {"phys", "Physics"}, {"plac", "Placeholder"}, {"pphy", "Point Physics"},
      {"proj", "Projectile"}, {"rain", "Weather Particle System"}, {"sbsp", "Structure BSP"},
      {"scen", "Scenery"}, {"scex", "Shader Transparency Chicago Extended"},
      {"schi", "Shader Transparency Chicago"}, {"scnr", "Scenario"},
      {"senv", "Shader Environment"}, {"sgla", "Shader Transparency Glass"},
      {"shdr", "Shader"}, {"sky ", "Sky"}, {"smet", "Shader Transparency Meter"},
      {"snd!", "Sound"}, {"snde", "Sound Environment"}, {"soso", "Shader Model"},
      {"sotr", "Shader Transparency Generic"}, {"Soul", "UI Item Collection"},
      {"spla", "Shader Transparency Plasma"}, {"ssce", "Sound Scenery"},
      {"str#", "String List"}, {"swat", "Shader Transparency Water"},
      {"tagc", "Tag Collection"}, {"trak", "Camera Track"}, {"udlg", "Unit Dialog"},
      {"unhi", "Unit HUD Interface"}, {"unit", "Unit"}, {"ustr", "Unicode String List"},
      {"vehi", "Vehicle"}, {"weap", "Weapon"}, {"wind", "Wind"},
      {"wphi", "Weapon HUD Interface"}, {std::string(4, '\xFF'), "Nulled Out"},
  }};
  return rows;
}

int TagClassTable::Find(const std::string& code) {
  static const std::unordered_map<std::string, int> byCode = [] {
    std::unordered_map<std::string, int> map;
    for (int row = kRows - 1; row >= 0; --row) map[Rows()[row].code] = row;
    return map;
  }();
  const auto it = byCode.find(code);
  return it == byCode.end() ? -1 : it->second;
}

bool TagClassTable::IsKnownReferenceClass(const std::string& code) {
  const int row = Find(code);
  return row >= 0 && row < kSearchRows;
}

const std::string& TagClassTable::NulledOutCode() { return Rows()[kRows - 1].code; }

std::string TagClassTable::GroupText(int row) { return Rows()[row].code + " -- " + Rows()[row].name; }

}  // namespace jov
