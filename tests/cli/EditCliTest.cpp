// jov-cli edit-tag, header, insert-data and hexedit, run as a user runs them.
#include <gtest/gtest.h>

#include <cstring>

#include "CliRunner.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using testing::TempDir;

SampleTag MakeTag(const std::string& class1, const std::string& name, std::vector<unsigned char> meta) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.meta = std::move(meta);
  return tag;
}

// Three tags of a PC map (index header at 0x800, entries from 0x828, magic 0x40440000).
SampleMapPlan ThreeTags() {
  SampleMapPlan plan;
  plan.tags = {MakeTag("weap", "weapons\\pistol", {0x0A, 0xFF, 0x00}),
               MakeTag("bitm", "ui\\cursor", {1, 2, 3, 4}), MakeTag("weap", "last", {})};
  return plan;
}

struct MapFile {
  MapFile() : path(dir.Write("m.map", WriteSampleMap(ThreeTags()))), before(ReadBytesFromFile(path)) {}
  std::vector<unsigned char> Now() const { return ReadBytesFromFile(path); }
  TempDir dir;
  std::string path;
  std::vector<unsigned char> before;
};

const SampleLayout kLayout = LayoutOf(ThreeTags());

void Put(std::vector<unsigned char>& bytes, std::size_t at, const std::string& text) {
  if (bytes.size() < at + text.size()) bytes.resize(at + text.size());
  std::memcpy(bytes.data() + at, text.data(), text.size());
}

TEST(EditTagCli, NoChangeLeavesTheFileAndGivenFieldsAreWritten) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows hands a program its arguments as UTF-16 text: bytes that are not UTF-8 (a class of four 0xFF) cannot be given";
#endif
  MapFile m;
  auto run = RunCli({"edit-tag", m.path, "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(m.Now(), m.before);

  const std::string ff(4, '\xFF');
  run = RunCli({"edit-tag", m.path, "bitm:ui\\cursor", "--filename", "ui\\x", "--class2", "abc", "--class3", ff,
                "--identifier", "e1750001", "--meta-offset", "1000"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<unsigned char> expected = m.before;
  const std::size_t e = kLayout.firstEntry + 32;
  Put(expected, e + 4, std::string("\0cba", 4));
  PutLe32(expected, e + 0x0C, 0xE1750001);
  PutLe32(expected, e + 0x14, 0x1000 + 0x40440000);
  Put(expected, kLayout.nameOffsets[1], std::string("ui\\x") + '\0');
  EXPECT_EQ(m.Now(), expected);
}

TEST(EditTagCli, UpdateSizePutsTheNameAtTheEofPosition) {
  MapFile m;
  const std::string name = "weapons\\pistol\\longer";
  const auto run = RunCli({"edit-tag", m.path, "0", "--filename", name, "--update-size"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::uint32_t p = kLayout.eofPosition;
  std::vector<unsigned char> expected = m.before;
  Put(expected, p, name + '\0');
  PutLe32(expected, 0x08, p + static_cast<std::uint32_t>(name.size()) + 1);
  PutLe32(expected, kLayout.firstEntry + 0x10, p + 0x40440000);
  EXPECT_EQ(m.Now(), expected);
  const auto tags = Lines(RunCli({"tags", m.path}).out);
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].substr(tags[0].rfind('\t') + 1), name);
}

TEST(EditTagCli, ANameInPlaceOutsideTheFileIsRefused) {
  MapFile m;
  const auto run = RunCli({"edit-tag", m.path, "0", "--string-offset", "7fffff00"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("outside the map file"), std::string::npos) << run.out;
  EXPECT_EQ(m.Now(), m.before);
}

TEST(HeaderCli, SavesTheGivenFieldsAndPrintsTheReReadInfo) {
  MapFile m;
  const auto same = RunCli({"header", m.path});
  ASSERT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(m.Now(), m.before);
  EXPECT_EQ(same.out, RunCli({"info", m.path}).out);

  // An EoF Position past 0x7FFFFFFF is an error the map does not have: written only with --yes.
  const std::vector<std::string> args = {"header", m.path, "--map-name", "short", "--map-type", "2", "--eof-position", "80000010",
                                         "--tag-count", "2", "--meta-index-size", "12"};
  const auto asked = RunCli(args);
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.out.find("EoF Position 0x80000010 lies past 0x7FFFFFFF"), std::string::npos) << asked.out;
  EXPECT_EQ(m.Now(), m.before);
  std::vector<std::string> yes = args;
  yes.push_back("--yes");
  const auto run = RunCli(yes);
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<unsigned char> expected = m.before;
  Put(expected, 0x20, std::string("short") + std::string(27, '\0'));
  PutLe16(expected, 0x60, 2);
  PutLe32(expected, 0x08, 0x80000010u);
  PutLe16(expected, 0x800 + 12, 2);
  PutLe32(expected, 0x14, 12);
  EXPECT_EQ(m.Now(), expected);
  // The question answered by --yes (a line, the error, the question), then the info.
  const auto all = Lines(run.out);
  ASSERT_EQ(all.size(), 3u + 15u);
  EXPECT_EQ(all[0], "This header would give the map errors it does not have now:");
  const std::vector<std::string> lines(all.begin() + 3, all.end());
  EXPECT_EQ(lines[1], "Map Name: short");
  EXPECT_EQ(lines[4], "Tag Count: 2");
  EXPECT_EQ(lines[8], "Map Type: 2");
  EXPECT_EQ(lines[9], "SP/MP: User Interface");
  EXPECT_EQ(lines[12], "EoF Position: 80000010");
}

TEST(HeaderCli, AValueThatDoesNotReadBackWritesNothing) {
  MapFile m;
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--tag-count", "many"}, "Please enter an integer."},
      {{"--version", "7.5"}, "Please enter an integer."},
      {{"--index-magic", "123456789"}, "Please enter no more than 8 characters."},
      {{"--map-name", std::string(33, 'a'), "--tag-count", "x"}, "Please enter no more than 32 characters."},
  };
  for (const auto& [options, message] : cases) {
    std::vector<std::string> args{"header", m.path};
    args.insert(args.end(), options.begin(), options.end());
    const auto run = RunCli(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, message + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(m.Now(), m.before);
  }
}

TEST(InsertDataCli, PrintsWhereTheBytesWentAndMovesTheEofPosition) {
  MapFile m;
  const std::uint32_t p = kLayout.eofPosition;
  auto run = RunCli({"insert-data", m.path, "0a 0b\n0c"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, UIntToHex(p) + "\n");
  std::vector<unsigned char> expected = m.before;
  Put(expected, p, std::string("\x0A\x0B\x0C\0", 4));
  PutLe32(expected, 0x08, p + 4);
  EXPECT_EQ(m.Now(), expected);

  run = RunCli({"insert-data", m.path, ""});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, UIntToHex(p + 4) + "\n");
  expected.push_back(0);
  PutLe32(expected, 0x08, p + 5);
  EXPECT_EQ(m.Now(), expected);
}

TEST(HexEditCli, PrintsTheTextAndSavesAnEditedOne) {
  MapFile m;
  auto run = RunCli({"hexedit", m.path, "weap:weapons\\pistol"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0a ff 00 \n");

  run = RunCli({"hexedit", m.path, "0", "--text", "0a ff 00 "});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(m.Now(), m.before);

  run = RunCli({"hexedit", m.path, "1", "--text", "aa\r\nbb"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<unsigned char> expected = m.before;
  Put(expected, kLayout.metaOffsets[1], std::string("\xAA\xBB\0\0", 4));
  EXPECT_EQ(m.Now(), expected);

  run = RunCli({"hexedit", m.path, "1", "--text", "aa b"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("odd number"), std::string::npos) << run.out;
  run = RunCli({"hexedit", m.path, "1", "--text", "zz"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("not a hex digit"), std::string::npos) << run.out;
  EXPECT_EQ(m.Now(), expected);

  run = RunCli({"hexedit", m.path, "2"});  // the last tag has size 0
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "\n");
}

}  // namespace
}  // namespace jov
