// Hostile definition and plugin files: nested counts, blocks nested thousands
// deep, more fields than a class may hold. Each is refused with its file, line
// and reason, or read within the bounds; and a field tree of long ids in a
// large block stops at its text budget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "map/SampleMap.h"
#include "support/TestMap.h"

namespace jov {
namespace {

// Blocks inside blocks, levels deep, one level a line (the root is line 1, the
// field of level n on line n + 1).
std::string NestedJson(int levels) {
  std::string text = R"({"class": "zzzz", "size": 12, "fields": [)";
  for (int n = 0; n < levels; ++n) text += "\n" R"({"id": "b", "type": "block", "offset": 0, "entry_size": 12, "fields": [)";
  for (int n = 0; n < levels; ++n) text += "]}";
  return text + "]}";
}

// Floats one after another: counts[i] of them from field i, one field a line.
std::string CountedJson(const std::vector<int>& counts) {
  std::string fields;
  std::uint32_t offset = 0;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    fields += std::string(i ? "," : "") + "\n" + R"({"id": "f)" + std::to_string(i) + R"(", "type": "float", "offset": )" +
              std::to_string(offset) + R"(, "count": )" + std::to_string(counts[i]) + "}";
    offset += 4 * static_cast<std::uint32_t>(counts[i]);
  }
  return R"({"class": "zzzz", "size": )" + std::to_string(offset) + R"(, "fields": [)" + fields + "]}";
}

std::string NestedPlugin(int levels) {
  std::string text = R"(<plugin baseSize="0xC">)";
  for (int n = 0; n < levels; ++n) text += "\n" R"(<tagblock name="b" offset="0x0" elementSize="0xC">)";
  for (int n = 0; n < levels; ++n) text += "</tagblock>";
  return text + "</plugin>";
}

std::string FlatPlugin(int fields) {
  std::string text = R"(<plugin baseSize=")" + std::to_string(fields) + R"(">)";
  for (int n = 0; n < fields; ++n) text += R"(<int8 name="a" offset=")" + std::to_string(n) + R"(" />)";
  return text + "</plugin>";
}

int Depth(const std::vector<FieldDef>& fields) {
  int deepest = 0;
  for (const FieldDef& f : fields) deepest = std::max(deepest, 1 + Depth(f.entry));
  return deepest;
}

// The longest id or name held.
std::size_t LongestText(const std::vector<FieldDef>& fields) {
  std::size_t longest = 0;
  for (const FieldDef& f : fields) {
    longest = std::max({longest, f.id.size(), LongestText(f.entry)});
    for (const auto& [value, name] : f.names) longest = std::max(longest, name.size());
  }
  return longest;
}

TEST(BoundedInput, HostileDefinitionsAreRefusedWithTheirLineOrReadWithinTheBounds) {
  // 170 bytes that once expanded to 4096^3 fields: the count of a block
  // multiplies every field inside it.
  const std::string nestedCount =
      R"({"class":"zzzz","size":4,"fields":[{"id":"a","type":"block","offset":0,"entry_size":4,"count":4096,"fields":[)"
      "\n"
      R"({"id":"b","type":"block","offset":0,"entry_size":4,"count":4096,"fields":[{"id":"c","type":"float","offset":0,"count":4096}]}]}]})";
  std::vector<int> atLimit(24, 4096);
  atLimit.push_back(1696);  // 24 * 4096 + 1696 = 100,000
  std::vector<int> pastLimit = atLimit;
  pastLimit.push_back(1);
  const std::string deepOffset = R"({"class": "zzzz", "size": 4, "fields": [{"id": "a", "type": "float", "offset": )" +
                                 std::string(100000, '[') + std::string(100000, ']') + "}]}";
  // A parsed document takes many times its text: files are bounded first.
  const std::string bigJson = NestedJson(16000), bigPlugin = FlatPlugin(140000);
  ASSERT_GT(bigJson.size(), 1u << 20);
  ASSERT_GT(bigPlugin.size(), 4u << 20);
  // Each copy of a counted field holds its own option names: 30 of them 4,096 times.
  std::string options = R"({"class": "zzzz", "size": 8192, "fields": [{"id": "a", "type": "enum16", "offset": 0, "count": 4096, "options": [)";
  for (int n = 0; n < 30; ++n) options += std::string(n ? "," : "") + "\"o" + std::to_string(n) + "\"";
  options += "]}]}";
  const struct {
    const char* what;
    bool plugin;
    std::string text;
    std::string refusal;  // the start of the message; empty: read
    std::size_t fields;   // when read
  } cases[] = {
      {"nested counts", false, nestedCount, "x.json:2: field \"b\": more than 100000 fields once every count is expanded", 0},
      {"64 levels of blocks", false, NestedJson(64), "", 64},
      {"65 levels of blocks", false, NestedJson(65), "x.json:66: nested deeper than 64 levels of fields", 0},
      {"10,000 levels of blocks (690 KB)", false, NestedJson(10000), "x.json:66: nested deeper than 64 levels of fields", 0},
      {"a JSON file over 1 MiB", false, bigJson, "x.json: " + std::to_string(bigJson.size()) + " bytes, more than a definition file may hold (1 MiB)", 0},
      {"a plugin file over 4 MiB", true, bigPlugin, "zzzz.xml: " + std::to_string(bigPlugin.size()) + " bytes, more than a definition file may hold (4 MiB)", 0},
      {"an offset nested 100,000 deep", false, deepOffset, "x.json:1: nested deeper than 64 levels of fields", 0},
      {"option names copied by a count", false, options,
       "x.json:1: field \"a\": more than 100000 option, bit and class names once every count is expanded", 0},
      {"an id of 300 characters", false, R"({"class": "zzzz", "size": 4, "fields": [{"id": ")" + std::string(300, 'i') + R"(", "type": "float", "offset": 0}]})",
       "x.json:1: id: \"iiiiiiiiiiiiiiiiiiii...\" is longer than 128 characters", 0},
      {"100,000 fields by counts", false, CountedJson(atLimit), "", 100000},
      {"100,001 fields by counts", false, CountedJson(pastLimit),
       "x.json:27: field \"f25\": more than 100000 fields once every count is expanded", 0},
      {"64 levels of tagblocks", true, NestedPlugin(64), "", 64},
      {"65 levels of tagblocks", true, NestedPlugin(65), "zzzz.xml:66: a field inside more than 64 levels of tagblocks", 0},
      {"20,000 levels of tagblocks", true, NestedPlugin(20000), "zzzz.xml:66: a field inside more than 64 levels of tagblocks", 0},
      {"a plugin name of 300 characters, cut", true,
       R"(<plugin baseSize="0x4"><int8 name=")" + std::string(300, 'n') + R"(" offset="0x0" /></plugin>)", "", 1},
      {"100,000 plugin fields", true, FlatPlugin(100000), "", 100000},
      {"100,001 plugin fields", true, FlatPlugin(100001), "zzzz.xml:1: more than 100000 fields", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DefinitionSet set;
    if (c.plugin) set.LoadPluginText(c.text, "zzzz.xml", "zzzz");
    else set.LoadJsonText(c.text, "x.json");
    const std::vector<std::string> messages = set.Messages();
    if (!c.refusal.empty()) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].rfind(c.refusal, 0), 0u) << messages[0];
      EXPECT_EQ(set.Find("zzzz"), nullptr);
      continue;
    }
    ASSERT_TRUE(messages.empty()) << messages.front();
    const ClassDef* def = set.Find("zzzz");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(CountFields(def->fields), c.fields);
    EXPECT_LE(Depth(def->fields), kMaxFieldNesting);
    EXPECT_LE(LongestText(def->fields), kMaxDefinitionText + 6);  // a counted copy's "_4095"
  }
}

TEST(BoundedInput, AClassOverTheFieldLimitWithWhatItIncludesIsRefusedAtItsInclude) {
  std::vector<int> sixty(15, 4096);  // 61,440
  DefinitionSet set;
  set.LoadJsonText(CountedJson(sixty), "zzzz.json");
  const std::string own = CountedJson(std::vector<int>(10, 4096));  // 40,960 more
  const std::string head = R"({"class": "zzzz", )";
  ASSERT_EQ(own.rfind(head, 0), 0u);
  const std::string child = R"({"class": "yyyy",)" "\n" R"("include": "zzzz", )" + own.substr(head.size());
  set.LoadJsonText(child, "yyyy.json");
  const std::vector<std::string> messages = set.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "yyyy.json:2: more than 100000 fields with those it includes through zzzz; the file is skipped.");
  EXPECT_EQ(set.Find("yyyy"), nullptr);
  ASSERT_NE(set.Find("zzzz"), nullptr);
}

TEST(BoundedInput, AFieldTreeOfLongIdsInALargeBlockStopsAtItsTextBudget) {
  // 65,535 entries of a block whose id, and that of the block inside each
  // entry, is 4,000 characters: their paths alone would take a gigabyte.
  SampleMapPlan plan;
  plan.version = kVersionPc;
  for (std::uint32_t n = 0; n < 3; ++n) {
    SampleTag tag;
    tag.class1 = "zzzz";
    tag.name = "long\\" + std::to_string(n);
    tag.identifier = 0xE1740000 + n;
    tag.meta.assign(16, 0);
    plan.tags.push_back(tag);
  }
  const std::uint32_t entries = 65535;
  plan.tags[1].meta.assign(12 + entries * 12, 0);
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[1].meta, 0, entries);
  PutLe32(plan.tags[1].meta, 4, layout.metaOffsets[1] + plan.magic + 12);
  ClassDef def;
  def.cls = "zzzz";
  def.size = 12;
  FieldDef inner;
  inner.id = std::string(4000, 'b');
  inner.type = FieldType::Block;
  inner.size = 12;
  inner.entrySize = 12;
  FieldDef outer = inner;
  outer.id = std::string(4000, 'a');
  outer.entry.push_back(inner);
  def.fields.push_back(outer);

  testing::TestMap t(plan);
  t.Open();
  const FieldTree tree = BuildFieldTree(t.map, 1, &def);
  std::size_t text = 0, longest = 0;
  for (const FieldNode& node : tree.nodes) {
    text += node.path.size() + node.name.size();
    longest = std::max(longest, node.path.size() + node.name.size());
  }
  EXPECT_LE(text, kMaxFieldPathText + longest);
  EXPECT_GT(text, kMaxFieldPathText / 2);  // cut near the budget, not long before it
  EXPECT_LT(tree.nodes.size(), 2u * entries);
  ASSERT_EQ(tree.messages.size(), 1u);
  EXPECT_EQ(tree.messages[0], "The tag's field paths take more than 16 MiB; the rest are not listed.");
}

}  // namespace
}  // namespace jov
