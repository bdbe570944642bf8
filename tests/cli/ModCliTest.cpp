// jov-cli mod create, mod apply and diff --fields on generated maps: the mod a
// modder makes with `set` carries exactly those edits, applies to the original
// and to another layout with one table, says what it leaves out, and undoes in
// one step.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "map/SampleMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;

TEST(ModCli, CreateApplyDiffAndUndo) {
  testing::TempDir dir;
  const std::string a = dir.File("a.map"), b = dir.File("b.map"), relaid = dir.File("relaid.map");
  ASSERT_EQ(RunCli({"make-sample", a, "--tags", "24", "--seed", "3"}).status, 0);
  ASSERT_EQ(RunCli({"make-sample", relaid, "--tags", "24", "--seed", "3", "--relayout", "2"}).status, 0);
  WriteBytesToFile(b, ReadBytesFromFile(a));
  const std::string eqip = "eqip:levels\\plasma\\shotgun_3";
  for (const auto& [field, value] : std::vector<std::pair<std::string, std::string>>{
           {"powerup_time", "1.5"}, {"attachments[1].marker", "hello"}, {"widgets[0].reference", "none"}})
    ASSERT_EQ(RunCli({"--no-history", "set", b, eqip, field, value}).status, 0);
  // Two bytes no defined field covers.
  ASSERT_EQ(RunCli({"--no-history", "set", b, eqip, "unknown_2", "ffff"}).status, 0);

  const auto created = RunCli({"mod", "create", a, b, "--title", "Faster", "--author", "Me"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.err.find("left out of the mod: 0 changed tags without a definition, 2 differing bytes no field edit carries"),
            std::string::npos)
      << created.err;
  EXPECT_NE(created.err.find(eqip + ": 2 differing bytes no defined field holds (the first at +0x2)"), std::string::npos);
  const auto mod = nlohmann::json::parse(created.out);
  EXPECT_EQ(mod["format"], "jovmod");
  EXPECT_EQ(mod["title"], "Faster");
  EXPECT_EQ(mod["author"], "Me");
  ASSERT_EQ(mod["edits"].size(), 3u);
  EXPECT_EQ(mod["edits"][2], nlohmann::json({{"tag", eqip}, {"field", "powerup_time"}, {"value", "1.5"}, {"was", "0.28"}}));
  const std::string modPath = dir.Write("faster.jovmod", std::vector<unsigned char>(created.out.begin(), created.out.end()));

  // diff --fields lists what the mod carries, tab-separated.
  const auto diff = RunCli({"diff", a, b, "--fields"});
  EXPECT_EQ(diff.status, 1);
  EXPECT_NE(diff.err.find("left out: " + eqip + ": 2 differing bytes"), std::string::npos) << diff.err;
  const auto lines = Lines(diff.out);
  ASSERT_EQ(lines.size(), 3u) << diff.out;
  EXPECT_EQ(lines[2], eqip + "\tpowerup_time\t0.28\t1.5");
  EXPECT_EQ(RunCli({"diff", a, relaid, "--fields"}).out, "");

  // A dry run writes nothing; the real run writes both maps and exits 0.
  const auto before = ReadBytesFromFile(a);
  const auto dry = RunCli({"mod", "apply", modPath, a, relaid, "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.out << dry.err;
  EXPECT_NE(dry.out.find("to be written"), std::string::npos) << dry.out;
  EXPECT_EQ(ReadBytesFromFile(a), before);
  const auto applied = RunCli({"mod", "apply", modPath, a, relaid});
  ASSERT_EQ(applied.status, 0) << applied.out << applied.err;
  const auto table = Lines(applied.out);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].substr(0, 3), "map");
  EXPECT_NE(table[0].find("applied  already so  tag missing  field missing  was differs  refused  result"), std::string::npos);
  EXPECT_NE(table[1].find("3           0            0              0            0        0  written"), std::string::npos) << table[1];
  // Every carried field is B's now; only the two left-out bytes still differ.
  const auto afterDiff = RunCli({"diff", a, b, "--fields"});
  EXPECT_EQ(afterDiff.out, "");
  EXPECT_NE(afterDiff.err.find("2 differing bytes"), std::string::npos) << afterDiff.err;
  EXPECT_EQ(RunCli({"diff", relaid, b, "--fields"}).out, "");
  EXPECT_NE(RunCli({"history", a}).out.find("Apply mod Faster"), std::string::npos);

  // Again: already so everywhere; a map named twice refuses the run.
  const auto again = RunCli({"mod", "apply", modPath, a, a});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("refused: named twice"), std::string::npos) << again.out;

  ASSERT_EQ(RunCli({"undo", a}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(a), before);

  // A mod that is not one: the reason, exit 1, nothing written.
  const std::string bad = dir.Write("bad.jovmod", std::vector<unsigned char>{'[', '1'});
  const auto refused = RunCli({"mod", "apply", bad, a});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("bad.jovmod is not a mod: it is not JSON"), std::string::npos) << refused.out;
  EXPECT_EQ(ReadBytesFromFile(a), before);
}

}  // namespace
}  // namespace jov
