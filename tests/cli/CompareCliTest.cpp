// jov-cli diff and patch, run as a user runs them: exit statuses, the round trip
// through a patch file, and refusals that leave the map as it was.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRunner.h"
#include "builder/AddTag.h"
#include "compare/Patch.h"
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
      // The last tag runs over the bytes appended to the tag data: its size follows from the EoF Position, no change of its own.
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

// A tag renamed in place (same class and identifier) and words of others edited:
// the rename is one difference, carried by the patch, applied, and undone with
// the rest in one step.
TEST(CompareCli, RenameTravelsThroughPatchCreateApplyAndUndo) {
  TempDir dir;
  const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 40, 33);
  const SampleLayout layout = LayoutOf(plan);
  const std::string original = dir.Write("original.map", WriteSampleMap(plan));
  std::vector<unsigned char> bytes = testing::ModifyMap(plan, {2, 2, false, 0, 33});
  const std::size_t renamed = 7;
  bytes[layout.nameOffsets[renamed] + plan.tags[renamed].name.size() - 1] = 'Z';
  const std::string modified = dir.Write("modified.map", bytes);
  const std::string patch = dir.File("rename.patch");
  const std::string oldName = plan.tags[renamed].class1 + ":" + plan.tags[renamed].name;

  const auto diff = RunCli({"diff", original, modified});
  EXPECT_EQ(diff.status, 1);
  EXPECT_NE(diff.out.find("0 only in Map 1, 0 only in Map 2"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("renamed  " + oldName + " -> "), std::string::npos) << diff.out;

  const auto created = RunCli({"patch", "create", original, modified, patch, "--title", "Rename"});
  EXPECT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(created.out.find("leaves out"), std::string::npos) << created.out;

  const auto before = ReadBytesFromFile(original);
  const auto applied = RunCli({"patch", "apply", original, patch});
  EXPECT_EQ(applied.status, 0) << applied.out << applied.err;
  EXPECT_NE(applied.out.find("Patch applied: "), std::string::npos);
  EXPECT_EQ(ReadBytesFromFile(original), bytes);
  EXPECT_EQ(RunCli({"diff", original, modified}).status, 0);

  EXPECT_EQ(RunCli({"undo", original}).status, 0);
  EXPECT_EQ(ReadBytesFromFile(original), before);
  EXPECT_NE(RunCli({"diff", original, modified}).out.find("renamed  " + oldName), std::string::npos);
}

// A tag given another name and identifier is one tag removed and one added in
// the middle of the index: no patch carries that. Create lists it, apply writes
// the rest, says what it left out and exits 1.
TEST(CompareCli, PatchListsWhatItCannotCarryAndApplyExitsOneWithoutSuccess) {
  TempDir dir;
  const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 40, 34);
  const SampleLayout layout = LayoutOf(plan);
  const std::string original = dir.Write("original.map", WriteSampleMap(plan));
  std::vector<unsigned char> bytes = testing::ModifyMap(plan, {2, 2, false, 0, 34});
  const std::size_t replaced = 9;
  bytes[layout.nameOffsets[replaced]] = 'Q';
  PutLe32(bytes, layout.firstEntry + 32 * replaced + 12, 0x7abc0001);
  const std::string modified = dir.Write("modified.map", bytes);
  const std::string patch = dir.File("part.patch");

  const auto created = RunCli({"patch", "create", original, modified, patch});
  EXPECT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(created.out.find("The patch cannot carry 2 differences; applying it leaves out:\n"), 0u) << created.out;
  EXPECT_NE(created.out.find("\n  only in Map 1  " + plan.tags[replaced].class1 + ":" + plan.tags[replaced].name + "  "),
            std::string::npos);
  EXPECT_NE(created.out.find("\n  only in Map 2  "), std::string::npos);

  const auto applied = RunCli({"patch", "apply", original, patch});
  EXPECT_EQ(applied.status, 1);
  EXPECT_EQ(applied.out.find("Patch applied"), std::string::npos) << applied.out;
  EXPECT_NE(applied.out.find("Left out 2 differences a patch cannot carry:"), std::string::npos) << applied.out;
  // Everything else was written: only the replaced tag still differs.
  const auto diff = RunCli({"diff", original, modified});
  EXPECT_NE(diff.out.find(" 0 changed, 1 only in Map 1, 1 only in Map 2"), std::string::npos) << diff.out;
}

// A patch of an Add Tag whose new entry lies over the first names: its header
// list cut, it would write the entry without counting it; whole, it asks first.
TEST(CompareCli, PatchOverwritingTagNamesIsRefusedUnlessAskedAndAnswered) {
  TempDir dir;
  const std::string original = dir.File("original.map");
  ASSERT_EQ(RunCli({"make-sample", original, "--version", "7", "--tags", "12"}).status, 0);
  const std::string modified = dir.File("modified.map");
  WriteBytesToFile(modified, ReadBytesFromFile(original));
  const std::string meta = dir.Write("t.meta", std::vector<unsigned char>(300, 7));
  ASSERT_EQ(RunCli({"add-tag", modified, "--name", "new\\tag", "--meta", meta, "--class1", "fog ", "--yes"}).status, 0);
  const std::string patch = dir.File("add.patch");
  ASSERT_EQ(RunCli({"patch", "create", original, modified, patch}).status, 0);

  const auto patchBytes = ReadBytesFromFile(patch);
  nlohmann::json cut = nlohmann::json::parse(std::string(patchBytes.begin(), patchBytes.end()));
  ASSERT_EQ(cut["added"].size(), 1u);
  cut["header"] = nlohmann::json::array();
  const std::string text = cut.dump();
  const std::string cutPatch = dir.Write("cut.patch", std::vector<unsigned char>(text.begin(), text.end()));

  const auto before = ReadBytesFromFile(original);
  struct Case {
    std::string patch;
    bool yes;
    const char* said;
  };
  const Case refused[] = {
      {cutPatch, true, "does not raise the Tag Count"},
      {patch, false, kPatchOverwriteQuestion},
  };
  for (const Case& c : refused) {
    std::vector<std::string> args{"patch", "apply", original, c.patch};
    if (c.yes) args.push_back("--yes");
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 1) << c.said;
    EXPECT_NE((result.out + result.err).find(c.said), std::string::npos) << result.out << result.err;
    EXPECT_EQ(ReadBytesFromFile(original), before) << c.said;
  }
  const auto applied = RunCli({"patch", "apply", original, patch, "--yes"});
  EXPECT_EQ(applied.status, 0) << applied.out << applied.err;
  EXPECT_EQ(ReadBytesFromFile(original), ReadBytesFromFile(modified));
}

TEST(CompareCli, OversizedPatchIsRefusedUnread) {
  MapFiles files;
  const auto before = ReadBytesFromFile(files.original);
  {
    std::FILE* f = std::fopen(files.patch.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    // Sparse: 64 MiB and one byte, never written out.
    ASSERT_EQ(std::fseek(f, static_cast<long>(kMaxPatchFileSize), SEEK_SET), 0);
    std::fputc('}', f);
    std::fclose(f);
  }
  for (const std::vector<std::string>& args : {std::vector<std::string>{"patch", "apply", files.original, files.patch, "--yes"},
                                               std::vector<std::string>{"patch", "show", files.patch}}) {
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE((result.out + result.err).find("67108865 bytes; a patch file holds at most 64 MiB"), std::string::npos)
        << result.out << result.err;
  }
  EXPECT_EQ(ReadBytesFromFile(files.original), before);
}

}  // namespace
}  // namespace jov
