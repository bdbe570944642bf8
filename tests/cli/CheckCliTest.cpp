#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRunner.h"
#include "support/MadeSample.h"
#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using testing::TempDir;

TEST(CheckCli, StatusTextAndJsonAgree) {
  TempDir dir;
  const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 12, 5);
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  const std::string sound = dir.Write("sound.map", bytes);
  // Tag 5's metadata pointer moved 1 MB on, past the end of the file: tag 4 now
  // runs to tag 6, and tag 5's metadata lies past the end.
  const SampleLayout layout = LayoutOf(plan);
  const std::size_t entry5 = layout.firstEntry + 32 * 5;
  PutLe32(bytes, entry5 + 0x14, ReadLe32(bytes.data() + entry5 + 0x14) + 0x100000);
  const std::string broken = dir.Write("broken.map", bytes);

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string line;  // a line the output must hold
  };
  const std::string tag5 = "tag 5 " + plan.tags[5].class1 + ":" + plan.tags[5].name;
  const std::uint32_t from = layout.metaOffsets[5] + 0x100000;
  const std::uint32_t to = from;
  const std::vector<Case> cases = {
      {{"check", sound}, 0, "0 errors, 0 warnings, 2 notes"},
      {{"check", broken}, 1,
       "error   " + tag5 + ": metadata 0x" + UIntToHex(from) + "..0x" + UIntToHex(to) + " runs past the end of the file (0x" +
           UIntToHex(static_cast<std::uint32_t>(bytes.size())) + " bytes)"},
      {{"check", dir.File("missing.map")}, 1, ""},
      {{"check"}, 2, ""},
      {{"check", sound, "--bogus"}, 2, ""},
  };
  for (const Case& c : cases) {
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    if (!c.line.empty()) {
      const auto lines = Lines(r.out);
      EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << r.out;
    }
  }

  for (const std::string& path : {sound, broken}) {
    const auto text = RunCli({"check", path});
    const auto json = RunCli({"check", path, "--json"});
    EXPECT_EQ(json.status, text.status);
    const auto doc = nlohmann::json::parse(json.out);
    const auto lines = Lines(text.out);
    ASSERT_EQ(doc["findings"].size() + 1, lines.size());
    for (std::size_t n = 0; n < doc["findings"].size(); ++n) {
      const auto& f = doc["findings"][n];
      std::string severity = f["severity"].get<std::string>();
      severity.resize(8, ' ');
      EXPECT_EQ(severity + f["where"].get<std::string>() + ": " + f["what"].get<std::string>(), lines[n]);
    }
  }
}

TEST(CrcCli, ForgeThenCheckFindsThemEqualAndFixRestoresTheMatch) {
  TempDir dir;
  const std::string path = dir.File("m.map");
  ASSERT_EQ(RunCli({"make-sample", path, "--version", "609", "--tags", "30"}).status, 0);
  auto r = RunCli({"crc", path, "--forge", "1234abcd"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Forged CRC32 1234ABCD: changed the free value at tag data header +0x08.",
                                                     "Stored CRC32: 1234ABCD", "Computed CRC32: 1234ABCD", "They match."}));
  r = RunCli({"check", path});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("computed 0x1234ABCD, stored 0x1234ABCD"), std::string::npos) << r.out;

  std::vector<unsigned char> bytes = ReadBytesFromFile(path);
  bytes[bytes.size() - 3] ^= 1;  // tag data changed: the CRC32 no longer matches
  WriteBytesToFile(path, bytes);
  r = RunCli({"crc", path});
  EXPECT_EQ(Lines(r.out).back(), "They differ.");
  EXPECT_NE(RunCli({"check", path}).out.find("warning header 0x064 CRC32"), std::string::npos);
  r = RunCli({"crc", path, "--fix"});
  EXPECT_EQ(Lines(r.out).back(), "They match.");
  EXPECT_EQ(RunCli({"crc", path, "--fix", "--forge", "1"}).status, 2);
  EXPECT_EQ(RunCli({"crc", path, "--forge", "xyz"}).status, 2);
}

TEST(XboxCli, ACompressedSampleIsReportedAndDecompressesToTheSampleMap) {
  TempDir dir;
  const std::string packed = dir.File("packed.map");
  const std::string plain = dir.File("plain.map");
  ASSERT_EQ(RunCli({"make-sample", packed, "--xbox-compressed", "--tags", "40", "--seed", "3"}).status, 0);
  auto r = RunCli({"check", packed});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("jov-cli xbox-decompress IN OUT"), std::string::npos) << r.out;
  ASSERT_EQ(RunCli({"xbox-decompress", packed, plain}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(plain), WriteSampleMap(testing::MadeSample(kVersionXbox, 40, 3)));
  EXPECT_EQ(RunCli({"check", plain}).status, 0);
  const std::string again = dir.File("again.map");
  ASSERT_EQ(RunCli({"xbox-compress", plain, again}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(again), ReadBytesFromFile(packed));
  r = RunCli({"xbox-compress", plain, plain});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(RunCli({"make-sample", packed, "--xbox-compressed", "--version", "7"}).status, 2);
}

// Every command that opens a map refuses a file that is none, and writes nothing.
TEST(CheckCli, CommandsRefuseAFileThatIsNotAMap) {
  TempDir dir;
  const std::string text = "Not a map, just a README.\n";
  const std::string readme = dir.Write("README", std::vector<unsigned char>(text.begin(), text.end()));
  const std::string map = dir.Write("a.map", WriteSampleMap(GenerateSampleMap(kVersionPc, 8, 2)));
  const std::vector<std::vector<std::string>> commands = {
      {"info", readme}, {"tags", readme}, {"crc", readme, "--fix"}, {"diff", map, readme}, {"insert-data", readme, "00112233"},
  };
  for (const auto& args : commands) {
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 1) << args[0] << ": " << result.err;
    EXPECT_EQ(result.out, readme + " is not a Halo map: it is 26 bytes long, shorter than the 2048-byte map header.\n") << args[0];
  }
  EXPECT_EQ(ReadBytesFromFile(readme), std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace
}  // namespace jov
