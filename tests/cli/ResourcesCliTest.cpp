// jov-cli make-sample --layout real and jov-cli resources, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "CliRunner.h"
#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "map/ResourceMap.h"
#include "map/SampleMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using testing::TempDir;

std::string Hex(std::uint32_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

TEST(MakeSampleRealCli, WritesTheWritersMapAndResourceMaps) {
  const TempDir dir;
  for (const char* version : {"5", "7", "609"}) {
    SCOPED_TRACE(version);
    const std::string map = dir.File(std::string("r") + version + ".map");
    const bool ce = std::string(version) == "609";
    std::vector<std::string> args = {"make-sample", map, "--layout", "real", "--version", version, "--tags", "30",
                                     "--seed", "8", "--relayout", "2"};
    if (ce) args.insert(args.end(), {"--resources", dir.Path()});
    const auto made = RunCli(args);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out, "");
    const RealSampleMap sample = GenerateRealSampleMap(static_cast<std::uint16_t>(std::stoi(version)), 30, 8, 256, 2);
    EXPECT_EQ(ReadBytesFromFile(map), sample.map);
    const auto tags = RunCli({"tags", map});
    ASSERT_EQ(tags.status, 0) << tags.err;
    EXPECT_EQ(Lines(tags.out).size(), 30u);
  }
  const RealSampleMap ce = GenerateRealSampleMap(kVersionCe, 30, 8, 256, 2);
  for (const auto& [name, bytes] : ce.resources) EXPECT_EQ(ReadBytesFromFile(dir.File(name)), bytes) << name;
}

TEST(MakeSampleRealCli, RefusesResourcesItCannotWrite) {
  const TempDir dir;
  const std::vector<std::vector<std::string>> wrong = {
      {"make-sample", dir.File("a.map"), "--resources", dir.Path()},  // the sample layout has none
      {"make-sample", dir.File("b.map"), "--layout", "real", "--version", "7", "--resources", dir.Path()},
      {"make-sample", dir.File("c.map"), "--layout", "plain"},
  };
  for (const auto& args : wrong) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args[1];
    EXPECT_NE(r.err, "");
    EXPECT_FALSE(std::filesystem::exists(args[1]));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("bitmaps.map")));
}

TEST(ResourcesCli, ListsEachEntryAndRefusesWhatIsNoResourceMap) {
  const TempDir dir;
  const RealSampleMap sample = GenerateRealSampleMap(kVersionCe, 60, 3);
  for (const auto& [name, bytes] : sample.resources) {
    SCOPED_TRACE(name);
    const std::string path = dir.Write(name, bytes);
    const auto listed = RunCli({"resources", path});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::string expected;
    for (const ResourceEntry& e : ReadResourceMap(bytes, name).entries)
      expected += std::to_string(e.index) + "\t" + e.path + "\t" + std::to_string(e.size) + "\t" + Hex(e.offset) + "\n";
    EXPECT_EQ(listed.out, expected);
    // Every external tag of the map is listed under its index with its path.
    for (std::size_t i = 0; i < sample.tags.size(); ++i) {
      if (sample.truth[i].resourceFile != name) continue;
      EXPECT_NE(listed.out.find(std::to_string(sample.truth[i].resourceIndex) + "\t" + sample.tags[i].name + "\t"),
                std::string::npos);
    }
    // Read-only: listing leaves it as it was.
    EXPECT_EQ(ReadBytesFromFile(path), bytes);
    // Opened as a map, it is named for what it is.
    const auto info = RunCli({"info", path});
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find(path + " is a resource map (" + ResourceTypeName(bytes[0]) + ", "), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("), see jov-cli resources."), std::string::npos) << info.out;
  }
  const std::string map = dir.Write("map.map", sample.map);
  const auto refused = RunCli({"resources", map});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, map + " is not a usable resource map: its type is 1751474532, not 1 (bitmaps), 2 (sounds) or 3 (loc).\n");
  std::vector<unsigned char> cut = sample.resources.at("loc.map");
  cut.resize(cut.size() - 1);
  const auto truncated = RunCli({"resources", dir.Write("cut.map", cut)});
  EXPECT_EQ(truncated.status, 1);
  EXPECT_NE(truncated.out.find("run past its end"), std::string::npos) << truncated.out;
}

}  // namespace
}  // namespace jov
