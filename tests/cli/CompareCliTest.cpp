// jov-cli diff and patch, run as a user runs them: exit statuses, the round trip
// through a patch file, and refusals that leave the map as it was.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "support/ModifiedMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::RunCli;
using testing::TempDir;

struct MapFiles {
  MapFiles() {
    const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 48, 21);
    original = dir.Write("original.map", WriteSampleMap(plan));
    modified = dir.Write("modified.map", testing::ModifyMap(plan, {4, 2, true, 12, 21}));
    relaid = dir.Write("relaid.map", WriteSampleMap(GenerateSampleMap(kVersionPc, 48, 21, 256, 5)));
    patch = dir.File("mod.patch");
  }
  TempDir dir;
  std::string original, modified, relaid, patch;
};

TEST(CompareCli, DiffExitStatusSaysWhetherMapsDiffer) {
  MapFiles files;
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* firstLine;
  };
  const Case cases[] = {
      {{"diff", files.original, files.relaid}, 0, "48 tags matched, 0 changed, 0 only in Map 1, 0 only in Map 2"},
      {{"diff", files.original, files.modified}, 1, "48 tags matched, 4 changed, 0 only in Map 1, 0 only in Map 2"},
      {{"diff", files.original}, 2, nullptr},
      {{"diff", files.original, files.relaid, "--colour"}, 2, nullptr},
  };
  for (const Case& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << c.args.size() << " arguments: " << result.err;
    if (c.firstLine) {
      EXPECT_EQ(result.out.substr(0, result.out.find('\n')), c.firstLine);
    }
  }
  const auto json = RunCli({"diff", files.original, files.modified, "--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("\"ranges\""), std::string::npos);
  EXPECT_NE(json.out.find("\"Map Name\""), std::string::npos);
}

TEST(CompareCli, PatchRoundTripsThroughItsFile) {
  MapFiles files;
  ASSERT_EQ(RunCli({"patch", "create", files.original, files.modified, files.patch, "--title", "Red sky", "--author", "me"}).status, 0);
  const auto shown = RunCli({"patch", "show", files.patch});
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find("Title: Red sky\nAuthor: me\n"), std::string::npos);
  EXPECT_NE(shown.out.find("48 tags matched, 4 changed, 0 only in Map 1, 0 only in Map 2"), std::string::npos);

  const auto before = ReadBytesFromFile(files.original);
  const auto dry = RunCli({"patch", "apply", files.original, files.patch, "--dry-run"});
  EXPECT_EQ(dry.status, 0);
  EXPECT_NE(dry.out.find("write 0x"), std::string::npos);
  EXPECT_EQ(ReadBytesFromFile(files.original), before);

  EXPECT_EQ(RunCli({"patch", "apply", files.original, files.patch}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(files.original), ReadBytesFromFile(files.modified));
  // One step of the history: one undo gives the original back, one redo the mod.
  EXPECT_NE(RunCli({"history", files.original}).out.find("Apply Patch Red sky"), std::string::npos);
  EXPECT_EQ(RunCli({"undo", files.original}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(files.original), before);
  EXPECT_EQ(RunCli({"redo", files.original}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(files.original), ReadBytesFromFile(files.modified));

  // Another layout: asked about first, then applied, then equal to the mod.
  const auto relaidBefore = ReadBytesFromFile(files.relaid);
  EXPECT_EQ(RunCli({"patch", "apply", files.relaid, files.patch}).status, 1);
  EXPECT_EQ(ReadBytesFromFile(files.relaid), relaidBefore);
  EXPECT_EQ(RunCli({"patch", "apply", files.relaid, files.patch, "--yes"}).status, 0);
  EXPECT_EQ(RunCli({"diff", files.relaid, files.modified}).status, 0);

  // Applied twice: every change conflicts, nothing is written.
  const auto again = RunCli({"patch", "apply", files.relaid, files.patch, "--yes"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("conflict  "), std::string::npos);
  EXPECT_NE(again.out.find("expected "), std::string::npos);
  EXPECT_EQ(RunCli({"diff", files.relaid, files.modified}).status, 0);
}

TEST(CompareCli, MalformedPatchIsRefusedAndNothingWritten) {
  MapFiles files;
  const auto before = ReadBytesFromFile(files.original);
  const std::pair<std::string, const char*> cases[] = {
      {"not a patch", "not a JSON document"},
      {"{\"format\": \"jov patch\", \"version\": 7}", "format version 7"},
  };
  for (const auto& [text, message] : cases) {
    WriteBytesToFile(files.patch, std::vector<unsigned char>(text.begin(), text.end()));
    const auto result = RunCli({"patch", "apply", files.original, files.patch, "--yes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(message), std::string::npos) << result.out;
    EXPECT_EQ(ReadBytesFromFile(files.original), before);
  }
}

}  // namespace
}  // namespace jov
