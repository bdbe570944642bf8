// The plugin reader on every element kind and attribute of the format, on small
// files written here: each kind becomes a field of the right type, size and
// unit; classes of three letters, text lengths given as size=, plugins of other
// games and fields without names; values of the kinds added for plugins shown,
// typed back and refused. When the community's plugin folders are beside the
// checkout, every file of them is read too.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "fields/PluginReader.h"
#include "map/Refused.h"
#include "support/FieldsMap.h"
#include "support/TempDir.h"
#include "support/TestMap.h"

namespace jov {
namespace {

std::string Plugin(const std::string& body, const std::string& size = "0x100", const std::string& game = "Halo1") {
  return "<?xml version=\"1.0\"?>\n<plugin game=\"" + game + "\" baseSize=\"" + size + "\">\n" + body + "</plugin>\n";
}

TEST(PluginElements, EveryKindBecomesAField) {
  const struct {
    const char* element;  // the element, without offset and closing
    FieldType type;
    std::uint32_t size;
    FieldUnit unit;
  } kinds[] = {
      {"<color32 name=\"k\" alpha=\"true\"", FieldType::Color32, 4, FieldUnit::None},
      {"<color32 name=\"k\" alpha=\"false\"", FieldType::Color32, 4, FieldUnit::None},
      {"<colorf name=\"k\" alpha=\"true\"", FieldType::Point4, 16, FieldUnit::None},
      {"<colorf name=\"k\" alpha=\"false\"", FieldType::Point3, 12, FieldUnit::None},
      {"<colorf name=\"k\"", FieldType::Point3, 12, FieldUnit::None},
      {"<point2 name=\"k\"", FieldType::Point2, 8, FieldUnit::None},
      {"<vector2 name=\"k\"", FieldType::Point2, 8, FieldUnit::None},
      {"<point16 name=\"k\"", FieldType::Range16, 4, FieldUnit::None},
      {"<ranged name=\"k\"", FieldType::Range, 8, FieldUnit::Radians},
      {"<degree name=\"k\"", FieldType::Angle, 4, FieldUnit::Radians},
      {"<degree2 name=\"k\"", FieldType::Point2, 8, FieldUnit::Radians},
      {"<degree3 name=\"k\"", FieldType::Point3, 12, FieldUnit::Radians},
      {"<vector3 name=\"k\"", FieldType::Point3, 12, FieldUnit::None},
      {"<vector4 name=\"k\"", FieldType::Point4, 16, FieldUnit::None},
      {"<plane2 name=\"k\"", FieldType::Point3, 12, FieldUnit::None},
      {"<plane3 name=\"k\"", FieldType::Point4, 16, FieldUnit::None},
      {"<rect16 name=\"k\"", FieldType::Rect16, 8, FieldUnit::None},
      {"<datum name=\"k\"", FieldType::UInt32, 4, FieldUnit::None},
      {"<tagref name=\"k\" withGroup=\"false\"", FieldType::TagId, 4, FieldUnit::None},
      {"<tagref name=\"k\" withGroup=\"true\"", FieldType::TagRef, 16, FieldUnit::None},
      {"<tagref name=\"k\"", FieldType::TagRef, 16, FieldUnit::None},
      {"<tagRef name=\"k\" withGroup=\"false\"", FieldType::TagId, 4, FieldUnit::None},
      {"<ascii name=\"k\" size=\"0x10\"", FieldType::String, 16, FieldUnit::None},
      {"<ascii name=\"k\" length=\"8\"", FieldType::String, 8, FieldUnit::None},
  };
  // All kinds in one file, one after another, each with a tooltip: the
  // layout check then proves each takes exactly the bytes it is said to.
  std::string body;
  std::uint32_t at = 0;
  for (const auto& kind : kinds) {
    body += std::string(kind.element) + " offset=\"0x" + UIntToHex(at) + "\" tooltip=\"tip " + std::to_string(at) + "\" />\n";
    at += kind.size;
  }
  DefinitionSet set;
  set.LoadPluginText(Plugin(body, "0x" + UIntToHex(at)), "kinds.xml", "test");
  EXPECT_EQ(set.Messages(), std::vector<std::string>{});
  const ClassDef* def = set.Find("test");
  ASSERT_NE(def, nullptr);
  ASSERT_EQ(def->fields.size(), std::size(kinds));
  at = 0;
  for (std::size_t i = 0; i < std::size(kinds); ++i) {
    const FieldDef& f = def->fields[i];
    SCOPED_TRACE(kinds[i].element);
    EXPECT_EQ(f.type, kinds[i].type);
    EXPECT_EQ(f.size, kinds[i].size);
    EXPECT_EQ(f.unit, kinds[i].unit);
    EXPECT_EQ(f.offset, at);
    EXPECT_EQ(f.tooltip, "tip " + std::to_string(at));
    EXPECT_EQ(f.line, 3 + i);
    at += kinds[i].size;
  }
}

TEST(PluginElements, CommentsTitleTheFieldsAfterThem) {
  const std::string text = Plugin(
      "<comment title=\"Type\">What the type does.</comment>\n"
      "<enum16 name=\"Type\" offset=\"0x0\" />\n"
      "<float32 name=\"Speed\" offset=\"0x4\" />\n"
      "<comment title=\"Type\" />\n"
      "<tagblock name=\"Parts\" offset=\"0x8\" elementSize=\"0x8\">\n"
      "  <float32 name=\"Scale\" offset=\"0x0\" />\n"
      "  <comment />\n"
      "</tagblock>\n",
      "0x14");
  const PluginResult plugin = ReadPlugin(text, "c.xml", "test");
  ASSERT_EQ(plugin.error, "");
  std::vector<std::string> ids;
  for (const FieldDef& f : plugin.def.fields) ids.push_back(f.id);
  // The titles never take the id of the field they title.
  EXPECT_EQ(ids, (std::vector<std::string>{"_type", "type", "speed", "_type_2", "parts"}));
  EXPECT_EQ(plugin.def.fields[0].type, FieldType::Comment);
  EXPECT_EQ(plugin.def.fields[0].size, 0u);
  EXPECT_EQ(plugin.def.fields[0].tooltip, "What the type does.");
  EXPECT_EQ(plugin.def.fields[0].title, "Type");
  EXPECT_EQ(plugin.def.fields[3].offset, 8u);  // the block's
  const FieldDef& parts = plugin.def.fields[4];
  ASSERT_EQ(parts.entry.size(), 2u);
  EXPECT_EQ(parts.entry[1].id, "_section");
  EXPECT_EQ(parts.entry[1].offset, 4u);  // last: after the fields before it
  EXPECT_EQ(CheckLayout(plugin.def), std::vector<std::string>{});
}

TEST(PluginElements, SmallFiles) {
  const struct {
    const char* name;
    std::string text;
    const char* file;   // as named in a folder
    const char* asked;  // the class looked up
    const char* message;  // the start of the one message, "" for none
  } cases[] = {
      {"a class of three letters from its file name", Plugin("<float32 name=\"Density\" offset=\"0x0\" />\n", "0x4"), "fog.xml",
       "fog ", ""},
      {"the same asked without the space", Plugin("<float32 name=\"Density\" offset=\"0x0\" />\n", "0x4"), "fog.xml", "fog", ""},
      {"a text length as size=", Plugin("<ascii name=\"Name\" offset=\"0x4\" size=\"0x10\" />\n<int16 name=\"Width\" offset=\"0x14\" />\n",
                                        "0x18"),
       "bitm.xml", "bitm", ""},
      {"an overlap names its line",
       Plugin("<ascii name=\"Name\" offset=\"0x4\" size=\"0x10\" />\n<int16 name=\"Width\" offset=\"0x12\" />\n", "0x18"), "bitm.xml",
       "bitm", "DIR/bitm.xml:4: width at 0x12 overlaps name at 0x4"},
      {"a field past the size names its line", Plugin("<int16 name=\"a\" offset=\"0x0\" />\n\n<int32 name=\"b\" offset=\"0x4\" />\n", "0x6"),
       "weap.xml", "weap", "DIR/weap.xml:5: b at 0x4 (4 bytes) runs past the size 0x6"},
      {"no game said", "<plugin baseSize=\"0x4\"><int32 name=\"a\" offset=\"0x0\" /></plugin>", "weap.xml", "weap", ""},
      {"a plugin for Halo 3", Plugin("<int32 name=\"a\" offset=\"0x0\" />\n", "0x4", "Halo3"), "weap.xml", "weap",
       "DIR/weap.xml:2: a plugin for the game \"Halo3\", not Halo 1; the file is skipped."},
      {"a plugin for Halo 2", "<plugin\n game=\"Halo2Xbox\" baseSize=\"0x4\" />", "weap.xml", "weap",
       "DIR/weap.xml:1: a plugin for the game \"Halo2Xbox\", not Halo 1; the file is skipped."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    { std::ofstream(dir.File(c.file)) << c.text; }
    DefinitionSet set;
    set.LoadFolder(dir.Path());
    const auto messages = set.Messages();
    if (std::string(c.message).empty()) {
      EXPECT_EQ(messages, std::vector<std::string>{});
      EXPECT_NE(set.Find(c.asked), nullptr);
    } else {
      ASSERT_EQ(messages.size(), 1u);
      // The file's path is the folder's joined with the system's separator:
      // "C:/Temp/x\bitm.xml" on Windows for a folder given with slashes.
      std::string expected = c.message;
      expected.replace(0, 4 + std::string(c.file).size(), (std::filesystem::path(dir.Path()) / c.file).string());
      EXPECT_EQ(messages[0].rfind(expected, 0), 0u) << messages[0];
      EXPECT_EQ(set.Find(c.asked), nullptr);
    }
  }
}

// Unnamed fields take ids from their offsets that no name can give: not the
// ids of named fields, not each other's, the same however the file is ordered.
TEST(PluginElements, UnnamedFieldsHaveIdsNoNameGives) {
  std::string body;
  std::vector<std::string> lines;
  for (std::uint32_t at = 0; at < 0x100; at += 4) {
    if (at == 0x58) lines.push_back("<int32 name=\"Unknown 58\" offset=\"0x58\" />\n");
    else if (at == 0x5C) lines.push_back("<float32 name=\"unknown_5c\" offset=\"0x5C\" />\n");
    else if (at % 8 == 0) lines.push_back("<undefined name=\"Unknown\" offset=\"0x" + UIntToHex(at) + "\" />\n");
    else lines.push_back("<int16 offset=\"0x" + UIntToHex(at) + "\" />\n");
  }
  std::vector<std::string> first;
  for (int order = 0; order < 2; ++order) {
    if (order == 1) std::reverse(lines.begin(), lines.end());
    body.clear();
    for (const std::string& line : lines) body += line;
    const PluginResult plugin = ReadPlugin(Plugin(body), "u.xml", "test");
    ASSERT_EQ(plugin.error, "");
    std::vector<std::string> ids;
    for (const FieldDef& f : plugin.def.fields) ids.push_back(f.id);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    for (const FieldDef& f : plugin.def.fields) {
      if (f.offset == 0x58 || f.offset == 0x5C) EXPECT_EQ(f.id[0], 'u') << f.id;
      else EXPECT_EQ(f.id, "_unknown_" + UIntToHex(f.offset));
    }
    if (order == 0) first = ids;
    else EXPECT_EQ(ids, first);
  }
}

// The kinds added for plugins on a map: what each shows, what typing it back
// writes, what is refused.
TEST(PluginElements, NewKindsShowAndTakeValues) {
  testing::FieldsMap fields;
  testing::TestMap file(fields.Bytes());
  file.Open();
  DefinitionSet set;
  set.LoadPluginText(Plugin("<comment title=\"Look\" />\n<color32 name=\"Tint\" offset=\"0x0\" alpha=\"true\" />\n"
                            "<rect16 name=\"Bounds\" offset=\"0x4\" />\n<vector4 name=\"Rotation\" offset=\"0xC\" />\n"
                            "<ranged name=\"Error\" offset=\"0x1C\" />\n<point2 name=\"At\" offset=\"0x24\" />\n",
                            "0x40"),
                     "snd!.xml", "snd!");
  ASSERT_EQ(set.Messages(), std::vector<std::string>{});
  FieldTree tree = BuildFieldTree(file.map, testing::FieldsMap::kSound, set.Find("snd!"));
  const struct {
    const char* path;
    const char* typed;
    const char* shown;  // "" when refused
  } cases[] = {
      {"tint", "#80FF0010", "#80FF0010"},  {"tint", "0x0000ff00", "#0000FF00"}, {"tint", "#FFF", ""},
      {"tint", "red", ""},                 {"bounds", "1, -2, 480, 640", "1, -2, 480, 640"},
      {"bounds", "1, 2, 3", ""},           {"bounds", "1, 2, 3, 40000", ""},   {"rotation", "0, 0.5, -1, 1e-07", "0, 0.5, -1, 1e-07"},
      {"rotation", "1, 2", ""},            {"error", "0, 90", "0, 90"},        {"at", "1.5, -2.25", "1.5, -2.25"},
      {"_look", "1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " = " + c.typed);
    const FieldNode& node = FieldAt(tree, c.path);
    if (std::string(c.shown).empty()) {
      EXPECT_THROW(EncodeFieldValue(file.map, tree, node, c.typed, false), Refused);
      continue;
    }
    const auto bytes = EncodeFieldValue(file.map, tree, node, c.typed, false);
    ASSERT_EQ(bytes.size(), node.size);
    std::copy(bytes.begin(), bytes.end(), tree.bytes.begin() + node.offset);
    EXPECT_EQ(DisplayText(tree, node), c.shown);
  }
  // ARGB as one little-endian word: the blue byte first.
  EXPECT_EQ(tree.bytes[FieldAt(tree, "tint").offset], 0x00);
  EXPECT_EQ(tree.bytes[FieldAt(tree, "tint").offset + 2], 0x00);
  EXPECT_EQ(tree.bytes[FieldAt(tree, "tint").offset + 1], 0xFF);
  EXPECT_EQ(FieldJson(tree, FieldAt(tree, "_look"))["value"], nullptr);
}

// The community's plugin folders, where they are beside the checkout (not in
// the project: they are others' files): every file read, none skipped, and
// every element kind of the format a field.
TEST(PluginElements, CommunityFoldersLoadWhole) {
  const auto shared = std::filesystem::path(BuiltInDefinitionsFolder()).parent_path().parent_path() / "shared";
  int folders = 0;
  for (const char* name : {"plugins-halo1", "plugins-halo1-2021"}) {
    const auto folder = shared / name;
    if (!std::filesystem::is_directory(folder)) continue;
    ++folders;
    SCOPED_TRACE(name);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.path().extension() == ".xml";
    DefinitionSet set;
    set.LoadFolder(folder.string());
    EXPECT_EQ(set.Messages(), std::vector<std::string>{});
    EXPECT_EQ(set.All().size(), files);
    for (const char* cls : {"fog ", "hmt ", "sky ", "bitm"}) EXPECT_NE(set.Find(cls), nullptr) << cls;
    std::set<FieldType> types;
    std::size_t tooltips = 0;
    const std::function<void(const std::vector<FieldDef>&)> walk = [&](const std::vector<FieldDef>& list) {
      for (const FieldDef& f : list) {
        types.insert(f.type);
        tooltips += !f.tooltip.empty();
        walk(f.entry);
      }
    };
    for (const ClassDef* def : set.All()) walk(def->fields);
    for (const FieldType t : {FieldType::Comment, FieldType::Color32, FieldType::Point2, FieldType::Point4, FieldType::Rect16,
                              FieldType::Range16})
      EXPECT_TRUE(types.count(t)) << FieldTypeName(t);
    EXPECT_GT(tooltips, 1000u);
  }
  if (folders == 0) GTEST_SKIP() << "no plugin folders in " << shared.string();
}

}  // namespace
}  // namespace jov
