// jov-cli add-tag, the calculator commands and convert-guerilla, run as a user
// runs them.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "builder/AddTag.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"
#include "tools/GuerillaConvert.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::RunCli;
using testing::TempDir;

std::string Out(const std::vector<std::string>& args) {
  const auto r = RunCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

TEST(CalculatorCli, HexFloatConverterPrintsTheFieldItFills) {
  EXPECT_EQ(Out({"float-to-hex", "1"}), "3f800000\n");
  EXPECT_EQ(Out({"float-to-hex", "-1"}), "bf800000\n");
  EXPECT_EQ(Out({"float-to-hex", "0"}), "0\n");
  EXPECT_EQ(Out({"float-to-hex", "1.401298e-45"}), "1\n");
  EXPECT_EQ(Out({"hex-to-float", "3f800000"}), "1\n");
  EXPECT_EQ(Out({"hex-to-float", "40490FDB"}), "3.14159\n");
  EXPECT_EQ(Out({"hex-to-float", "4b3c614e"}), "1.23457e+007\n");
  // Not 8 characters: the field keeps the value the dialog opened with.
  EXPECT_EQ(Out({"hex-to-float", "1"}), "0\n");
}

TEST(CalculatorCli, FieldsThatDoNotParseAreRefused) {
  const auto notNumber = RunCli({"float-to-hex", "abc"});
  EXPECT_EQ(notNumber.status, 1);
  EXPECT_EQ(notNumber.err, "Please enter a number.\n");
  EXPECT_EQ(notNumber.out, "");
  const auto tooLong = RunCli({"hex-to-float", "3f8000000"});
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.err, "Please enter no more than 8 characters.\n");
  EXPECT_EQ(RunCli({"float-to-hex"}).status, 2);
}

TEST(CalculatorCli, ReflexiveCalculatorPrintsTheFieldItFills) {
  EXPECT_EQ(Out({"reflexive-to-offset", "00 60 3A 80", "803A5000"}), "1000\n");
  EXPECT_EQ(Out({"reflexive-to-offset", "", ""}), "0\n");
  EXPECT_EQ(Out({"offset-to-reflexive", "1000", "803A5000"}), "00603a80\n");
  EXPECT_EQ(Out({"offset-to-reflexive", "abc", ""}), "bc0a\n");
}

Bytes TagFile(const Bytes& data) {
  Bytes bytes(64 + data.size(), 0x99);
  std::copy(data.begin(), data.end(), bytes.begin() + 64);
  return bytes;
}

TEST(GuerillaCli, ConvertsWithAndWithoutFixShorts) {
  TempDir dir;
  const std::string in = dir.Write("a.tag", TagFile({0x00, 0x00, 0x00, 0x01, 0x3F, 0x80, 0x00, 0x00}));
  const std::string out = dir.File("a.meta");
  EXPECT_EQ(Out({"convert-guerilla", in, out}), "");
  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F}));

  dir.Write("a.tag", TagFile({0x07, 0x00, 0x03, 0x00}));
  Out({"convert-guerilla", in, out, "--fix-shorts", "4"});
  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{0x00, 0x00, 0x00, 0x03}));
  Out({"convert-guerilla", in, out, "--fix-shorts", "2"});
  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{0x00, 0x03, 0x00, 0x07}));
  Out({"convert-guerilla", in, out});
  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{0x00, 0x03, 0x00, 0x07}));
}

TEST(GuerillaCli, RefusalsLeaveTheOutputAsItWas) {
  TempDir dir;
  const std::string out = dir.Write("keep.meta", Bytes{1, 2, 3});
  const std::string shortIn = dir.Write("short.tag", Bytes(63, 0));
  const auto tooShort = RunCli({"convert-guerilla", shortIn, out});
  EXPECT_EQ(tooShort.status, 1);
  EXPECT_EQ(tooShort.out, std::string(kGuerillaTooShort) + "\n");

  const std::string longIn = dir.Write("long.tag", Bytes(kGuerillaMaxInput + 1, 0));
  const auto tooLong = RunCli({"convert-guerilla", longIn, out});
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.out, std::string(kGuerillaTooLong) + "\n");

  const std::string good = dir.Write("good.tag", TagFile({1, 2, 3, 4}));
  const auto badLimit = RunCli({"convert-guerilla", good, out, "--fix-shorts", "-1"});
  EXPECT_EQ(badLimit.status, 1);
  EXPECT_EQ(badLimit.err, "Please enter a positive integer.\n");

  const auto missing = RunCli({"convert-guerilla", dir.File("none.tag"), out});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, dir.File("none.tag") + " was not found.\n");

  const auto same = RunCli({"convert-guerilla", good, good});
  EXPECT_EQ(same.status, 1);
  EXPECT_EQ(ReadBytesFromFile(good), TagFile({1, 2, 3, 4}));

  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{1, 2, 3}));
}

class AddTagCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCli({"make-sample", map, "--version", "5", "--tags", "4"}).status, 0);
    before = ReadBytesFromFile(map);
  }

  TempDir dir;
  std::string map = dir.File("m.map");
  std::string meta = dir.Write("t.meta", Bytes(1000, 7));
  Bytes before;
};

TEST_F(AddTagCli, AsksBeforeOverwritingTagDataAndGoesOnOnlyWithYes) {
  // In a sample map the names follow the last entry directly.
  const auto declined = RunCli({"add-tag", map, "--name", "new\\tag", "--meta", meta, "--class1", "fog "});
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.out, std::string(kAddTagOverwriteQuestion) + "\n");
  EXPECT_EQ(ReadBytesFromFile(map), before);

  const auto added = RunCli({"add-tag", map, "--name", "new\\tag", "--meta", meta, "--class1", "fog ", "--yes"});
  EXPECT_EQ(added.status, 0) << added.err;
  const auto tags = testing::Lines(Out({"tags", map}));
  ASSERT_EQ(tags.size(), 5u);
  const std::string ff(4, '\xFF');
  EXPECT_EQ(tags[4].substr(0, 2 + 5 + 5 + 5), "4\tfog \t" + ff + "\t" + ff + "\t");
  EXPECT_EQ(tags[4].substr(tags[4].rfind('\t') + 1), "new\\tag");
  const std::string info = Out({"info", map});
  const std::uint32_t eof = ReadLe32(before.data() + 8);
  EXPECT_NE(info.find("EoF Position: " + UIntToHex(eof + 8 + 1000) + "\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Tag Count: 5\n"), std::string::npos) << info;
}

TEST_F(AddTagCli, BadFieldsAndMissingFilesWriteNothing) {
  const auto longClass = RunCli({"add-tag", map, "--name", "x", "--meta", meta, "--class2", "abcde", "--yes"});
  EXPECT_EQ(longClass.status, 1);
  EXPECT_EQ(longClass.err, "Please enter no more than 4 characters.\n");

  const auto missing = RunCli({"add-tag", map, "--name", "x", "--meta", dir.File("none.meta"), "--yes"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, dir.File("none.meta") + " was not found.\n");

  EXPECT_EQ(RunCli({"add-tag", map, "--meta", meta}).status, 2);
  EXPECT_EQ(ReadBytesFromFile(map), before);

  // An empty name is a name: one zero byte at the EoF Position.
  EXPECT_EQ(RunCli({"add-tag", map, "--name", "", "--meta", meta, "--yes"}).status, 0);
  const std::uint32_t eof = ReadLe32(before.data() + 8);
  EXPECT_EQ(ReadLe32(ReadBytesFromFile(map).data() + 8), eof + 1 + 1000);
}

}  // namespace
}  // namespace jov
