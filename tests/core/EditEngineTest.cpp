// The executor's rules that no single command shows: a stale model is never
// written, a history that fails mid-command refuses it, an interrupted step
// blocks every other edit until it is recovered, a step's writer is told apart
// from a reused pid, and Add Tag leaves a map every later command accepts.
#include <gtest/gtest.h>

#include "builder/AddTag.h"
#include "check/MapCheck.h"
#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/Process.h"
#include "support/Planned.h"
#include "support/RecordedDialogs.h"
#include "support/TempDir.h"
#include "support/TestMap.h"
#include "transfer/InjectTagMetadata.h"
#include "transfer/InsertData.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::TestMap;

class EditEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("JOV_STATE_DIR", m_state.Path().c_str(), 1);
    testing::ReopenHistory();
  }
  void TearDown() override { testing::ReopenHistory(); }
  testing::TempDir m_state;
};

EditPlan SmallPlan(const TestMap& t, const char* label, unsigned char value) {
  EditPlan plan = testing::RawPlan(t.path, label);
  plan.stamp = FileStamp::Of(t.path);
  const unsigned char bytes[2] = {value, value};
  plan.Write(0x900, bytes, 2);
  return plan;
}

TEST_F(EditEngineTest, APlanIsRefusedWithNothingWrittenWhenItsPreconditionsFail) {
  struct Case {
    const char* what;
    std::function<void(TestMap&, EditPlan&)> spoil;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"the file changed since it was read",
       [](TestMap& t, EditPlan&) {
         Bytes bytes = ReadBytesFromFile(t.path);
         bytes[0x20] ^= 1;
         testing::RewriteLater(t.path, bytes);
       },
       "changed on disk"},
      {"an expected range holds other bytes",
       [](TestMap&, EditPlan& plan) { plan.expects.push_back({0x10, Bytes(4, 0xEE), "the index offset", {}, 0}); },
       "the index offset"},
      {"the history database is full",
       [](TestMap&, EditPlan& plan) {
         testing::TestHistory().LimitGrowthForTests(0);
         const Bytes big(256 * 1024, 0x77);
         plan.Write(0x40, big.data(), big.size());
       },
       "could not record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::ReopenHistory();
    TestMap t(GenerateSampleMap(kVersionPc, 8, 3));
    // A first step, so the database exists and has pages to fill.
    testing::ApplyPlan(SmallPlan(t, "first", 1));
    EditPlan plan = SmallPlan(t, "second", 2);
    c.spoil(t, plan);
    const Bytes before = ReadBytesFromFile(t.path);
    try {
      testing::ApplyPlan(plan);
      ADD_FAILURE() << "not refused";
    } catch (const Refused& refused) {
      EXPECT_NE(std::string(refused.what()).find(c.says), std::string::npos) << refused.what();
    }
    EXPECT_EQ(ReadBytesFromFile(t.path), before);
    EXPECT_TRUE(testing::TestHistory().Interrupted(t.path).empty());
  }
}

TEST_F(EditEngineTest, APlanThatChangesNoByteRecordsNothingAndKeepsTheRedoSteps) {
  TestMap t(GenerateSampleMap(kVersionCe, 8, 4));
  testing::ApplyPlan(SmallPlan(t, "first", 1));
  const auto step = testing::TestHistory().NewestDone({t.path});
  ASSERT_TRUE(step);
  testing::UndoStep(step->id);
  const Bytes before = ReadBytesFromFile(t.path);
  // The bytes the map already holds, rewritten: a right CRC "fixed", a name
  // saved unchanged.
  EditPlan same = testing::RawPlan(t.path, "same");
  same.Write(0x40, before.data() + 0x40, 64);
  const PlanOutcome outcome = testing::ApplyPlan(same);
  EXPECT_FALSE(outcome.written);
  EXPECT_EQ(ReadBytesFromFile(t.path), before);
  EXPECT_EQ(testing::TestHistory().Steps(t.path).size(), 1u);
  ASSERT_TRUE(testing::TestHistory().OldestUndone({t.path}));
  testing::RedoStep(step->id);
  EXPECT_NE(ReadBytesFromFile(t.path), before);
}

TEST_F(EditEngineTest, AStepIsRunningOnlyWhileItsOwnProcessOfThisBootIsAlive) {
  const ProcessIdentity self = CurrentProcess();
  EXPECT_TRUE(StillRunning(self));
  ProcessIdentity reused = self;
  reused.startTime += 1;  // the same pid, another process
  EXPECT_FALSE(StillRunning(reused));
  ProcessIdentity rebooted = self;
  rebooted.bootId = "another boot";
  EXPECT_FALSE(StillRunning(rebooted));
  EXPECT_FALSE(StillRunning(ProcessIdentity{}));
}

TEST_F(EditEngineTest, TwoAddTagsInARowLeaveAMapThatChecksCleanAndTakesInjectAndInsertData) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    SCOPED_TRACE(version);
    TestMap t(GenerateSampleMap(version, 12, 5));
    const std::string meta = t.dir.Write("new.meta", Bytes(200, 0x3C));
    const std::uint16_t count = [&] {
      t.Open();
      return t.map.m_nTagCount;
    }();
    testing::RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    for (const char* name : {"new\\first", "new\\second"}) {
      t.map.CloseFile();
      t.Open();  // reopened between them, as the editor does after Add Tag
      MapBuilderFields fields;
      fields.strTagFile = meta;
      fields.strTagName = name;
      fields.strClass1 = "weap";
      testing::RunPlanned(t.map, std::string("Add Tag ") + name,
                          [&] { ASSERT_EQ(AddTag(t.map, t.tree, fields, dialogs), AddTagResult::Added); });
    }
    t.map.CloseFile();
    t.Open();
    ASSERT_EQ(t.map.m_nTagCount, count + 2);
    EXPECT_EQ(t.Tag(count).strName, "new\\first");
    EXPECT_EQ(t.Tag(count + 1).strName, "new\\second");
    EXPECT_FALSE(CheckMap(t.map).HasErrors());

    dialogs.openAnswer = meta;
    InjectOutcome injected = InjectOutcome::Cancelled;
    testing::RunPlanned(t.map, "Inject", [&] { injected = InjectTagMetadata(t.map, count, dialogs); });
    EXPECT_EQ(injected, InjectOutcome::Completed);
    const Bytes file = ReadBytesFromFile(t.path);
    const std::uint32_t at = HexToUInt(t.Tag(count).strMetaOffset);
    ASSERT_GE(file.size(), at + 200u);
    EXPECT_EQ(Bytes(file.begin() + at, file.begin() + at + 200), Bytes(200, 0x3C));
    t.map.CloseFile();
    t.Open();
    EXPECT_TRUE(testing::RunPlanned(t.map, "Insert Data", [&] { InsertDataAndReload(t.map, t.tree, "01 02 03"); })
                    .written);
    t.map.CloseFile();
    t.Open();
    EXPECT_FALSE(CheckMap(t.map).HasErrors());
  }
}

}  // namespace
}  // namespace jov
