// jov-cli scan, select and update-item, run as a user runs them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRunner.h"
#include "fields/FieldLocator.h"
#include "scanner/ReferenceIndex.h"
#include "support/TestMap.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "scanner/FloatSeries.h"
#include "scanner/ScanMetadata.h"
#include "scanner/ScanUpdateItem.h"
#include "support/ScanMap.h"

namespace jov {
namespace {

using testing::Lines;
using testing::MakeTag;
using testing::RunCli;
using testing::ScanMap;

const std::string kNulledLine = std::string(4, '\xFF') + " -- Nulled Out";

// Tag 0: a dependency on tag 1, a reflexive with count 300, a float 2.5, the
// bytes 0F 02 for the shorts and a float 1.
SampleMapPlan CliMap() {
  SampleMapPlan plan;
  std::vector<unsigned char> meta(48, 0x88);
  PutClassCode(meta, 0, "weap");
  PutLe32(meta, 12, 0xE1750001u);
  PutLe32(meta, 16, 300);
  PutLe32(meta, 24, FloatBits(2.5f));
  meta[30] = 0x0F;
  meta[31] = 0x02;
  PutLe32(meta, 36, FloatBits(1.0f));
  plan.tags = {MakeTag("scnr", "levels\\test", 0xE1740000u, meta), MakeTag("weap", "weapons\\pistol", 0xE1750001u, {1, 2}),
               MakeTag("ustr", "last", 0xE1760002u)};
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[0].meta, 20, layout.metaOffsets[0] + plan.magic + 0x2A);
  return plan;
}

std::vector<std::string> CoreLines(const ScanResult& result) {
  std::vector<std::string> lines;
  for (const std::size_t n : result.order) lines.push_back(result.items[n].strLabel);
  return lines;
}

TEST(ScanCli, ScanPrintsTheResultsTreeOfTheChosenKindsAndPanel) {
  ScanMap m(GenerateSampleMap(7, 12, 3));
  ScanOptions dlr;
  for (int t = 0; t < m.map.m_nTagCount; ++t) {
    const auto r = RunCli({"scan", m.Path(), std::to_string(t)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), CoreLines(ScanMetadata(m.map, t, dlr))) << t;
  }
  ScanOptions all;
  all.bShorts = all.bFloats = true;
  all.fStep = 0.25f;
  all.nShortsLimit = kShortsLimitPanel2;
  const std::string byName = m.map.m_tags[2].strClass1 + ":" + m.map.m_tags[2].strName;
  const auto r = RunCli({"scan", m.Path(), byName, "--kinds", "fsrld", "--step", "0.25", "--panel", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), CoreLines(ScanMetadata(m.map, 2, all)));
  EXPECT_GT(Lines(r.out).size(), 20u);
}

TEST(ScanCli, ShortsDependOnThePanelAndARefusedStepStillListsTheOtherKinds) {
  ScanMap m(CliMap());
  auto panel1 = Lines(RunCli({"scan", m.Path(), "0", "--kinds", "s"}).out);
  auto panel2 = Lines(RunCli({"scan", m.Path(), "0", "--kinds", "s", "--panel", "2"}).out);
  EXPECT_EQ(std::count(panel1.begin(), panel1.end(), "Short -- 0x0000001e -- 15"), 0);
  EXPECT_EQ(std::count(panel2.begin(), panel2.end(), "Short -- 0x0000001e -- 15"), 1);
  EXPECT_EQ(std::count(panel2.begin(), panel2.end(), "Short -- 0x0000001f -- 2"), 1);

  const auto refused = RunCli({"scan", m.Path(), "0", "--kinds", "df", "--step", "0"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(Lines(refused.out),
            (std::vector<std::string>{kFloatStepRefused, "Dependency -- 0x00000000 -- weap -- weapons\\pistol"}));
}

TEST(ScanCli, BadArgumentsAreUsageErrorsOrRefusedValues) {
  ScanMap m(CliMap());
  EXPECT_EQ(RunCli({"scan", m.Path(), "0", "--kinds", "dx"}).status, 2);
  EXPECT_EQ(RunCli({"scan", m.Path(), "0", "--panel", "3"}).status, 2);
  EXPECT_EQ(RunCli({"scan", m.Path(), "7"}).status, 2);
  EXPECT_EQ(RunCli({"select", m.Path(), "0", "--line", "no such line"}).status, 2);
  // The step is read as the window's scanner value is: no hexadecimal, nothing
  // beyond a float's range.
  for (const char* step : {"abc", "0x10", "1e39"}) {
    const auto notANumber = RunCli({"scan", m.Path(), "0", "--step", step});
    EXPECT_EQ(notANumber.status, 1) << step;
    EXPECT_EQ(notANumber.err, "Please enter a number.\n") << step;
    EXPECT_TRUE(notANumber.out.empty()) << step;
  }
}

TEST(ScanCli, SelectPrintsTheThreeBoxes) {
  ScanMap m(CliMap());
  auto select = [&](const std::string& line, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"select", m.Path(), "0", "--line", line};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Lines(r.out);
  };
  EXPECT_EQ(select("Dependency -- 0x00000000 -- weap -- weapons\\pistol"),
            (std::vector<std::string>{"Tag choice: weap -- weapons\\pistol", "Class choice: weap", "Value: 1"}));
  EXPECT_EQ(select("Reflexive -- 0x00000014 -- 0x2a -- Chunk Count: 44"),
            (std::vector<std::string>{"Tag choice: ", "Class choice: 2a", "Value: 44"}));
  EXPECT_EQ(select("Float -- 0x00000018 -- 2.5", {"--kinds", "f", "--step", "0.5"}),
            (std::vector<std::string>{"Tag choice: ", "Class choice: ", "Value: 2.5"}));
}

TEST(ScanCli, UpdateItemWritesThePieceAndPrintsTheRescan) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows hands a program its arguments as UTF-16 text: bytes that are not UTF-8 (a class of four 0xFF) cannot be given";
#endif
  ScanMap m(CliMap());
  const auto before = m.FileBytes();
  const std::size_t meta = m.MetaOffset(0);

  auto nulled = RunCli({"update-item", m.Path(), "0", "--line", "Dependency -- 0x00000000 -- weap -- weapons\\pistol",
                        "--tag-choice", kNulledLine});
  ASSERT_EQ(nulled.status, 0) << nulled.err;
  EXPECT_EQ(Lines(nulled.out).front(), "Dependency -- 0x00000000 -- weap -- Nulled Out");
  auto expected = before;
  for (std::size_t i = 12; i < 16; ++i) expected[meta + i] = 0xFF;
  EXPECT_EQ(m.FileBytes(), expected);

  // A count that does not fit: the message, then the rescan; only the pointer changes.
  auto count = RunCli({"update-item", m.Path(), "0", "--line", "Reflexive -- 0x00000014 -- 0x2a -- Chunk Count: 44",
                       "--class-choice", "0", "--value", "65536"});
  ASSERT_EQ(count.status, 0) << count.err;
  const auto lines = Lines(count.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], kChunkCountWrongSize);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Reflexive -- 0x00000014 -- 0x0 -- Chunk Count: 44"), lines.end());
  PutLe32(expected, meta + 20, m.Base(0));
  EXPECT_EQ(m.FileBytes(), expected);
}

TEST(ScanCli, TheRescanTakesTheScannerValueAsItsStep) {
  ScanMap m(CliMap());
  EXPECT_EQ(Lines(RunCli({"scan", m.Path(), "0", "--kinds", "f", "--step", "0.5"}).out),
            (std::vector<std::string>{"Float -- 0x00000018 -- 2.5", "Float -- 0x00000024 -- 1"}));
  const auto r = RunCli({"update-item", m.Path(), "0", "--kinds", "f", "--step", "0.5", "--line",
                         "Float -- 0x00000018 -- 2.5", "--value", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 5 written over 2.5; the rescan's step is 5, so 1 is no longer searched.
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Float -- 0x00000018 -- 5"}));
}

TEST(ScanCli, ARefusedUpdateWritesNothing) {
  ScanMap m(CliMap());
  const auto before = m.FileBytes();
  const auto r = RunCli({"update-item", m.Path(), "0", "--kinds", "s", "--line", "Short -- 0x0000001f -- 2", "--value",
                         "70000"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, std::string(kShortOutOfRange) + "\n");
  EXPECT_EQ(m.FileBytes(), before);
}

// refs prints the index's references to a tag, as text and as JSON, in the same order.
TEST(ScanCli, RefsListsEveryTagThatUsesATag) {
  testing::TestMap test(GenerateSampleMap(kVersionPc, 50, 6));
  test.Open();
  const ReferenceIndex index(test.map);
  int used = 0;
  for (int t = 0; t < test.map.m_nTagCount; ++t)
    if (index.To(t).size() > index.To(used).size()) used = t;
  const auto& expected = index.To(used);
  ASSERT_GE(expected.size(), 2u);
  const std::string name = test.Tag(used).strClass1 + ":" + test.Tag(used).strName;
  const auto fromName = [&](int t) { return test.Tag(t).strClass1 + ":" + test.Tag(t).strName; };
  // The field each reference falls in, where a built-in definition covers it.
  DefinitionSet definitions;
  definitions.LoadFolder(BuiltInDefinitionsFolder());
  FieldLocator locator(test.map, definitions);
  const auto fieldOf = [&](const TagReference& r) { return locator.PathAt(r.from, r.offset); };

  const auto text = RunCli({"refs", test.path, name});
  ASSERT_EQ(text.status, 0) << text.err;
  const auto lines = Lines(text.out);
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], fromName(expected[i].from) + "\t0x" + TrimmedHex(expected[i].offset) + (expected[i].offset ? "" : "0") + "\t" +
                            KindText(expected[i].kind) + "\t" + fieldOf(expected[i]));

  const auto json = RunCli({"refs", test.path, std::to_string(used), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["tag"], name);
  ASSERT_EQ(doc["references"].size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(doc["references"][i]["from"], fromName(expected[i].from));
    EXPECT_EQ(doc["references"][i]["offset"], expected[i].offset);
    EXPECT_EQ(doc["references"][i]["kind"], KindText(expected[i].kind));
    const std::string field = fieldOf(expected[i]);
    EXPECT_EQ(doc["references"][i]["field"], field.empty() ? nlohmann::json(nullptr) : nlohmann::json(field));
  }
  EXPECT_EQ(RunCli({"refs", test.path, "no:such"}).status, 2);
}

}  // namespace
}  // namespace jov
