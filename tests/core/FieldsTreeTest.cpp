// The layout engine on a generated map: a weapon's blocks followed to their
// entries, references named, and every way a block can be broken.
#include <gtest/gtest.h>

#include <functional>

#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "map/Refused.h"
#include "support/FieldsMap.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::FieldsMap;

const DefinitionSet& BuiltIn() {
  static const DefinitionSet set = [] {
    DefinitionSet s;
    s.LoadFolder(BuiltInDefinitionsFolder());
    return s;
  }();
  return set;
}

struct Built {
  testing::TestMap file;
  FieldTree tree;
  Built(const FieldsMap& map, int tag) : file(map.Bytes()) {
    file.Open();
    tree = BuildFieldTree(file.map, tag, BuiltIn().Find(file.Tag(tag).strClass1));
  }
  const FieldNode& At(const std::string& path) const {
    const int i = tree.Find(path);
    if (i < 0) throw std::runtime_error("no node " + path);
    return tree.nodes[static_cast<std::size_t>(i)];
  }
  std::string Shown(const std::string& path) const { return DisplayText(tree, At(path)); }
};

TEST(FieldsTree, WeaponBlocksAreFollowedAndReferencesNamed) {
  FieldsMap map;
  Built built(map, FieldsMap::kWeapon);
  EXPECT_TRUE(built.tree.messages.empty());
  EXPECT_EQ(built.tree.tagText, "weap:weapons\\pistol\\pistol");
  EXPECT_EQ(built.Shown("magazines"), "2 entries");
  EXPECT_EQ(built.Shown("magazines[0].rounds_loaded_maximum"), "12");
  EXPECT_EQ(built.Shown("magazines[1].rounds_loaded_maximum"), "8");
  EXPECT_EQ(built.At("magazines[1].rounds_loaded_maximum").offset, FieldsMap::kMagazinesAt + 0x70 + 0x0A);
  EXPECT_EQ(built.Shown("magazines[0].reload_time"), "1.5");
  EXPECT_EQ(built.Shown("triggers[0].projectile"), "proj:weapons\\pistol\\bullet");
  EXPECT_EQ(built.Shown("player_melee_damage"), "jpt!:weapons\\pistol\\melee");
  EXPECT_EQ(built.Shown("model"), "none");
  EXPECT_EQ(built.Shown("secondary_trigger_mode"), "slaved_to_primary");
  EXPECT_EQ(built.Shown("weapon_flags"), "vertical_heat_display, must_be_readied");
  EXPECT_EQ(built.Shown("label"), "pistol");
  EXPECT_EQ(built.Shown("magnification_range"), "1, 2");
  EXPECT_TRUE(built.At("triggers[0].computed_rate_0").readOnly);
  EXPECT_EQ(built.tree.Find("magazines[2].rounds_loaded_maximum"), -1);
  // Entries come right after their block, each entry's fields after it.
  const int block = built.tree.Find("magazines");
  EXPECT_EQ(built.tree.nodes[static_cast<std::size_t>(block) + 1].path, "magazines[0]");
  EXPECT_TRUE(built.tree.nodes[static_cast<std::size_t>(block) + 1].entry);
  EXPECT_EQ(built.tree.nodes[static_cast<std::size_t>(block) + 2].path, "magazines[0].flags");

  const nlohmann::ordered_json angle = FieldJson(built.tree, built.At("autoaim_angle"));
  EXPECT_FLOAT_EQ(angle["value"].get<float>(), 0.1f);
  EXPECT_NEAR(std::stod(angle["display"].get<std::string>()), 5.729578, 1e-5);
  const nlohmann::ordered_json flags = FieldJson(built.tree, built.At("weapon_flags"));
  EXPECT_EQ(flags["value"], 9);
  EXPECT_EQ(flags["text"], nlohmann::ordered_json::array({"vertical_heat_display", "must_be_readied"}));
  EXPECT_EQ(FieldJson(built.tree, built.At("triggers[0].projectile"))["identifier"], 0xE1740002u);

  Built projectile(map, FieldsMap::kProjectile);
  EXPECT_EQ(projectile.Shown("initial_velocity"), "300");  // 10 per tick, 30 ticks a second
  EXPECT_EQ(FieldJson(projectile.tree, projectile.At("initial_velocity"))["value"], 10.0);
}

TEST(FieldsTree, BrokenBlocksAreNamedAndNotFollowed) {
  const struct {
    const char* name;
    std::function<void(FieldsMap&)> damage;
    const char* error;
  } cases[] = {
      {"pointer into another tag",
       [](FieldsMap& m) { PutLe32(m.Meta(FieldsMap::kWeapon), 0x4F4, m.Pointer(FieldsMap::kProjectile, 0)); },
       "leaves the tag's metadata"},
      {"pointer below the tag",
       [](FieldsMap& m) { PutLe32(m.Meta(FieldsMap::kWeapon), 0x4F4, m.Pointer(FieldsMap::kWeapon, 0) - 0x10); },
       "leaves the tag's metadata"},
      {"count over 65,535", [](FieldsMap& m) { PutLe32(m.Meta(FieldsMap::kWeapon), 0x4F0, 70000); }, "count 70000 is outside 0 to 65,535"},
      {"negative count", [](FieldsMap& m) { PutLe32(m.Meta(FieldsMap::kWeapon), 0x4F0, 0xFFFFFFFF); }, "count -1 is outside"},
      {"entries past the end", [](FieldsMap& m) { PutLe32(m.Meta(FieldsMap::kWeapon), 0x4F0, 5); },
       "5 entries of 0x70 bytes from 0x508 run past the end of the tag's metadata (0x6fc bytes)"},
      {"pointing at itself", [](FieldsMap& m) { m.Block(FieldsMap::kWeapon, 0x4F0, 1, 0x4E0); }, "would hold the block itself"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FieldsMap map;
    c.damage(map);
    Built built(map, FieldsMap::kWeapon);
    const FieldNode& magazines = built.At("magazines");
    EXPECT_NE(magazines.error.find(c.error), std::string::npos) << magazines.error;
    EXPECT_EQ(built.tree.Find("magazines[0]"), -1);
    EXPECT_EQ(built.tree.Find("magazines[0].rounds_loaded_maximum"), -1);
    // The other block is still followed.
    EXPECT_EQ(built.Shown("triggers[0].projectile"), "proj:weapons\\pistol\\bullet");
    EXPECT_EQ(DisplayText(built.tree, magazines).rfind("broken: ", 0), 0u);
    EXPECT_THROW(PlanFieldSet(built.file.map, built.tree, "magazines[0].rounds_loaded_maximum", "1", false), Refused);
  }
}

TEST(FieldsTree, UnknownIdentifiersSmallTagsAndClassesWithoutDefinition) {
  FieldsMap map;
  PutLe32(map.Meta(FieldsMap::kWeapon), FieldsMap::kTriggersAt + 0x94 + 12, 0x12345678);
  // The damage effect's tag is smaller than its class: what lies past it is not read.
  map.Meta(FieldsMap::kDamage).resize(0x130);
  Built weapon(map, FieldsMap::kWeapon);
  EXPECT_EQ(weapon.Shown("triggers[0].projectile"), "(no tag has the identifier 0x12345678)");
  EXPECT_TRUE(FieldJson(weapon.tree, weapon.At("triggers[0].projectile"))["value"].is_null());

  Built damage(map, FieldsMap::kDamage);
  ASSERT_EQ(damage.tree.messages.size(), 1u);
  EXPECT_NE(damage.tree.messages[0].find("smaller than the 0x2a0 bytes"), std::string::npos);
  EXPECT_EQ(damage.tree.bytes.size(), 0x130u);
  EXPECT_EQ(damage.Shown("sound"), "snd!:weapons\\pistol\\fire");
  EXPECT_EQ(damage.At("stun").error, "past the end of the tag's metadata (0x130 bytes)");
  EXPECT_THROW(PlanFieldSet(damage.file.map, damage.tree, "stun", "1", false), Refused);
  // Nothing past the end is read, references and blocks included: there is no
  // value there, in a cut tag or an empty one.
  FieldsMap empty;
  empty.Meta(FieldsMap::kWeapon).clear();
  Built none(empty, FieldsMap::kWeapon);
  for (const Built* b : {&damage, &none})
    for (const FieldNode& node : b->tree.nodes)
      if (!node.entry && std::uint64_t{node.offset} + node.size > b->tree.bytes.size()) {
        EXPECT_TRUE(FieldJson(b->tree, node)["value"].is_null()) << node.path;
      }

  // snd! has no definition: what the scanner finds is listed at its offsets.
  FieldsMap plain;
  plain.Reference(FieldsMap::kSound, 0x10, FieldsMap::kDamage);
  plain.Block(FieldsMap::kSound, 0x20, 1, 0x30);
  Built sound(plain, FieldsMap::kSound);
  ASSERT_EQ(sound.tree.def, nullptr);
  EXPECT_EQ(sound.Shown("reference_10"), "jpt!:weapons\\pistol\\melee");
  EXPECT_EQ(sound.At("block_20").count, 1);
  EXPECT_EQ(sound.At("block_20").entriesAt, 0x30u);
}

}  // namespace
}  // namespace jov
