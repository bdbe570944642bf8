// jov-cli fields and set on a generated map: each field type written changes
// exactly its bytes and undoes back; every refusal writes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "support/ChangedBytes.h"
#include "support/FieldsMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::FieldsMap;
using testing::RunCli;
using Bytes = std::vector<unsigned char>;

Bytes F32(std::initializer_list<float> values) {
  Bytes bytes;
  for (const float v : values)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(FloatBits(v) >> (8 * i)));
  return bytes;
}
Bytes Le(std::uint32_t value, int n) {
  Bytes bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
  return bytes;
}
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kWeapon = "weap:weapons\\pistol\\pistol";

TEST(FieldsCli, EachTypeWritesExactlyItsBytesAndUndoes) {
  FieldsMap map;
  // Class (stored reversed), the name pointer of its index record, the name's
  // length left alone, the identifier.
  const Bytes soundReference =
      Cat(Cat({'!', 'd', 'n', 's'}, Le(map.layout.nameOffsets[FieldsMap::kSound] + map.plan.magic, 4)),
          Cat(Le(0, 4), Le(map.plan.tags[FieldsMap::kSound].identifier, 4)));
  const struct {
    int tag;
    const char* path;
    const char* value;
    bool raw;
    std::uint32_t at;  // from the tag's metadata start
    Bytes bytes;
  } cases[] = {
      {FieldsMap::kWeapon, "ready_time", "0.75", false, 0x338, F32({0.75f})},
      {FieldsMap::kWeapon, "magazines[1].rounds_loaded_maximum", "120", false, FieldsMap::kMagazinesAt + 0x70 + 0x0A, Le(120, 2)},
      {FieldsMap::kWeapon, "magazines[0].rounds_loaded_maximum", "-3", false, FieldsMap::kMagazinesAt + 0x0A, Le(0xFFFD, 2)},
      {FieldsMap::kWeapon, "secondary_trigger_mode", "inhibits_primary", false, 0x32C, Le(2, 2)},
      {FieldsMap::kWeapon, "secondary_trigger_mode", "4", false, 0x32C, Le(4, 2)},
      {FieldsMap::kWeapon, "weapon_flags", "must_be_readied,prevents_melee_attack", false, 0x308, Le(0x208, 4)},
      {FieldsMap::kWeapon, "weapon_flags", "5", false, 0x308, Le(5, 4)},
      {FieldsMap::kWeapon, "label", "magnum", false, 0x30C, Cat({'m', 'a', 'g', 'n', 'u', 'm'}, Bytes(26, 0))},
      {FieldsMap::kWeapon, "magnification_range", "1.5, 8", false, 0x3DC, F32({1.5f, 8.0f})},
      {FieldsMap::kWeapon, "autoaim_angle", "0.25", true, 0x3E4, F32({0.25f})},
      {FieldsMap::kWeapon, "triggers[0].projectile", "none", false, FieldsMap::kTriggersAt + 0x94 + 12, Le(0xFFFFFFFF, 4)},
      {FieldsMap::kWeapon, "ready_effect", "snd!:weapons\\pistol\\fire", false, 0x33C, soundReference},
      // --raw lets a reference name a class the definition does not allow.
      {FieldsMap::kWeapon, "player_melee_damage", "snd!:weapons\\pistol\\fire", true, 0x394, soundReference},
      {FieldsMap::kProjectile, "initial_velocity", "600", false, 0x1E4, F32({20.0f})},
      {FieldsMap::kProjectile, "initial_velocity", "7", true, 0x1E4, F32({7.0f})},
      {FieldsMap::kProjectile, "guided_angular_velocity", "0.5", true, 0x1EC, F32({0.5f})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + std::string(" = ") + c.value);
    testing::TempDir dir;
    const std::string path = dir.Write("fields.map", map.Bytes());
    const Bytes before = ReadBytesFromFile(path);
    std::vector<std::string> args{"set", path, std::to_string(c.tag), c.path, c.value};
    if (c.raw) args.push_back("--raw");
    const auto result = RunCli(args);
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("Set " + std::string(c.path) + " of "), std::string::npos) << result.out;
    const Bytes after = ReadBytesFromFile(path);
    const std::size_t at = map.FileOffset(c.tag, c.at);
    EXPECT_EQ(testing::ChangeOutside(before, after, at, c.bytes.size()), std::nullopt);
    EXPECT_EQ(Bytes(after.begin() + static_cast<long>(at), after.begin() + static_cast<long>(at + c.bytes.size())), c.bytes);
    const auto undo = RunCli({"undo", path});
    ASSERT_EQ(undo.status, 0) << undo.out << undo.err;
    EXPECT_EQ(ReadBytesFromFile(path), before);
  }
}

TEST(FieldsCli, DisplayUnitsReadBackThroughFields) {
  FieldsMap map;
  testing::TempDir dir;
  const std::string path = dir.Write("fields.map", map.Bytes());
  ASSERT_EQ(RunCli({"set", path, kWeapon, "autoaim_angle", "90"}).status, 0);
  const auto shown = RunCli({"fields", path, kWeapon, "--json"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const auto doc = nlohmann::json::parse(shown.out);
  EXPECT_EQ(doc["tag"], kWeapon);
  EXPECT_EQ(doc["class"], "weap");
  bool seen = false;
  for (const auto& field : doc["fields"])
    if (field["path"] == "autoaim_angle") {
      seen = true;
      EXPECT_NEAR(field["value"].get<double>(), 1.5707963, 1e-6);
      EXPECT_EQ(field["display"], "90");
      EXPECT_EQ(field["offset"], 0x3E4);
    }
  EXPECT_TRUE(seen);

  const auto text = RunCli({"fields", path, kWeapon});
  EXPECT_NE(text.out.find("magazines[0].rounds_loaded_maximum\tint16\t12\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("magazines\tblock[0x70]\t2 entries\n"), std::string::npos);
  EXPECT_NE(text.out.find("triggers[0].projectile\ttagref\tproj:weapons\\pistol\\bullet\n"), std::string::npos);
  EXPECT_EQ(text.out.find("unknown_"), std::string::npos);
  EXPECT_NE(RunCli({"fields", path, kWeapon, "--all"}).out.find("unknown_8\tunknown[32]\t"), std::string::npos);

  const auto dry = RunCli({"set", path, kWeapon, "ready_time", "2", "--dry-run"});
  EXPECT_EQ(dry.status, 0);
  EXPECT_NE(dry.out.find("write 0x"), std::string::npos) << dry.out;
  EXPECT_NE(RunCli({"fields", path, kWeapon}).out.find("ready_time\tfloat\t0.5\n"), std::string::npos);
}

TEST(FieldsCli, RefusalsWriteNothing) {
  const struct {
    const char* path;
    const char* value;
    const char* message;
    bool brokenMagazines;
  } cases[] = {
      {"no_such_field", "1", "has no field no_such_field", false},
      {"magazines[2].rounds_loaded_maximum", "1", "magazines has 2 entries, no [2]", false},
      {"magazines[0].rounds_loaded_maximum", "40000", "not an integer from -32768 to 32767", false},
      {"ready_time", "fast", "\"fast\" is not a number", false},
      {"magnification_range", "1", "give 2 numbers", false},
      {"secondary_trigger_mode", "sideways", "neither an option", false},
      {"weapon_flags", "not_a_bit", "names no bit", false},
      {"label", "a label far longer than thirty-one bytes", "longer than 31 bytes", false},
      {"ready_effect", "weap:nothing", "is no tag of the map", false},
      {"player_melee_damage", "snd!:weapons\\pistol\\fire", "class jpt!, not snd!", false},
      {"triggers[0].computed_rate_0", "1", "read-only", false},
      {"magazines", "3", "a block is not set as a value", false},
      {"magazines[0].rounds_loaded_maximum", "1", "broken block", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + std::string(" = ") + c.value);
    FieldsMap map;
    if (c.brokenMagazines) PutLe32(map.Meta(FieldsMap::kWeapon), 0x4F0, 70000);
    testing::TempDir dir;
    const std::string path = dir.Write("fields.map", map.Bytes());
    const Bytes before = ReadBytesFromFile(path);
    const auto result = RunCli({"set", path, kWeapon, c.path, c.value});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(c.message), std::string::npos) << result.out << result.err;
    EXPECT_EQ(ReadBytesFromFile(path), before);
  }
}

TEST(FieldsCli, UsersPluginFolderWinsAndABadFileIsNamed) {
  FieldsMap map;
  testing::TempDir dir;
  const std::string path = dir.Write("fields.map", map.Bytes());
  const std::string plugin = R"xml(<plugin baseSize="0x508">
  <float32 name="Ready Time (seconds)" offset="0x338" />
  <int16 name="Object Type" offset="0x0" visible="false" />
</plugin>)xml";
  const std::string defs = dir.File("defs");
  std::filesystem::create_directory(defs);
  WriteBytesToFile(defs + "/weap.xml", Bytes(plugin.begin(), plugin.end()));
  const std::string bad = "{\"class\": \"proj\",\n\"size\": }";
  WriteBytesToFile(defs + "/proj.json", Bytes(bad.begin(), bad.end()));
  const auto result = RunCli({"fields", path, kWeapon, "--definitions", defs});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "ready_time_seconds\tfloat\t0.5\n");
  EXPECT_NE(result.err.find("proj.json:2: not JSON"), std::string::npos) << result.err;
  EXPECT_NE(RunCli({"fields", path, kWeapon, "--definitions", defs, "--all"}).out.find("object_type\tint16\t2\n"), std::string::npos);
  // The proj class keeps its built-in layout.
  EXPECT_NE(RunCli({"fields", path, "2", "--definitions", defs}).out.find("initial_velocity\tfloat (per second)\t300\n"), std::string::npos);
}

}  // namespace
}  // namespace jov
