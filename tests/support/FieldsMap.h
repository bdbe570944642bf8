#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "map/SampleMap.h"
#include "map/ValueText.h"

namespace jov::testing {

// A small PC map whose weapon has real-sized metadata with blocks: two
// magazines and one trigger after the weapon's 0x508 bytes, a trigger whose
// projectile references the map's proj tag, a melee damage referencing its
// jpt!. Offsets of interest are kept so tests can break or check them.
struct FieldsMap {
  static constexpr int kScenario = 0, kWeapon = 1, kProjectile = 2, kDamage = 3, kSound = 4, kLast = 5;
  static constexpr std::uint32_t kMagazinesAt = 0x508;           // two entries of 0x70
  static constexpr std::uint32_t kTriggersAt = 0x508 + 2 * 0x70;  // one entry of 0x114
  static constexpr std::uint32_t kWeaponSize = kTriggersAt + 0x114;

  SampleMapPlan plan;
  SampleLayout layout;

  std::uint32_t Pointer(int tag, std::uint32_t at) const { return layout.metaOffsets[static_cast<std::size_t>(tag)] + plan.magic + at; }
  std::vector<unsigned char>& Meta(int tag) { return plan.tags[static_cast<std::size_t>(tag)].meta; }
  void Float(int tag, std::uint32_t at, float value) { PutLe32(Meta(tag), at, FloatBits(value)); }
  void Block(int tag, std::uint32_t at, std::uint32_t count, std::uint32_t entriesAt) {
    PutLe32(Meta(tag), at, count);
    PutLe32(Meta(tag), at + 4, Pointer(tag, entriesAt));
  }
  void Reference(int tag, std::uint32_t at, int target) {
    const SampleTag& t = plan.tags[static_cast<std::size_t>(target)];
    PutClassCode(Meta(tag), at, t.class1);
    PutLe32(Meta(tag), at + 4, layout.nameOffsets[static_cast<std::size_t>(target)] + plan.magic);
    PutLe32(Meta(tag), at + 12, t.identifier);
  }
  void NoReference(int tag, std::uint32_t at) { PutLe32(Meta(tag), at + 12, 0xFFFFFFFF); }

  FieldsMap() {
    const std::pair<const char*, const char*> tags[] = {
        {"scnr", "levels\\test\\test"},   {"weap", "weapons\\pistol\\pistol"}, {"proj", "weapons\\pistol\\bullet"},
        {"jpt!", "weapons\\pistol\\melee"}, {"snd!", "weapons\\pistol\\fire"},  {"effe", "effects\\last"}};
    const std::uint32_t sizes[] = {0x5B0, kWeaponSize, 0x24C, 0x2A0, 0x40, 0x40};
    for (std::size_t i = 0; i < std::size(tags); ++i) {
      SampleTag tag;
      tag.class1 = tags[i].first;
      tag.name = tags[i].second;
      tag.identifier = 0xE1740000u + static_cast<std::uint32_t>(i);
      tag.meta.assign(sizes[i], 0);
      plan.tags.push_back(tag);
    }
    layout = LayoutOf(plan);
    for (const std::uint32_t at : {0x28u, 0x38u, 0x70u, 0x80u, 0x248u, 0x258u, 0x2E8u, 0x2F8u, 0x33Cu, 0x374u, 0x384u,
                                   0x3A4u, 0x45Cu, 0x46Cu, 0x480u, 0x490u})
      NoReference(kWeapon, at);
    PutLe16(Meta(kWeapon), 0x00, 2);  // object type
    Float(kWeapon, 0x338, 0.5f);      // ready time
    Reference(kWeapon, 0x394, kDamage);
    std::memcpy(Meta(kWeapon).data() + 0x30C, "pistol", 6);
    PutLe16(Meta(kWeapon), 0x32C, 1);  // slaved to primary
    PutLe32(Meta(kWeapon), 0x308, 0x9);
    Float(kWeapon, 0x3DC, 1.0f);
    Float(kWeapon, 0x3E0, 2.0f);
    Float(kWeapon, 0x3E4, 0.1f);  // autoaim angle, radians
    Block(kWeapon, 0x4F0, 2, kMagazinesAt);
    Block(kWeapon, 0x4FC, 1, kTriggersAt);
    PutLe16(Meta(kWeapon), kMagazinesAt + 0x0A, 12);
    PutLe16(Meta(kWeapon), kMagazinesAt + 0x70 + 0x0A, 8);
    Float(kWeapon, kMagazinesAt + 0x14, 1.5f);
    Reference(kWeapon, kTriggersAt + 0x94, kProjectile);
    Float(kWeapon, kTriggersAt + 0xF0, 3.0f);  // computed when the map is built
    Float(kProjectile, 0x1E4, 10.0f);           // initial velocity, per tick
    NoReference(kProjectile, 0x1AC);
    Reference(kDamage, 0x114, kSound);
  }

  std::vector<unsigned char> Bytes() const { return WriteSampleMap(plan); }
  std::uint32_t FileOffset(int tag, std::uint32_t at) const { return layout.metaOffsets[static_cast<std::size_t>(tag)] + at; }
};

}  // namespace jov::testing
