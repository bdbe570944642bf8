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

#include "history/EditScope.h"
#include "history/History.h"
#include "map/Refused.h"
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
    History::Instance().Uninstall();
    History::Instance().SetOffNotice(nullptr);
    History::Instance().Reset();
    ::unsetenv("JOV_HISTORY_LIMIT_MB");
  }
  static void UseStateDir(const std::string& dir) {
    ::setenv("JOV_STATE_DIR", dir.c_str(), 1);
    History::Instance().Reset();
    History::Instance().Install();
  }
  static History& H() { return History::Instance(); }

  // Runs a table command as the editor does: one scope, the map re-read first.
  static bool Run(const Command& command, Bench& b) {
    b.t.map.CloseFile();
    b.t.Open();
    try {
      EditScope scope(command.name);
      command.run(b);
      scope.Commit();
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
      H().Undo(step->id);
      ASSERT_EQ(b.Now(), states[k - 1]) << "after undoing " << step->label;
    }
    EXPECT_FALSE(H().NewestDone({b.t.path}));
    for (std::size_t k = 1; k < states.size(); ++k) {
      const auto step = H().OldestUndone({b.t.path});
      ASSERT_TRUE(step);
      H().Redo(step->id);
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
      EditScope scope("step");
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
        file.Write(at, data.data(), n);
      }
      scope.Commit();
      states.push_back(ReadBytesFromFile(path));
    }
    for (std::size_t k = states.size() - 1; k > 0; --k) {
      H().Undo(H().NewestDone({path})->id);
      ASSERT_EQ(ReadBytesFromFile(path), states[k - 1]);
    }
    for (std::size_t k = 1; k < states.size(); ++k) {
      H().Redo(H().OldestUndone({path})->id);
      ASSERT_EQ(ReadBytesFromFile(path), states[k]);
    }
    std::uint64_t stored = 0;
    for (const StepInfo& step : H().Steps(path)) stored += step.stored;
    EXPECT_LT(stored, 3u * 3u * 2u * 24097u) << "whole writes were kept";
  }
}

// How many writes a command makes to its map when nothing goes wrong.
std::size_t WritesOf(const Command& command) {
  Bench b;
  const auto recording = testing::WriteFault::Recording(b.t.path);
  command.run(b);
  return recording.Log().size();
}

TEST_F(HistoryTest, ACommandKilledAtAnyWriteIsFoundAtTheNextOpenAndRecoveryRestoresTheMap) {
#ifdef _WIN32
  GTEST_SKIP() << "the command runs in a child made with fork(), which Windows does not have";
#endif
  for (const Command& command : WriteCommands()) {
    const std::size_t writes = WritesOf(command);
    ASSERT_GT(writes, 0u) << command.name;
    for (std::size_t k = 0; k < writes; ++k) {
      SCOPED_TRACE(std::string(command.name) + ", killed before write " + std::to_string(k));
      Bench b;
      // The database is opened by the child alone, as by a process of its own.
      H().Reset();
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        H().Install();
        std::size_t seen = 0;
        BinaryFile::SetWriteCallForTests([&seen, k](int fd, const void* data, std::size_t n, std::int64_t at) -> long {
          if (seen++ == k) ::_exit(0);
          return ::pwrite(fd, data, n, at);
        });
        EditScope scope(command.name);
        command.run(b);
        scope.Commit();
        ::_exit(3);  // the kill never came
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

      H().Reset();
      const auto interrupted = H().Interrupted(b.t.path);
      // A large write that changes nothing leaves nothing to record, nor to restore.
      ASSERT_LE(interrupted.size(), 1u);
      if (!interrupted.empty()) {
        EXPECT_EQ(interrupted[0].label, command.name);
        H().Recover(interrupted[0].id);
      }
      EXPECT_EQ(b.Now(), b.before);
      EXPECT_TRUE(H().Interrupted(b.t.path).empty());
      EXPECT_TRUE(H().Steps(b.t.path).empty());
    }
  }
}

TEST_F(HistoryTest, ACommandStoppedByAFileErrorIsRolledBackAtOnce) {
  for (const Command& command : WriteCommands()) {
    const std::size_t writes = WritesOf(command);
    for (std::size_t k = 0; k < writes; ++k) {
      SCOPED_TRACE(std::string(command.name) + ", failing write " + std::to_string(k));
      Bench b;
      std::size_t seen = 0;
      // One write fails (the disk was full for a moment); the restore gets through.
      BinaryFile::SetWriteCallForTests([&seen, k](int fd, const void* data, std::size_t n, std::int64_t at) -> long {
        if (seen++ == k) {
          errno = ENOSPC;
          return -1;
        }
        return ::pwrite(fd, data, n, at);
      });
      EXPECT_THROW(Run(command, b), FileError);
      BinaryFile::SetWriteCallForTests(nullptr);
      EXPECT_EQ(b.Now(), b.before);
      EXPECT_TRUE(H().Steps(b.t.path).empty());
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
      {"the header field", [](Bytes& m) { m[0x09] ^= 0x01; }, "the bytes at 0x9 ", true},
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
      if (redo) H().Undo(step->id);
      Bytes changed = b.Now();
      c.change(changed);
      WriteBytesToFile(b.t.path, changed);
      try {
        redo ? H().Redo(step->id) : H().Undo(step->id);
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
  H().Reset();
  constexpr int kSteps = 25;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      H().Install();
      BinaryFile file;
      file.Open(b.t.path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
      for (int i = 0; i < kSteps; ++i) {
        EditScope scope(std::string(1, static_cast<char>('A' + p)) + std::to_string(i));
        const unsigned char bytes[2] = {static_cast<unsigned char>(p + 1), static_cast<unsigned char>(i + 1)};
        file.Write(0x100 + static_cast<std::uint64_t>(p * 2 * kSteps + i * 2), bytes, 2);
        scope.Commit();
      }
      ::_exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  H().Reset();
  const auto steps = H().Steps(b.t.path);
  ASSERT_EQ(steps.size(), 2u * kSteps);
  std::vector<int> seen(2 * kSteps, 0);
  for (const StepInfo& step : steps) {
    const int p = step.label[0] - 'A';
    ++seen[static_cast<std::size_t>(p * kSteps + std::stoi(step.label.substr(1)))];
  }
  EXPECT_EQ(seen, std::vector<int>(2 * kSteps, 1));
  while (const auto step = H().NewestDone({b.t.path})) H().Undo(step->id);
  EXPECT_EQ(b.Now(), b.before);
}

TEST_F(HistoryTest, TheOldestStepsGoWhenAMapsHistoryOutgrowsItsLimit) {
  ::setenv("JOV_HISTORY_LIMIT_MB", "1", 1);
  Bench b;
  BinaryFile file;
  file.Open(b.t.path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  const Bytes block(400 * 1024, 0x5A);
  for (const char* label : {"first", "second", "third"}) {
    EditScope scope(label);
    file.Write(file.Length(), block.data(), block.size());
    scope.Commit();
  }
  std::vector<std::string> kept;
  for (const StepInfo& step : H().Steps(b.t.path)) kept.push_back(step.label);
  EXPECT_EQ(kept, (std::vector<std::string>{"second", "third"}));
}

}  // namespace
}  // namespace jov
