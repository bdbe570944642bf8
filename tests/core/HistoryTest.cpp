// The edit history: every command's writes as one step that undo and redo take
// back and do again byte for byte, a command stopped part-way restored at once or
// at the next open, and a map changed behind the history's back never written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "check/MapCrc.h"
#include "edit/MapDocument.h"
#include "transfer/InsertData.h"
#include "history/History.h"
#include "map/Refused.h"
#include "support/Planned.h"
#include "support/WriteCommands.h"
#include "support/WriteFaults.h"

namespace jov {
namespace {

using testing::Bench;
using testing::Bytes;
using testing::Command;
using testing::TempDir;
using testing::WriteCommands;

// Each test records into a history of its own, in a fresh state folder.
class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { UseStateDir(m_state.Path()); }
  void TearDown() override {
    BinaryFile::SetWriteCallForTests(nullptr);
    BinaryFile::SetSyncCallForTests(nullptr);
    testing::TestHistory().SetOffNotice(nullptr);
    testing::ReopenHistory();
    ::unsetenv("JOV_HISTORY_LIMIT_MB");
  }
  static void UseStateDir(const std::string& dir) {
    ::setenv("JOV_STATE_DIR", dir.c_str(), 1);
    testing::ReopenHistory();
  }
  static History& H() { return testing::TestHistory(); }

  // Runs a table command as the editor does: the map re-read first, the
  // command planned, the plan applied.
  static bool Run(const Command& command, Bench& b) {
    b.t.map.CloseFile();
    b.t.Open();
    try {
      testing::RunPlanned(b.t.map, command.name, [&] { command.run(b); });
      return true;
    } catch (const Refused&) {
      return false;
    }
  }

  TempDir m_state;
};

TEST_F(HistoryTest, UndoingEveryStepOfARandomSequenceGivesBackEachEarlierMapAndRedoTheLaterOnes) {
  std::mt19937 random(20261207);
  const auto& commands = WriteCommands();
  for (int sequence = 0; sequence < 24; ++sequence) {
    SCOPED_TRACE("sequence " + std::to_string(sequence));
    Bench b;
    std::vector<Bytes> states{b.before};
    std::string names;
    const int length = 1 + static_cast<int>(random() % 6);
    for (int n = 0; n < length; ++n) {
      const Command& command = commands[random() % commands.size()];
      names += std::string(command.name) + "; ";
      if (!Run(command, b)) {
        // A refused command writes nothing and leaves no step.
        EXPECT_EQ(b.Now(), states.back()) << names;
        continue;
      }
      // A command that wrote is one step, even when its bytes were already there.
      if (H().Steps(b.t.path).size() == states.size()) states.push_back(b.Now());
    }
    SCOPED_TRACE(names);
    b.t.map.CloseFile();
    for (std::size_t k = states.size() - 1; k > 0; --k) {
      const auto step = H().NewestDone({b.t.path});
      ASSERT_TRUE(step);
      testing::UndoStep(step->id);
      ASSERT_EQ(b.Now(), states[k - 1]) << "after undoing " << step->label;
    }
    EXPECT_FALSE(H().NewestDone({b.t.path}));
    for (std::size_t k = 1; k < states.size(); ++k) {
      const auto step = H().OldestUndone({b.t.path});
      ASSERT_TRUE(step);
      testing::RedoStep(step->id);
      ASSERT_EQ(b.Now(), states[k]) << "after redoing " << step->label;
    }
  }
}

const Command& CommandNamed(const std::string& name) {
  for (const Command& command : WriteCommands())
    if (command.name == name) return command;
  throw std::logic_error("no command " + name);
}

TEST_F(HistoryTest, LargeWritesKeepOnlyTheirChangedRunsAndStillUndoAndRedoByteForByte) {
  std::mt19937 random(77);
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir dir;
    Bytes bytes(8192 + random() % 30000);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    const std::string path = dir.Write("big.map", bytes);
    std::vector<Bytes> states{bytes};
    BinaryFile file;
    file.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    for (int step = 0; step < 3; ++step) {
      EditPlan plan = testing::RawPlan(path, "step");
      for (int w = 0; w < 1 + static_cast<int>(random() % 3); ++w) {
        // A rewrite of what is there with a few changed bytes, some at its ends,
        // sometimes running past the end of the file.
        const std::uint64_t at = random() % (states.back().size() + 64);
        const std::size_t n = 4097 + random() % 20000;
        Bytes data(n);
        file.Read(at, data.data(), n);
        for (int k = static_cast<int>(random() % 40); k > 0; --k) data[random() % n] ^= 0xA5;
        if (random() % 2) data.front() ^= 1;
        if (random() % 2) data.back() ^= 1;
        plan.Write(at, data.data(), n);
      }
      testing::ApplyPlan(plan);
      states.push_back(ReadBytesFromFile(path));
    }
    for (std::size_t k = states.size() - 1; k > 0; --k) {
      testing::UndoStep(H().NewestDone({path})->id);
      ASSERT_EQ(ReadBytesFromFile(path), states[k - 1]);
    }
    for (std::size_t k = 1; k < states.size(); ++k) {
      testing::RedoStep(H().OldestUndone({path})->id);
      ASSERT_EQ(ReadBytesFromFile(path), states[k]);
    }
    std::uint64_t stored = 0;
    for (const StepInfo& step : H().Steps(path)) stored += step.stored;
    EXPECT_LT(stored, 3u * 3u * 2u * 24097u) << "whole writes were kept";
  }
}

// A table command's plan on a fresh bench, and the map it leaves.
struct Planned {
  EditPlan plan;
  Bytes after;
};
Planned PlanAndResult(const Command& command) {
  Bench b;
  Planned planned;
  planned.plan = PlanOf(b.t.map, command.name, [&] { command.run(b); });
  testing::TestHistory().TurnOff("a dry run");
  testing::ApplyPlan(planned.plan);
  testing::ReopenHistory();
  planned.after = b.Now();
  return planned;
}

// The calls to the system that reach the map while a plan is applied: every
// write, then the sync.
std::size_t CallsOf(const Command& command) {
  Bench b;
  const EditPlan plan = PlanOf(b.t.map, command.name, [&] { command.run(b); });
  const auto recording = testing::WriteFault::Recording(b.t.path);
  testing::ApplyPlan(plan);
  return recording.Log().size() + 1;
}

// Makes call k (a write, or the sync after the last write) do what stop says.
// A torn write puts the first half of its bytes in the file first.
void HookCalls(std::size_t k, std::function<void()> stop, bool fromThereOn, bool torn = false) {
  static std::size_t seen;
  static std::size_t target;
  static bool persistent;
  static bool tornWrite;
  static std::function<void()> action;
  seen = 0;
  target = k;
  persistent = fromThereOn;
  tornWrite = torn;
  action = std::move(stop);
  auto hit = [] { return persistent ? seen++ >= target : seen++ == target; };
  BinaryFile::SetWriteCallForTests([hit](int fd, const void* data, std::size_t n, std::int64_t at) -> long {
    if (hit()) {
      if (tornWrite && n / 2 > 0 && ::pwrite(fd, data, n / 2, at) < 0) return -1;
      action();
      errno = ENOSPC;
      return -1;
    }
    return ::pwrite(fd, data, n, at);
  });
  BinaryFile::SetSyncCallForTests([hit](int fd) -> int {
    if (hit()) {
      action();
      errno = ENOSPC;
      return -1;
    }
    return ::fsync(fd);
  });
}

// Killed between two calls, or inside a write that got half its bytes out (the
// torn column): recovery always brings the map back, and the command then runs.
TEST_F(HistoryTest, ACommandKilledAtAnyWriteOrSyncLeavesTheMapBeforeOrAfterItAndRecoveryEndsTheStep) {
#ifdef _WIN32
  GTEST_SKIP() << "the command runs in a child made with fork(), which Windows does not have";
#endif
  std::size_t neither = 0;  // torn runs that left the map neither before nor after
  for (const Command& command : WriteCommands()) {
    const Planned whole = PlanAndResult(command);
    const std::size_t calls = CallsOf(command);
    // Two columns: killed at call k, and torn inside call k.
    for (std::size_t run = 0; run < 2 * calls; ++run) {
      const bool torn = run >= calls;
      const std::size_t k = run % calls;
      SCOPED_TRACE(std::string(command.name) + (torn ? ", torn at call " : ", killed at call ") + std::to_string(k));
      Bench b;
      const EditPlan plan = PlanOf(b.t.map, command.name, [&] { command.run(b); });
      // The database is opened by the child alone, as by a process of its own.
      testing::ReopenHistory();
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        HookCalls(k, [] { ::_exit(0); }, false, torn);
        testing::ApplyPlan(plan);
        ::_exit(3);  // the kill never came
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      if (b.Now() != b.before && b.Now() != whole.after) ++neither;

      testing::ReopenHistory();
      const auto interrupted = H().Interrupted(b.t.path);
      ASSERT_EQ(interrupted.size(), 1u);
      EXPECT_EQ(interrupted[0].label, command.name);
      // Another command is refused while the step is interrupted.
      EXPECT_THROW(testing::ApplyPlan(plan), Refused);
      const EditPlan recovery = H().PlanRecover(interrupted[0].id);
      testing::ApplyPlan(recovery);
      // Killed at the sync, every byte had been written: the command is done.
      EXPECT_EQ(b.Now(), recovery.finishOnly ? whole.after : b.before);
      EXPECT_TRUE(H().Interrupted(b.t.path).empty());
      EXPECT_EQ(H().Steps(b.t.path).size(), recovery.finishOnly ? 1u : 0u);
      if (!recovery.finishOnly) {
        // The map is usable again: the command, planned anew, writes what it always does.
        EXPECT_TRUE(Run(command, b));
        EXPECT_EQ(b.Now(), whole.after);
      }
    }
  }
  // (A small write whose first half is bytes the map already holds tears nothing.)
  EXPECT_GE(neither, WriteCommands().size() / 2) << "the writes were not torn";
}

// Undo, redo, recovery and the integrity commands, killed at every write and at
// the sync, or inside a write (torn): the map is as before or after them once recovered, and a killed
// recovery, recovered again, still ends with the map before the first command.
TEST_F(HistoryTest, UndoRedoRecoverAndTheCrcCommandsKilledAtAnyCallLeaveTheMapBeforeOrAfterThem) {
#ifdef _WIN32
  GTEST_SKIP() << "the command runs in a child made with fork(), which Windows does not have";
#endif
  struct Scenario {
    const char* name;
    std::function<EditPlan(testing::TestMap&)> prepare;  // the state, then the plan to kill
    bool endsAfter;                                      // recovered, the map must be as after
  };
  const auto insert = [](testing::TestMap& t) {
    t.map.CloseFile();
    t.Open();
    testing::RunPlanned(t.map, "Insert Data", [&] { InsertDataAndReload(t.map, t.tree, "0a 0b 0c 0d 0e 0f"); });
    return H().NewestDone({t.path})->id;
  };
  const std::vector<Scenario> scenarios = {
      {"Undo", [&](testing::TestMap& t) { return H().PlanUndo(insert(t)); }, false},
      {"Redo",
       [&](testing::TestMap& t) {
         const std::int64_t step = insert(t);
         testing::UndoStep(step);
         return H().PlanRedo(step);
       },
       false},
      {"Fix CRC32",
       [](testing::TestMap& t) {
         Bytes bytes = ReadBytesFromFile(t.path);
         bytes[0x64] ^= 0x5A;
         WriteBytesToFile(t.path, bytes);
         t.map.CloseFile();
         t.Open();
         return PlanOf(t.map, "Fix CRC32", [&] { FixMapCrc(t.map); });
       },
       false},
      {"Forge CRC32",
       [](testing::TestMap& t) { return PlanOf(t.map, "Forge CRC32", [&] { ForgeMapCrc(t.map, 0x12345678u); }); }, false},
      {"Recover",
       [&](testing::TestMap& t) {
         // An Insert Data killed at its first write, left for recovery.
         t.map.CloseFile();
         t.Open();
         const EditPlan plan = PlanOf(t.map, "Insert Data", [&] { InsertDataAndReload(t.map, t.tree, "0a 0b 0c"); });
         testing::ReopenHistory();
         const pid_t child = ::fork();
         if (child == 0) {
           HookCalls(0, [] { ::_exit(0); }, false);
           testing::ApplyPlan(plan);
           ::_exit(3);
         }
         ::waitpid(child, nullptr, 0);
         testing::ReopenHistory();
         return H().PlanRecover(H().Interrupted(t.path).at(0).id);
       },
       true},
  };
  for (const Scenario& scenario : scenarios) {
    for (std::size_t run = 0; run < 12; ++run) {
      const bool torn = run >= 6;
      const std::size_t k = run % 6;
      SCOPED_TRACE(std::string(scenario.name) + (torn ? ", torn at call " : ", killed at call ") + std::to_string(k));
      // The same scenario run whole gives the map after it.
      testing::TestMap whole(GenerateSampleMap(kVersionPc, 8, 3));
      whole.Open();
      testing::ApplyPlan(scenario.prepare(whole));
      const Bytes after = ReadBytesFromFile(whole.path);
      H().ClearMap(whole.path);

      testing::TestMap t(GenerateSampleMap(kVersionPc, 8, 3));
      t.Open();
      const EditPlan plan = scenario.prepare(t);
      const Bytes before = ReadBytesFromFile(t.path);
      testing::ReopenHistory();
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        HookCalls(k, [] { ::_exit(0); }, false, torn);
        testing::ApplyPlan(plan);
        ::_exit(3);  // fewer calls than k: it ran whole
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      testing::ReopenHistory();
      const auto interrupted = H().Interrupted(t.path);
      for (auto it = interrupted.rbegin(); it != interrupted.rend(); ++it) testing::ApplyPlan(H().PlanRecover(it->id));
      EXPECT_TRUE(H().Interrupted(t.path).empty());
      const Bytes now = ReadBytesFromFile(t.path);
      if (scenario.endsAfter)
        EXPECT_EQ(now, after);
      else
        EXPECT_TRUE(now == before || now == after) << "torn";
      // And the map takes the next command.
      t.map.CloseFile();
      t.Open();
      EXPECT_TRUE(testing::RunPlanned(t.map, "Insert Data", [&] { InsertDataAndReload(t.map, t.tree, "5a 5b"); }).written);
    }
  }
}

TEST_F(HistoryTest, AFullDiskAtAnyWriteOrSyncNeverTearsTheMapAndNeverTakesBackAReportedSuccess) {
  for (const bool fromThereOn : {false, true}) {
    for (const Command& command : WriteCommands()) {
      const Planned whole = PlanAndResult(command);
      const std::size_t calls = CallsOf(command);
      for (std::size_t k = 0; k < calls; ++k) {
        SCOPED_TRACE(std::string(command.name) + (fromThereOn ? ", disk full from call " : ", failing call ") +
                     std::to_string(k));
        Bench b;
        const EditPlan plan = PlanOf(b.t.map, command.name, [&] { command.run(b); });
        HookCalls(k, [] {}, fromThereOn);
        bool reported = false;
        try {
          testing::ApplyPlan(plan);
          reported = true;
        } catch (const FileError&) {
        }
        BinaryFile::SetWriteCallForTests(nullptr);
        BinaryFile::SetSyncCallForTests(nullptr);
        EXPECT_FALSE(reported);
        for (const StepInfo& step : H().Interrupted(b.t.path)) testing::ApplyPlan(H().PlanRecover(step.id));
        const Bytes now = b.Now();
        EXPECT_TRUE(now == b.before || now == whole.after) << "torn";
        // A failure the restore got through leaves no step at all.
        if (!fromThereOn) {
          EXPECT_EQ(now, b.before);
          EXPECT_TRUE(H().Steps(b.t.path).empty());
        }
      }
    }
  }
}

TEST_F(HistoryTest, AMapChangedAfterAStepIsNeverWrittenByUndoOrRedo) {
  struct Change {
    const char* what;
    std::function<void(Bytes&)> change;
    const char* says;
    bool beforeRedo;  // whether the change touches what a redo would write
  };
  // Insert Data: a header field, then bytes at the end.
  const Command& insert = CommandNamed("Insert Data");
  const std::vector<Change> changes = {
      {"a byte of the data", [](Bytes& m) { m[m.size() - 3] ^= 0xFF; }, "the bytes at 0x", false},
      {"the header field", [](Bytes& m) { m[0x09] ^= 0x01; }, "the bytes at 0x", true},
      {"a byte appended", [](Bytes& m) { m.push_back(0); }, "bytes long, not", true},
      {"the file cut short", [](Bytes& m) { m.resize(m.size() - 1); }, "bytes long, not", true},
  };
  for (const Change& c : changes) {
    for (const bool redo : {false, true}) {
      if (redo && !c.beforeRedo) continue;
      SCOPED_TRACE(std::string(c.what) + (redo ? ", redo" : ", undo"));
      Bench b;
      ASSERT_TRUE(Run(insert, b));
      const auto step = H().NewestDone({b.t.path});
      ASSERT_TRUE(step);
      if (redo) testing::UndoStep(step->id);
      Bytes changed = b.Now();
      c.change(changed);
      WriteBytesToFile(b.t.path, changed);
      try {
        redo ? testing::RedoStep(step->id) : testing::UndoStep(step->id);
        ADD_FAILURE() << "not refused";
      } catch (const Refused& refused) {
        EXPECT_NE(std::string(refused.what()).find(c.says), std::string::npos) << refused.what();
        EXPECT_NE(std::string(refused.what()).find("\"Insert Data\""), std::string::npos) << refused.what();
      }
      EXPECT_EQ(b.Now(), changed);
    }
  }
}

TEST_F(HistoryTest, AHistoryThatCannotBeUsedNeverStopsAnEditAndSaysWhyOnce) {
  TempDir place;
  const std::string damaged = place.Path() + "/damaged";
  ::mkdir(damaged.c_str(), 0755);
  WriteBytesToFile(damaged + "/history.sqlite3", Bytes(8192, 0x41));
  const std::string underAFile = place.Write("file", {1}) + "/state";
  for (const std::string& dir : {damaged, underAFile}) {
    SCOPED_TRACE(dir);
    UseStateDir(dir);
    std::vector<std::string> notices;
    H().SetOffNotice([&notices](const std::string& reason) { notices.push_back(reason); });
    Bench b;
    ASSERT_TRUE(Run(CommandNamed("Insert Data"), b));
    ASSERT_TRUE(Run(CommandNamed("Insert Data"), b));
    EXPECT_NE(b.Now(), b.before) << "the edits went through";
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_FALSE(H().IsOn());
    EXPECT_FALSE(H().OffReason().empty());
  }
}

TEST_F(HistoryTest, TwoProcessesEditingOneMapLoseAndMixUpNoStep) {
#ifdef _WIN32
  GTEST_SKIP() << "the command runs in a child made with fork(), which Windows does not have";
#endif
  Bench b;
  testing::ReopenHistory();
  constexpr int kSteps = 25;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      for (int i = 0; i < kSteps; ++i) {
        EditPlan plan = testing::RawPlan(b.t.path, std::string(1, static_cast<char>('A' + p)) + std::to_string(i));
        const unsigned char bytes[2] = {static_cast<unsigned char>(p + 1), static_cast<unsigned char>(i + 1)};
        plan.Write(0x100 + static_cast<std::uint64_t>(p * 2 * kSteps + i * 2), bytes, 2);
        testing::ApplyPlan(plan);
      }
      ::_exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  testing::ReopenHistory();
  const auto steps = H().Steps(b.t.path);
  ASSERT_EQ(steps.size(), 2u * kSteps);
  std::vector<int> seen(2 * kSteps, 0);
  for (const StepInfo& step : steps) {
    const int p = step.label[0] - 'A';
    ++seen[static_cast<std::size_t>(p * kSteps + std::stoi(step.label.substr(1)))];
  }
  EXPECT_EQ(seen, std::vector<int>(2 * kSteps, 1));
  while (const auto step = H().NewestDone({b.t.path})) testing::UndoStep(step->id);
  EXPECT_EQ(b.Now(), b.before);
}

TEST_F(HistoryTest, TheOldestStepsGoWhenAMapsHistoryOutgrowsItsLimit) {
  ::setenv("JOV_HISTORY_LIMIT_MB", "1", 1);
  Bench b;
  const Bytes block(400 * 1024, 0x5A);
  for (const char* label : {"first", "second", "third"}) {
    EditPlan plan = testing::RawPlan(b.t.path, label);
    plan.Write(plan.lengthBefore, block.data(), block.size());
    testing::ApplyPlan(plan);
  }
  std::vector<std::string> kept;
  for (const StepInfo& step : H().Steps(b.t.path)) kept.push_back(step.label);
  EXPECT_EQ(kept, (std::vector<std::string>{"second", "third"}));
}

}  // namespace
}  // namespace jov
