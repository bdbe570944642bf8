// jov-cli make-sample, info, tags and tree, run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "support/MadeSample.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using testing::TempDir;

const std::string kFF4(4, '\xFF');

SampleTag MakeTag(const std::string& class1, const std::string& name, std::uint32_t identifier, std::size_t metaSize) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.identifier = identifier;
  tag.meta.assign(metaSize, 0);
  return tag;
}

// ---------------------------------------------------------------------------
// make-sample

TEST(MakeSampleCli, TheSameSeedGivesTheSameBytesAndTheWritersMap) {
  TempDir dir;
  const auto a = RunCli({"make-sample", dir.File("a.map"), "--seed", "5"});
  const auto b = RunCli({"make-sample", dir.File("b.map"), "--seed", "5"});
  const auto c = RunCli({"make-sample", dir.File("c.map"), "--seed", "6"});
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  ASSERT_EQ(c.status, 0) << c.err;
  const auto bytes = ReadBytesFromFile(dir.File("a.map"));
  EXPECT_EQ(bytes, ReadBytesFromFile(dir.File("b.map")));
  EXPECT_NE(bytes, ReadBytesFromFile(dir.File("c.map")));
  // Version 7 and 64 tags unless asked otherwise.
  EXPECT_EQ(bytes, WriteSampleMap(testing::MadeSample(7, 64, 5)));
}

TEST(MakeSampleCli, WritesEachOfTheThreeVersions) {
  TempDir dir;
  const std::pair<const char*, const char*> versions[] = {{"5", "Xbox"}, {"7", "Halo PC"}, {"609", "Halo CE"}};
  for (const auto& [version, format] : versions) {
    SCOPED_TRACE(version);
    const std::string path = dir.File(std::string("v") + version + ".map");
    const auto made = RunCli({"make-sample", path, "--version", version, "--tags", "12", "--seed", "3"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out, "");
    const auto info = RunCli({"info", path});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto lines = Lines(info.out);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[4], "Tag Count: 12");
    EXPECT_EQ(lines[10], std::string("Map Version: ") + version);
    EXPECT_EQ(lines[11], std::string("Map Format: ") + format);
    EXPECT_EQ(Lines(RunCli({"tags", path}).out).size(), 12u);
  }
}

TEST(MakeSampleCli, RefusesAVersionItCannotWrite) {
  TempDir dir;
  const auto r = RunCli({"make-sample", dir.File("x.map"), "--version", "6"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err, "");
  EXPECT_EQ(r.out, "");
}

// ---------------------------------------------------------------------------
// info

TEST(InfoCli, PrintsTheFifteenMapInfoLinesInOrder) {
  TempDir dir;
  const std::string path = dir.File("sample.map");
  ASSERT_EQ(RunCli({"make-sample", path, "--version", "7", "--tags", "10", "--seed", "3"}).status, 0);
  const SampleMapPlan plan = testing::MadeSample(7, 10, 3);
  const SampleLayout layout = LayoutOf(plan);
  const auto r = RunCli({"info", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::vector<std::string> expected = {
      "Map Filename: sample.map",
      "Map Name: bloodgulch",
      "Map Nickname: Blood Gulch",
      // Tags based at the usual address, so Index Magic is it plus the 0x28-byte tag data header.
      "Index Magic: 40440028",
      "Tag Count: 10",
      "Index Offset: " + UIntToHex(plan.indexOffset + 4),
      "Magic: " + ToUpperAscii(UIntToHex(0x40440000 - plan.indexOffset)),
      "Metadata/Index Size: " + std::to_string(layout.eofPosition - plan.indexOffset),
      "Map Type: 1",
      "SP/MP: Multiplayer",
      "Map Version: 7",
      "Map Format: Halo PC",
      "EoF Position: " + UIntToHex(layout.eofPosition),
      "EoF Space Size (Bytes): 0",
      "Map Build Date: 01.10.12.2276",
  };
  EXPECT_EQ(Lines(r.out), expected);
}

TEST(InfoCli, PrintsTheSixteenBitNumbersSignedAndTheXboxFreeSpace) {
  TempDir dir;
  SampleMapPlan plan;
  plan.version = 0xFFFE;
  plan.mapType = 0xFFFF;
  plan.magic = 0x803A6000;
  plan.metaIndexSize = -5;
  plan.mapName = "b30";
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  PutLe16(bytes, plan.indexOffset + 0x0C, 40000);  // entries past the end read as zeros
  const auto r = RunCli({"info", dir.Write("signed.map", bytes)});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[2], "Map Nickname: The Silent Cartographer");
  EXPECT_EQ(lines[4], "Tag Count: -25536");
  EXPECT_EQ(lines[5], "Index Offset: 800");
  EXPECT_EQ(lines[7], "Metadata/Index Size: -5");
  EXPECT_EQ(lines[8], "Map Type: -1");
  EXPECT_EQ(lines[9], "SP/MP: Unknown");
  EXPECT_EQ(lines[10], "Map Version: -2");
  EXPECT_EQ(lines[11], "Map Format: Unknown");

  SampleMapPlan xbox = GenerateSampleMap(5, 4, 1, 16);
  xbox.extraBytesAtEnd = 4096;
  const auto x = RunCli({"info", dir.Write("xbox.map", WriteSampleMap(xbox))});
  ASSERT_EQ(x.status, 0) << x.err;
  EXPECT_EQ(Lines(x.out).at(13), "EoF Space Size (Bytes): 4096");
}

// ---------------------------------------------------------------------------
// tags and tree

SampleMapPlan ListingMap() {
  SampleMapPlan plan;
  plan.version = 7;
  plan.tags = {
      MakeTag("scnr", "levels\\test\\test", 0xE1740000, 48),
      MakeTag("weap", "weapons\\rifle\\rifle", 0x00010002, 100),
      MakeTag("sbsp", "levels\\test\\bsp", 0xE1A20001, 64),
      MakeTag("weap", "Weapons\\pistol\\pistol", 0xE1750003, 40),
      MakeTag(kFF4, "nulled", 0xE1760004, 8),
      MakeTag("zzzz", "odd", 0xE1770005, 16),
  };
  plan.tags[1].class2 = "obje";
  plan.tags[1].class3 = "item";
  return plan;
}

TEST(TagsCli, PrintsOneTabSeparatedLinePerTagInIndexOrder) {
  TempDir dir;
  const SampleMapPlan plan = ListingMap();
  const SampleLayout layout = LayoutOf(plan);
  const auto r = RunCli({"tags", dir.Write("list.map", WriteSampleMap(plan))});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 6u);
  auto line = [&](int n, const std::string& c1, const std::string& c2, const std::string& c3, const std::string& id,
                  std::uint32_t size, const std::string& name) {
    return std::to_string(n) + "\t" + c1 + "\t" + c2 + "\t" + c3 + "\t" + id + "\t" + UIntToHex(layout.metaOffsets[n]) +
           "\t" + std::to_string(size) + "\t" + UIntToHex(layout.nameOffsets[n]) + "\t" +
           UIntToHex(layout.firstEntry + 32 * static_cast<std::uint32_t>(n)) + "\t" + name;
  };
  EXPECT_EQ(lines[0], line(0, "scnr", kFF4, kFF4, "e1740000", 48, "levels\\test\\test"));
  EXPECT_EQ(lines[1], line(1, "weap", "obje", "item", "00010002", 100, "weapons\\rifle\\rifle"));
  EXPECT_EQ(lines[2], line(2, "sbsp", kFF4, kFF4, "e1a20001", 0, "levels\\test\\bsp"));
  EXPECT_EQ(lines[3], line(3, "weap", kFF4, kFF4, "e1750003", 40, "Weapons\\pistol\\pistol"));
  EXPECT_EQ(lines[4], line(4, kFF4, kFF4, kFF4, "e1760004", 8, "nulled"));
  // The last tag runs to the end of the tag data.
  EXPECT_EQ(lines[5], line(5, "zzzz", kFF4, kFF4, "e1770005", static_cast<std::uint32_t>(plan.tags[5].meta.size()), "odd"));
}

TEST(TreeCli, PrintsTheGroupsInTableOrderWithTheirTagsIndentedAndSorted) {
  TempDir dir;
  const auto r = RunCli({"tree", dir.Write("list.map", WriteSampleMap(ListingMap()))});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  std::vector<std::string> groups;
  for (const std::string& l : lines)
    if (l.rfind("  ", 0) != 0) groups.push_back(l);
  ASSERT_EQ(groups.size(), 81u);
  EXPECT_EQ(groups[0], "actr -- Actor");
  EXPECT_EQ(groups[1], "actv -- Actor Variant");
  EXPECT_EQ(groups[50], "sbsp -- Structure BSP");
  EXPECT_EQ(groups[76], "weap -- Weapon");
  EXPECT_EQ(groups[79], kFF4 + " -- Nulled Out");
  EXPECT_EQ(groups[80], "zzzz -- Unknown Class");
  EXPECT_EQ(lines.size(), 81u + 6u);

  auto after = [&](const std::string& group) {
    std::vector<std::string> children;
    auto it = std::find(lines.begin(), lines.end(), group);
    for (++it; it != lines.end() && it->rfind("  ", 0) == 0; ++it) children.push_back(*it);
    return children;
  };
  EXPECT_EQ(after("weap -- Weapon"), (std::vector<std::string>{"  Weapons\\pistol\\pistol", "  weapons\\rifle\\rifle"}));
  EXPECT_EQ(after("sbsp -- Structure BSP"), std::vector<std::string>{"  levels\\test\\bsp"});
  EXPECT_EQ(after(kFF4 + " -- Nulled Out"), std::vector<std::string>{"  nulled"});
  EXPECT_EQ(after("zzzz -- Unknown Class"), std::vector<std::string>{"  odd"});
  EXPECT_TRUE(after("actr -- Actor").empty());
}

// ---------------------------------------------------------------------------
// Usage, help and file errors

TEST(ListingCliErrors, UsageErrorsExitWithTwoAndPrintOnlyToStandardError) {
  TempDir dir;
  const std::string path = dir.File("s.map");
  ASSERT_EQ(RunCli({"make-sample", path}).status, 0);
  const std::vector<std::vector<std::string>> cases = {
      {},                                  // no command
      {"info"},                            // no MAP
      {"no-such-command", path},           // unknown command
      {"tags", path, "extra"},             // one argument too many
      {"tree", path, "--no-such-option"},  // unknown option
      {"make-sample"},                     // no OUT
      {"make-sample", dir.File("t.map"), "--tags", "many"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0] + " ...");
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
}

TEST(ListingCliErrors, HelpExitsWithZero) {
  const auto all = RunCli({"--help"});
  EXPECT_EQ(all.status, 0);
  for (const char* command : {"info", "tags", "tree", "make-sample"}) EXPECT_NE(all.out.find(command), std::string::npos) << command;
  const auto info = RunCli({"info", "--help"});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("MAP"), std::string::npos);
}

TEST(ListingCliErrors, AFileErrorExitsWithOneAndItsTextOnStandardError) {
  TempDir dir;
  for (const char* command : {"info", "tags", "tree"}) {
    SCOPED_TRACE(command);
    const auto r = RunCli({command, dir.File("missing.map")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "an unnamed file was not found.\n");
    EXPECT_EQ(r.out, "");
  }
  std::vector<unsigned char> bytes = WriteSampleMap(GenerateSampleMap(7, 4, 1, 16));
  PutLe32(bytes, 0x10, 0x80000000);
  const auto seek = RunCli({"tags", dir.Write("far.map", bytes)});
  EXPECT_EQ(seek.status, 1);
  EXPECT_EQ(seek.err, "Seek failed on an unnamed file\n");
  EXPECT_EQ(seek.out, "");
}

}  // namespace
}  // namespace jov

namespace jov {
namespace {

// A tag whose successor lies before it has a negative size: listed as the panel
// shows it, a signed decimal, never as a wrapped unsigned number.
TEST(TagsCli, SizeIsTheSignedNumberThePanelShows) {
  testing::TempDir dir;
  const auto r = RunCli({"tags", dir.Write("odd.map", testing::MapWithOversizedTags(7, 8, 5))});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 4u);
  const auto sizeOf = [](const std::string& line) {
    std::size_t at = 0;
    for (int field = 0; field < 6; ++field) at = line.find('\t', at) + 1;
    return std::stoll(line.substr(at, line.find('\t', at) - at));
  };
  EXPECT_EQ(sizeOf(lines[2]), 1000001);
  EXPECT_LT(sizeOf(lines[3]), 0);
}

}  // namespace
}  // namespace jov
