// Patches: made from a map pair, applied to the original or to another layout,
// refused whole when anything does not fit.
#include <gtest/gtest.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "compare/Patch.h"
#include "edit/MapDocument.h"
#include "support/Planned.h"
#include "history/History.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "support/ModifiedMap.h"
#include "support/RecordedDialogs.h"
#include "support/TempDir.h"
#include "support/TestMap.h"

namespace jov {
namespace {

// The patch applied by its map's document.
PatchResult Applied(CMapFile& map, const Patch& patch, UserDialogs& dialogs) {
  MapDocument document(map.m_strPath, testing::SharedHistory());
  return ApplyPatch(map, patch, dialogs, &document);
}

using testing::ModifyMap;
using testing::RecordedDialogs;
using testing::TestMap;

struct PatchCase {
  SampleMapPlan plan;
  std::vector<unsigned char> original;
  std::vector<unsigned char> modified;
  Patch patch;

  PatchCase(std::uint16_t version, std::uint32_t seed, testing::ModPlan mod, int tags = 40)
      : plan(GenerateSampleMap(version, tags, seed)), original(WriteSampleMap(plan)), modified(ModifyMap(plan, mod)) {
    TestMap a(original), b(modified);
    a.Open();
    b.Open();
    patch = CreatePatch(a.map, b.map, "Test mod", "someone");
  }
};

std::vector<unsigned char> Apply(TestMap& target, const Patch& patch, ApplyOutcome expected, bool yes = true) {
  target.Open();
  RecordedDialogs dialogs;
  dialogs.yesAnswer = yes;
  EXPECT_EQ(Applied(target.map, patch, dialogs).outcome, expected);
  target.map.CloseFile();
  return ReadBytesFromFile(target.path);
}

TEST(Patch, RoundTripsToTheModifiedMapAndToOtherLayouts) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      const PatchCase c(version, seed, {6, 4, seed % 2 == 0, seed * 9, seed});
      // What is written is what is read back.
      const Patch reread = PatchFromJson(PatchToJson(c.patch));
      EXPECT_EQ(PatchLines(reread), PatchLines(c.patch));
      EXPECT_EQ(PatchToJson(reread), PatchToJson(c.patch));

      TestMap copy(c.original);
      EXPECT_EQ(Apply(copy, reread, ApplyOutcome::Applied), c.modified) << "version " << version << " seed " << seed;

      TestMap relaid(GenerateSampleMap(version, 40, seed, 256, seed + 1));
      Apply(relaid, reread, ApplyOutcome::Applied);
      TestMap result(ReadBytesFromFile(relaid.path)), modified(c.modified);
      result.Open();
      modified.Open();
      const MapComparison comparison = CompareMaps(result.map, modified.map);
      EXPECT_TRUE(comparison.Same()) << "version " << version << " seed " << seed << ": "
                                     << (comparison.tags.empty() ? HeaderLine(comparison.header.at(0))
                                                                 : DifferenceLine(comparison.tags[0]));
    }
  }
}

TEST(Patch, AddsTagsAtTheEndOfTheIndex) {
  const SampleMapPlan plan = GenerateSampleMap(kVersionPc, 30, 4);
  const std::vector<unsigned char> full = WriteSampleMap(plan);
  std::vector<unsigned char> fewer = full;
  PutLe16(fewer, plan.indexOffset + 0x0C, 28);  // the last two tags hidden
  TestMap a(fewer), b(full);
  a.Open();
  b.Open();
  const Patch patch = PatchFromJson(PatchToJson(CreatePatch(a.map, b.map, "two tags", "")));
  ASSERT_EQ(patch.added.size(), 2u);
  EXPECT_EQ(patch.added[0].name, plan.tags[28].name);
  EXPECT_EQ(patch.added[0].room, plan.tags[28].meta.size());
  a.map.CloseFile();
  EXPECT_EQ(Apply(a, patch, ApplyOutcome::Applied), full);
}

TEST(Patch, ConflictsAreAllListedAndNothingIsWritten) {
  const PatchCase c(kVersionPc, 3, {4, 2, true, 16, 3});
  std::size_t ranges = 0;
  for (const TagDifference& tag : c.patch.tags) ranges += tag.ranges.size();
  // One map already holds every change; in the other, the first changed byte of
  // each changed tag differs from what the patch expects.
  std::vector<unsigned char> other = c.original;
  const SampleLayout layout = LayoutOf(c.plan);
  for (const TagDifference& tag : c.patch.tags)
    other[layout.metaOffsets[static_cast<std::size_t>(tag.first)] + tag.ranges.front().offset] ^= 0xFF;
  const std::pair<const std::vector<unsigned char>*, std::size_t> cases[] = {{&c.modified, ranges}, {&other, c.patch.tags.size()}};
  for (const auto& [bytes, expected] : cases) {
    TestMap target(*bytes);
    target.Open();
    RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    const PatchResult result = Applied(target.map, c.patch, dialogs);
    EXPECT_EQ(result.outcome, ApplyOutcome::Conflicts);
    EXPECT_TRUE(result.writes.empty());
    target.map.CloseFile();
    EXPECT_EQ(ReadBytesFromFile(target.path), *bytes);
    std::size_t metadataConflicts = 0;
    for (const PatchConflict& conflict : result.conflicts) {
      EXPECT_NE(conflict.expected, conflict.found) << ConflictLine(conflict);
      metadataConflicts += conflict.field.empty() ? 1 : 0;
    }
    EXPECT_EQ(metadataConflicts, expected);
  }
}

TEST(Patch, AnotherMapAsksFirstAndDryRunsWriteNothing) {
  const PatchCase c(kVersionPc, 5, {3, 2, false, 0, 5});
  TestMap relaid(GenerateSampleMap(kVersionPc, 40, 5, 256, 2));
  const std::vector<unsigned char> before = ReadBytesFromFile(relaid.path);
  EXPECT_EQ(Apply(relaid, c.patch, ApplyOutcome::Declined, false), before);

  for (TestMap* target : {&relaid}) {
    target->Open();
    RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    const PatchResult result = ApplyPatch(target->map, c.patch, dialogs, nullptr);
    EXPECT_EQ(result.outcome, ApplyOutcome::Verified);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{kPatchOtherMapQuestion});
    EXPECT_FALSE(result.writes.empty());
    target->map.CloseFile();
    EXPECT_EQ(ReadBytesFromFile(target->path), before);
  }
  // The original itself is not asked about.
  TestMap copy(c.original);
  copy.Open();
  RecordedDialogs dialogs;
  EXPECT_EQ(ApplyPatch(copy.map, c.patch, dialogs, nullptr).outcome, ApplyOutcome::Verified);
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST(Patch, OneUndoTakesAnAppliedPatchBack) {
  testing::TempDir state;
  ::setenv("JOV_STATE_DIR", state.Path().c_str(), 1);
  testing::ReopenHistory();
  History& history = testing::TestHistory();
  for (const bool relaid : {false, true}) {
    const PatchCase c(kVersionCe, 12, {5, 3, true, 40, 12});
    TestMap target(relaid ? WriteSampleMap(GenerateSampleMap(kVersionCe, 40, 12, 256, 4)) : c.original);
    const std::vector<unsigned char> before = ReadBytesFromFile(target.path);
    target.Open();
    RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    ASSERT_EQ(Applied(target.map, c.patch, dialogs).outcome, ApplyOutcome::Applied);
    target.map.CloseFile();
    if (!relaid) {
      EXPECT_EQ(ReadBytesFromFile(target.path), c.modified);
    }
    const std::vector<StepInfo> steps = history.Steps(target.path);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].label, "Apply Patch Test mod");
    testing::UndoStep(steps[0].id);
    EXPECT_EQ(ReadBytesFromFile(target.path), before);
  }
  testing::ReopenHistory();
}

TEST(Patch, MalformedPatchesAreRefusedByWhatIsWrong) {
  const PatchCase c(kVersionPc, 8, {3, 2, true, 0, 8});
  const nlohmann::json good = nlohmann::json::parse(PatchToJson(c.patch));
  using Edit = std::function<void(nlohmann::json&)>;
  struct Case {
    const char* what;
    std::function<std::string()> text;
    const char* message;  // a piece of the refusal
  };
  const auto edited = [&](Edit edit) {
    return [&good, edit] {
      nlohmann::json document = good;
      edit(document);
      return document.dump();
    };
  };
  const Case cases[] = {
      {"not JSON", [] { return std::string("{\"format\": \"jov patch\", "); }, "not a JSON document"},
      {"a list", [] { return std::string("[1, 2]"); }, "not a JSON object"},
      {"other format", edited([](auto& d) { d["format"] = "something"; }), "not a patch"},
      {"other version", edited([](auto& d) { d["version"] = 2; }), "format version 2"},
      {"no tags", edited([](auto& d) { d.erase("tags"); }), "has no \"tags\""},
      {"range past metadata", edited([](auto& d) { d["tags"][0]["ranges"][0]["offset"] = 100000; }), kPatchPastMetadata},
      {"before and after differ", edited([](auto& d) { d["tags"][0]["ranges"][0]["after"] = "00"; d["tags"][0]["ranges"][0]["before"] = "0000"; }),
       "different lengths"},
      {"not hex", edited([](auto& d) { d["tags"][0]["ranges"][0]["after"] = "zz"; }), "hex digit pairs"},
      {"unknown header field", edited([](auto& d) { d["header"][0]["field"] = "Colour"; }), "\"Colour\""},
      {"tag not in its index", edited([](auto& d) { d["tags"][0]["name"] = "no\\such\\tag"; }), "not in the index"},
      {"negative offset", edited([](auto& d) { d["tags"][0]["ranges"][0]["offset"] = -4; }), "is not a number"},
  };
  for (const Case& testCase : cases) {
    try {
      PatchFromJson(testCase.text());
      ADD_FAILURE() << testCase.what << ": accepted";
    } catch (const Refused& refused) {
      EXPECT_NE(std::string(refused.what()).find(testCase.message), std::string::npos) << testCase.what << ": " << refused.what();
    }
  }

  // A tag the target lacks (though the patch's own index has it): refused at apply, nothing written.
  std::vector<unsigned char> renamed = c.original;
  const SampleLayout layout = LayoutOf(c.plan);
  const std::string& name = c.patch.tags.at(0).name;
  const std::size_t t = static_cast<std::size_t>(c.patch.tags.at(0).first);
  renamed[layout.nameOffsets[t] + name.size() - 1] ^= 0x20;
  TestMap target(renamed);
  target.Open();
  RecordedDialogs dialogs;
  dialogs.yesAnswer = true;
  EXPECT_THROW(
      {
        try {
          Applied(target.map, c.patch, dialogs);
        } catch (const Refused& refused) {
          EXPECT_NE(std::string(refused.what()).find(name), std::string::npos);
          throw;
        }
      },
      Refused);
  target.map.CloseFile();
  EXPECT_EQ(ReadBytesFromFile(target.path), renamed);
}

}  // namespace
}  // namespace jov

namespace jov {
namespace {

// A number past what a double holds is refused like any other broken patch
// (nlohmann reports it as out of range, not as a parse error).
TEST(Patch, ANumberTooLargeForADoubleIsRefused) {
  EXPECT_THROW(PatchFromJson(R"({"format": "jov patch", "version": 1e999})"), Refused);
}

}  // namespace
}  // namespace jov
