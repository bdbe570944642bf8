// Every command over maps laid out as the game's tools lay them out (structure
// BSP sections, raw and model data, CE tags in resource maps), for each
// version: one table of commands, run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "map/SampleMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using testing::TempDir;

constexpr int kTags = 40;

// Placeholders in a row's arguments, replaced per version.
std::vector<std::string> Fill(std::vector<std::string> args, const std::string& map, const std::string& dir,
                              const std::map<std::string, std::string>& tags) {
  for (std::string& a : args) {
    if (a == "MAP") a = map;
    else if (a == "OUT") a = dir + "/out.meta";
    else if (a == "LASTMETA") a = dir + "/last.meta";
    else if (tags.count(a) != 0) a = tags.at(a);
  }
  return args;
}

TEST(RealLayoutCli, EveryCommandOverEveryVersion) {
  // Tags: the scenario, a structure BSP, the last tag (metadata in the map up
  // to the end of the tag data), a bitmap (kept in bitmaps.map on CE).
  const struct {
    std::vector<std::string> args;
    int status;    // 5 and 7
    int ceStatus;  // 609
    bool prints;   // something on standard output
    bool same;     // the map's bytes as they were afterwards (it is restored after every row)
  } rows[] = {
      {{"info", "MAP"}, 0, 0, true, true},
      {{"tags", "MAP"}, 0, 0, true, true},
      {{"tree", "MAP"}, 0, 0, true, true},
      {{"scan", "MAP", "SCNR"}, 0, 0, true, true},
      {{"scan", "MAP", "SBSP", "--kinds", "dlrsf"}, 0, 0, true, true},
      {{"scan", "MAP", "LAST"}, 0, 0, true, true},
      {{"scan", "MAP", "BITM"}, 0, 0, true, true},
      {{"refs", "MAP", "SBSP"}, 0, 0, true, true},
      {{"refs", "MAP", "LAST"}, 0, 0, true, true},
      {{"fields", "MAP", "SCNR"}, 0, 0, true, true},
      {{"hexedit", "MAP", "SBSP"}, 0, 0, true, true},
      {{"hexedit", "MAP", "BITM"}, 0, 0, true, true},
      {{"extract", "MAP", "SBSP", "OUT"}, 0, 0, false, true},
      {{"extract", "MAP", "BITM", "OUT"}, 0, 0, false, true},
      {{"diff", "MAP", "MAP"}, 0, 0, true, true},
      {{"history", "MAP"}, 0, 0, false, true},
      // Writes: its own bytes injected back change nothing; a structure BSP
      // takes no injects; a tag kept in bitmaps.map takes no writes.
      {{"inject", "MAP", "LAST", "LASTMETA"}, 0, 0, true, true},
      {{"inject", "MAP", "SBSP", "LASTMETA"}, 1, 1, true, true},
      {{"direct-inject", "MAP", "SBSP", "MAP", "LAST", "--yes"}, 1, 1, true, true},
      {{"hexedit", "MAP", "BITM", "--text", "00"}, 0, 1, false, false},
  };
  const std::pair<std::uint16_t, const char*> versions[] = {{kVersionXbox, "5"}, {kVersionPc, "7"}, {kVersionCe, "609"}};
  for (const auto& [version, text] : versions) {
    SCOPED_TRACE(text);
    const TempDir dir;
    const std::string map = dir.File("real.map");
    std::vector<std::string> make = {"make-sample", map, "--layout", "real", "--version", text, "--tags",
                                     std::to_string(kTags), "--seed", "12"};
    if (version == kVersionCe) make.insert(make.end(), {"--resources", dir.Path()});
    ASSERT_EQ(RunCli(make).status, 0);
    const RealSampleMap sample = GenerateRealSampleMap(version, kTags, 12);
    const auto bitmap = std::find_if(sample.tags.begin(), sample.tags.end(), [](const SampleTag& t) { return t.class1 == "bitm"; });
    ASSERT_NE(bitmap, sample.tags.end());
    if (version == kVersionCe) {
      ASSERT_EQ(sample.truth[static_cast<std::size_t>(bitmap - sample.tags.begin())].home, RealTagTruth::Home::External);
    }
    const std::map<std::string, std::string> tags = {{"SCNR", "0"},
                                                     {"SBSP", "1"},
                                                     {"LAST", std::to_string(kTags - 1)},
                                                     {"BITM", std::to_string(bitmap - sample.tags.begin())}};
    ASSERT_EQ(RunCli({"extract", map, tags.at("LAST"), dir.File("last.meta")}).status, 0);
    const std::vector<unsigned char> original = ReadBytesFromFile(map);

    // The map checks clean: BSP sections, raw and model data and external tags
    // are where such maps keep them.
    const auto check = RunCli({"check", map});
    EXPECT_EQ(check.status, 0) << check.out;
    ASSERT_FALSE(Lines(check.out).empty());
    EXPECT_EQ(Lines(check.out).back().rfind("0 errors, 0 warnings, ", 0), 0u) << check.out;

    for (const auto& row : rows) {
      const auto args = Fill(row.args, map, dir.Path(), tags);
      SCOPED_TRACE(row.args[0] + " " + (row.args.size() > 2 ? row.args[2] : ""));
      const auto r = RunCli(args);
      const int status = version == kVersionCe ? row.ceStatus : row.status;
      EXPECT_EQ(r.status, status) << r.out << r.err;
      if (row.prints) {
        EXPECT_NE(r.out, "") << "prints nothing";
      }
      // A refused write leaves the map as it was.
      if (row.same || status != 0) {
        EXPECT_EQ(ReadBytesFromFile(map), original);
      }
      WriteBytesToFile(map, original);
    }
    EXPECT_EQ(Lines(RunCli({"tags", map}).out).size(), static_cast<std::size_t>(kTags));
  }
}

}  // namespace
}  // namespace jov
