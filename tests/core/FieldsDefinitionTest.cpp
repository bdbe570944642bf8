// The built-in definitions walked field by field, users' definition files that
// are wrong in each way a file can be, and the plugin reader on small files.
#include <gtest/gtest.h>

#include <string>

#include "fields/FieldDefinition.h"
#include "fields/PluginReader.h"
#include "support/TempDir.h"

namespace jov {
namespace {

// Every field inside its struct (the class size or the block's entry size), in
// order without sharing a byte, sized as its type says. Returns the number of
// fields walked.
int Walk(const std::vector<FieldDef>& fields, std::uint32_t size, const std::string& where) {
  int walked = 0;
  std::uint32_t end = 0;
  for (const FieldDef& f : fields) {
    SCOPED_TRACE(where + f.id);
    EXPECT_GE(f.offset, end) << "overlaps the field before it";
    EXPECT_LE(std::uint64_t{f.offset} + f.size, size) << "runs past its struct";
    if (f.type != FieldType::String && f.type != FieldType::Unknown) {
      EXPECT_EQ(f.size, FieldTypeSize(f.type));
    }
    end = f.offset + f.size;
    ++walked;
    if (f.type == FieldType::Block) {
      EXPECT_GT(f.entrySize, 0u);
      walked += Walk(f.entry, f.entrySize, where + f.id + "[].");
    }
  }
  return walked;
}

FieldDef Def(const std::string& id, FieldType type, std::uint32_t offset) {
  FieldDef f;
  f.id = id;
  f.type = type;
  f.offset = offset;
  f.size = FieldTypeSize(type);
  return f;
}

const FieldDef* Named(const std::vector<FieldDef>& fields, const std::string& id) {
  for (const FieldDef& f : fields)
    if (f.id == id) return &f;
  return nullptr;
}

TEST(FieldsDefinition, EveryBuiltInClassWalksInsideItsSize) {
  DefinitionSet set;
  set.LoadFolder(BuiltInDefinitionsFolder());
  EXPECT_TRUE(set.Messages().empty()) << set.Messages().front();
  // The class sizes of the map format, and one field each class gets from its
  // parents or itself at its offset.
  const struct {
    const char* cls;
    std::uint32_t size;
    const char* id;
    std::uint32_t offset;
  } classes[] = {
      {"weap", 0x508, "magazines", 0x4F0},       {"eqip", 0x3B0, "powerup_time", 0x30C},
      {"garb", 0x3B0, "detonation_delay", 0x2E0}, {"proj", 0x24C, "initial_velocity", 0x1E4},
      {"bipd", 0x4F4, "weapons", 0x2D8},          {"vehi", 0x3F0, "seats", 0x2E4},
      {"ctrl", 0x318, "functions", 0x158},        {"scen", 0x1FC, "model", 0x28},
      {"jpt!", 0x2A0, "material_modifier_32", 0x280}, {"cdmg", 0x200, nullptr, 0},
      {"itmc", 0x5C, "permutations", 0x00},       {"matg", 0x1AC, "player_information", 0x170},
      {"scnr", 0x5B0, "structure_bsps", 0x5A4},    {"coll", 0x298, "recharge_time", 0x110},
  };
  int walked = 0;
  for (const auto& c : classes) {
    SCOPED_TRACE(c.cls);
    const ClassDef* def = set.Find(c.cls);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->size, c.size);
    EXPECT_TRUE(CheckLayout(*def).empty());
    walked += Walk(def->fields, def->size, std::string(c.cls) + ".");
    if (c.id) {
      const FieldDef* f = Named(def->fields, c.id);
      ASSERT_NE(f, nullptr) << c.id;
      EXPECT_EQ(f->offset, c.offset);
    }
  }
  EXPECT_GT(walked, 200);
  // Parents are no tag's class; units and read-only values are carried.
  EXPECT_EQ(set.Find("object"), nullptr);
  const ClassDef* proj = set.Find("proj");
  EXPECT_EQ(Named(proj->fields, "final_velocity")->unit, FieldUnit::PerTick);
  const ClassDef* weap = set.Find("weap");
  const FieldDef* triggers = Named(weap->fields, "triggers");
  EXPECT_TRUE(Named(triggers->entry, "computed_rate_5")->readOnly);
  EXPECT_EQ(Named(triggers->entry, "minimum_error")->unit, FieldUnit::Radians);
  EXPECT_EQ(Named(weap->fields, "secondary_trigger_mode")->names.at(3), "loads_alternate_ammunition");
}

TEST(FieldsDefinition, CheckLayoutNamesOverlapsAndFieldsPastTheSize) {
  ClassDef def;
  def.size = 0x10;
  def.fields.push_back(Def("a", FieldType::Float, 0));
  def.fields.push_back(Def("b", FieldType::Int16, 2));
  FieldDef block = Def("c", FieldType::Block, 4);
  block.entrySize = 4;
  block.entry.push_back(Def("d", FieldType::Float, 2));
  def.fields.push_back(block);
  const auto problems = CheckLayout(def);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("b at 0x2 overlaps a"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("c[].d at 0x2 (4 bytes) runs past the size 0x4"), std::string::npos) << problems[1];
}

TEST(FieldsDefinition, UsersFilesWinPerClassAndBadOnesAreSkippedWithTheirPlace) {
  testing::TempDir dir;
  auto write = [&](const std::string& name, const std::string& text) {
    dir.Write(name, std::vector<unsigned char>(text.begin(), text.end()));
  };
  // weap: a user's own weapon layout, on top of the built-in item.
  write("weap.json", R"({"class": "weap", "include": "item", "size": "0x508",
    "fields": [{"id": "my_time", "offset": "0x338", "type": "float", "description": "Seconds to reload."}]})");
  // Each of these is skipped; the built-in class stays.
  write("proj.json", R"({"class": "proj", "size": "0x24C", "fields": [
    {"id": "a", "offset": "0x10", "type": "float"},
    {"id": "b", "offset": "0x12", "type": "int16"}]})");
  write("eqip.json", R"({"class": "eqip", "size": "0x10", "fields": [{"id": "far", "offset": "0x20", "type": "float"}]})");
  write("garb.json", "{\"class\": \"garb\",\n \"size\": \"0x3B0\",\n \"fields\": [ {\"id\": \"x\" \"offset\": 1} ]}");
  write("bipd.json", R"({"class": "bipd", "size": "0x4F4", "fields": [{"id": "x", "offset": "0", "type": "quaternion"}]})");
  write("vehi.json", R"({"class": "vehi", "include": "nothing", "size": "0x3F0", "fields": []})");
  write("notes.txt", "not a definition");

  DefinitionSet set = LoadDefinitions(dir.Path());
  const auto messages = set.Messages();
  const std::string all = [&] {
    std::string text;
    for (const auto& m : messages) text += m + "\n";
    return text;
  }();
  EXPECT_EQ(messages.size(), 5u) << all;
  EXPECT_NE(all.find("proj.json: b at 0x12 overlaps a"), std::string::npos) << all;
  EXPECT_NE(all.find("eqip.json: far at 0x20 (4 bytes) runs past the size 0x10"), std::string::npos) << all;
  EXPECT_NE(all.find("garb.json:3: not JSON"), std::string::npos) << all;
  EXPECT_NE(all.find("bipd.json:1: field \"x\": unknown type \"quaternion\""), std::string::npos) << all;
  EXPECT_NE(all.find("vehi.json: includes nothing, which no definition gives"), std::string::npos) << all;

  const ClassDef* weap = set.Find("weap");
  ASSERT_NE(weap, nullptr);
  ASSERT_NE(Named(weap->fields, "my_time"), nullptr);
  EXPECT_EQ(Named(weap->fields, "my_time")->tooltip, "Seconds to reload.");
  EXPECT_EQ(Named(weap->fields, "magazines"), nullptr);
  EXPECT_NE(Named(weap->fields, "item_flags"), nullptr);  // from the built-in parent
  for (const char* kept : {"proj", "eqip", "garb", "bipd", "vehi"}) {
    ASSERT_NE(set.Find(kept), nullptr) << kept;
    EXPECT_NE(set.Find(kept)->source.find("definitions"), std::string::npos) << kept;
    EXPECT_EQ(set.Find(kept)->source.find(dir.Path()), std::string::npos) << kept;
  }
}

TEST(FieldsDefinition, PluginFilesAreReadAsTheyAre) {
  const std::string text = R"xml(<?xml version="1.0"?>
<plugin game="Halo1" baseSize="0x40">
  <revisions><revision author="a" version="1">first</revision></revisions>
  <comment title="General" />
  <flags16 name="Flags" offset="0x0" visible="true"><bit name="Is Big" index="0" /><bit name="Glows!" index="3" /></flags16>
  <enum16 name="Mode" offset="0x2"><option name="Normal Mode" value="0" /><option name="Fast" value="2" /></enum16>
  <float32 name="Rounds Loaded Max" offset="0x4" />
  <float32 name="Rounds  Loaded--Max" offset="0x8" />
  <degree name="Spread (deg)" offset="0xC" />
  <int16 name="Secret" offset="0x10" visible="false" />
  <ascii name="Label" offset="0x12" length="8" />
  <tagRef name="Effect" offset="0x1A" withGroup="false" />
  <gadget name="Unknown Kind" offset="0x1E" />
  <tagblock name="Magazines" offset="0x20" elementSize="0x8">
    <int16 name="Rounds" offset="0x0" />
    <int16 name="Rounds" offset="0x2" />
    <rangef name="Range" offset="0x0" visible="false" />
  </tagblock>
  <tagRef name="Sound" offset="0x2C" />
</plugin>)xml";
  const PluginResult plugin = ReadPlugin(text, "weap.xml", "weap");
  ASSERT_EQ(plugin.error, "");
  ClassDef def = plugin.def;
  EXPECT_EQ(def.cls, "weap");
  EXPECT_EQ(def.size, 0x40u);
  std::vector<std::string> ids;
  for (const FieldDef& f : def.fields)
    if (f.type != FieldType::Comment) ids.push_back(f.id);
  EXPECT_EQ(def.fields.front().id, "_general");  // a section title, before the field it titles
  EXPECT_EQ(ids, (std::vector<std::string>{"flags", "mode", "rounds_loaded_max", "rounds_loaded_max_2", "spread_deg", "secret",
                                           "label", "effect", "magazines", "sound"}));
  def.fields.erase(def.fields.begin());  // the title
  EXPECT_EQ(def.fields[0].names.at(3), "glows");
  EXPECT_EQ(def.fields[1].names.at(2), "fast");
  EXPECT_EQ(def.fields[4].unit, FieldUnit::Radians);
  EXPECT_TRUE(def.fields[5].hidden);
  EXPECT_EQ(def.fields[6].size, 8u);
  EXPECT_EQ(def.fields[7].type, FieldType::TagId);
  EXPECT_EQ(def.fields[9].type, FieldType::TagRef);
  const FieldDef& magazines = def.fields[8];
  EXPECT_EQ(magazines.entrySize, 8u);
  ASSERT_EQ(magazines.entry.size(), 3u);
  EXPECT_EQ(magazines.entry[1].id, "range");  // by offset, in file order at one offset
  EXPECT_EQ(magazines.entry[2].id, "rounds_2");
  // The hidden range shares bytes with the two shorts: the layout check says so.
  EXPECT_FALSE(CheckLayout(def).empty());

  // Malformed files name their line.
  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"<plugin baseSize=\"0x10\">\n<float32 name=\"a\" offset=\"0x0\">\n</plugin>", "w.xml:3: not XML"},
      {"<plugin baseSize=\"0x10\">\n\n<float32 name=\"a\" />\n</plugin>", "w.xml:3: <float32> has no offset"},
      {"<plugin baseSize=\"0x10\">\n<int16 name=\"a\" offset=\"0xZZ\" />\n</plugin>", "w.xml:2: <int16> offset=\"0xZZ\" is not a number"},
      {"<layout baseSize=\"0x10\" />", "w.xml:1: no <plugin> element"},
  };
  for (const auto& b : bad) EXPECT_EQ(ReadPlugin(b.text, "w.xml", "weap").error.rfind(b.error, 0), 0u) << ReadPlugin(b.text, "w.xml", "weap").error;
}

TEST(FieldsDefinition, IdsFromNames) {
  EXPECT_EQ(IdFromName("Rounds Loaded Max"), "rounds_loaded_max");
  EXPECT_EQ(IdFromName("  A--B  c "), "a_b_c");
  EXPECT_EQ(IdFromName("(unused)"), "unused");
  EXPECT_EQ(IdFromName("!!"), "field");
}

}  // namespace
}  // namespace jov
