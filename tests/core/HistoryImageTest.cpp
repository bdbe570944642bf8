// Large before-images live in files beside the history database, written while
// the command compares its bytes. They must come back byte for byte, go with
// their steps, never outlive a step that was not committed, and never let a
// full disk tear the map.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/Refused.h"
#include "platform/BinaryFile.h"
#include "platform/FileError.h"
#include "platform/Process.h"
#include "support/Planned.h"
#include "support/TempDir.h"
#include "support/TestMap.h"
#include "support/WriteFaults.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t kMapSize = 512 * 1024;

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(n);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

std::size_t FilesIn(const std::string& folder) {
  std::error_code error;
  std::size_t n = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) ++n;
  return n;
}

struct Fixture {
  testing::TempDir state;
  std::shared_ptr<History> history = std::make_shared<History>(state.File("history.sqlite3"));
  testing::TestMap map{RandomBytes(kMapSize, 7)};
  MapDocument document{map.path, history};
  std::string Images() const { return history->Database() + ".images"; }
};

// A write of size bytes at offset, of which the bytes in [from, to) of each
// window differ from the map's.
EditPlan PlanChanging(const std::string& path, std::size_t offset, std::size_t size,
                      const std::vector<std::pair<std::size_t, std::size_t>>& changed) {
  Bytes bytes = ReadBytesFromFile(path);
  bytes.resize(std::max(bytes.size(), offset + size));
  Bytes write(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
              bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
  for (const auto& [from, to] : changed)
    for (std::size_t i = from; i < to; ++i) write[i] ^= 0xA5;
  EditPlan plan = testing::RawPlan(path, "big write");
  plan.Write(offset, write.data(), write.size());
  return plan;
}

TEST(HistoryImages, LargeImagesComeBackByteForByteAndGoWithTheirSteps) {
  struct Case {
    const char* what;
    std::size_t offset, size;
    std::vector<std::pair<std::size_t, std::size_t>> changed;
    std::size_t files;  // image files the step keeps
  };
  const std::vector<Case> cases = {
      {"a range rewritten whole", 0x1000, 200 * 1024, {{0, 200 * 1024}}, 1},
      {"two changed parts that are most of the range share its file", 0x800, 300 * 1024,
       {{0, 100 * 1024}, {200 * 1024, 300 * 1024}}, 1},
      {"a few bytes of a large range stay in the database", 0x2000, 200 * 1024, {{10, 20}, {90000, 90004}}, 0},
      {"a range past the end keeps only what it replaced", kMapSize - 100 * 1024, 300 * 1024, {{0, 300 * 1024}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    const Bytes before = ReadBytesFromFile(f.map.path);
    ASSERT_TRUE(f.document.Apply(PlanChanging(f.map.path, c.offset, c.size, c.changed)).written);
    const Bytes after = ReadBytesFromFile(f.map.path);
    EXPECT_EQ(FilesIn(f.Images()), c.files);
    const std::int64_t step = f.history->NewestDone({f.map.path})->id;
    for (int round = 0; round < 2; ++round) {
      f.document.Undo(step);
      ASSERT_EQ(ReadBytesFromFile(f.map.path), before);
      f.document.Redo(step);
      ASSERT_EQ(ReadBytesFromFile(f.map.path), after);
    }
    f.history->ClearMap(f.map.path);
    EXPECT_EQ(FilesIn(f.Images()), 0u) << "a cleared step left its file";
  }
}

TEST(HistoryImages, LeftoversOfGoneProcessesAreSweptAndALostImageRefusesOnlyItsStep) {
  Fixture f;
  const Bytes before = ReadBytesFromFile(f.map.path);
  ASSERT_TRUE(f.document.Apply(PlanChanging(f.map.path, 0, 128 * 1024, {{0, 128 * 1024}})).written);
  const std::int64_t big = f.history->NewestDone({f.map.path})->id;
  ASSERT_EQ(FilesIn(f.Images()), 1u);
  // A file of a process that is gone, a torn temporary one, and one of this
  // process that a step of it is still about to name.
  const ProcessIdentity self = CurrentProcess();
  const std::string mine = std::to_string(self.pid) + "-" + std::to_string(self.startTime) + "-999.img";
  WriteBytesToFile(f.Images() + "/1-1-0.img", Bytes(10, 1));
  WriteBytesToFile(f.Images() + "/stray.tmp", Bytes(10, 2));
  WriteBytesToFile(f.Images() + "/" + mine, Bytes(10, 3));
  const auto reopened = std::make_shared<History>(f.history->Database());
  EXPECT_EQ(reopened->Steps(f.map.path).size(), 1u);  // opened, and swept
  EXPECT_EQ(FilesIn(f.Images()), 2u);
  EXPECT_TRUE(std::filesystem::exists(f.Images() + "/" + mine));

  // A small step after it, then the big step's file lost: the small one still
  // undoes, the big one is refused by name, and the history stays on.
  EditPlan small = testing::RawPlan(f.map.path, "small");
  const unsigned char two[2] = {1, 2};
  small.Write(0x90000, two, 2);
  ASSERT_TRUE(f.document.Apply(small).written);
  for (const auto& entry : std::filesystem::directory_iterator(f.Images()))
    if (entry.path().filename() != mine) std::filesystem::remove(entry.path());
  f.document.Undo(f.history->NewestDone({f.map.path})->id);
  const Bytes withBig = ReadBytesFromFile(f.map.path);
  try {
    f.document.Undo(big);
    ADD_FAILURE() << "undone without its bytes";
  } catch (const Refused& refused) {
    EXPECT_NE(std::string(refused.what()).find("\"big write\" are lost"), std::string::npos) << refused.what();
  }
  EXPECT_EQ(ReadBytesFromFile(f.map.path), withBig);
  EXPECT_NE(withBig, before);
  EXPECT_TRUE(f.history->IsOn());
}

TEST(HistoryImages, ALostImageRefusesOnlyTheRecoveryThatNeedsItAndTheHistoryStaysOn) {
#ifdef _WIN32
  GTEST_SKIP() << "the command runs in a child made with fork(), which Windows does not have";
#else
  for (const bool atSync : {false, true}) {
    SCOPED_TRACE(atSync ? "killed at the sync" : "killed inside a write");
    Fixture f;
    const Bytes before = ReadBytesFromFile(f.map.path);
    const EditPlan plan = PlanChanging(f.map.path, 0x4000, 256 * 1024, {{0, 256 * 1024}});
    Bytes after = before;
    std::copy(plan.writes[0].bytes.begin(), plan.writes[0].bytes.end(), after.begin() + 0x4000);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The map's write is cut in half (or its sync never returns); the image's goes through.
      static std::string map;
      static bool whole;
      map = std::filesystem::canonical(f.map.path).string();
      whole = atSync;
      BinaryFile::SetWriteCallForTests([](int fd, const void* data, std::size_t n, std::int64_t at) -> long {
        if (testing::PathOfDescriptor(fd) != map) return ::pwrite(fd, data, n, at);
        if (::pwrite(fd, data, whole ? n : n / 2, at) < 0 || !whole) ::_exit(0);
        return static_cast<long>(n);
      });
      BinaryFile::SetSyncCallForTests([](int fd) -> int {
        if (testing::PathOfDescriptor(fd) == map) ::_exit(0);
        return ::fsync(fd);
      });
      MapDocument(f.map.path, std::make_shared<History>(f.history->Database())).Apply(plan);
      ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Bytes left = ReadBytesFromFile(f.map.path);
    EXPECT_EQ(left == after, atSync);

    const auto interrupted = f.history->Interrupted(f.map.path);
    ASSERT_EQ(interrupted.size(), 1u);
    ASSERT_EQ(FilesIn(f.Images()), 1u);
    std::filesystem::remove_all(f.Images());
    if (atSync) {
      // Every range holds what the step wrote: finished without its before-image.
      f.document.Recover(interrupted[0].id);
      EXPECT_EQ(ReadBytesFromFile(f.map.path), after);
      EXPECT_TRUE(f.history->Interrupted(f.map.path).empty());
      continue;
    }
    try {
      f.document.Recover(interrupted[0].id);
      ADD_FAILURE() << "recovered without its bytes";
    } catch (const Refused& refused) {
      // The words undo uses for a lost image.
      EXPECT_EQ(std::string(refused.what()).rfind("The bytes kept to take back \"big write\" are lost: ", 0), 0u)
          << refused.what();
    }
    EXPECT_EQ(ReadBytesFromFile(f.map.path), left) << "a refused recovery wrote";
    EXPECT_TRUE(f.history->IsOn());
    EXPECT_EQ(f.history->Interrupted(f.map.path).size(), 1u);
    // Another map's edits go on being recorded and undone.
    testing::TestMap other{RandomBytes(4096, 9)};
    MapDocument otherDocument{other.path, f.history};
    EditPlan small = testing::RawPlan(other.path, "small");
    const unsigned char two[2] = {1, 2};
    small.Write(0x100, two, 2);
    ASSERT_TRUE(otherDocument.Apply(small).written);
    otherDocument.Undo(f.history->NewestDone({other.path})->id);
    EXPECT_EQ(ReadBytesFromFile(other.path), RandomBytes(4096, 9));
    // Clearing the history (asked first by the front ends) lets the map be edited again.
    f.history->ClearMap(f.map.path, true);
    EXPECT_TRUE(f.history->Steps(f.map.path).empty());
    EXPECT_TRUE(f.document.Apply(PlanChanging(f.map.path, 0x10, 4, {{0, 4}})).written);
  }
#endif
}

TEST(HistoryImages, AnImageNameMetAgainNeverEmptiesTheFileThatHasIt) {
  Fixture f;
  // The next names this process gives (PID-START-BOOT-N.img) taken already,
  // as by files of a process of the same pid and start time in an earlier boot
  // that steps still need.
  const ProcessIdentity self = CurrentProcess();
  std::string boot;
  for (const char c : self.bootId)
    if (std::isalnum(static_cast<unsigned char>(c))) boot += c;
  const std::string prefix =
      f.Images() + "/" + std::to_string(self.pid) + "-" + std::to_string(self.startTime) + "-" + boot + "-";
  std::filesystem::create_directories(f.Images());
  constexpr int kTaken = 200;
  for (int n = 0; n < kTaken; ++n)
    WriteBytesToFile(prefix + std::to_string(n) + ".img", Bytes(16, static_cast<unsigned char>(n)));
  const Bytes before = ReadBytesFromFile(f.map.path);
  ASSERT_TRUE(f.document.Apply(PlanChanging(f.map.path, 0x1000, 128 * 1024, {{0, 128 * 1024}})).written);
  for (int n = 0; n < kTaken; ++n)
    ASSERT_EQ(ReadBytesFromFile(prefix + std::to_string(n) + ".img"), Bytes(16, static_cast<unsigned char>(n))) << n;
  EXPECT_EQ(FilesIn(f.Images()), kTaken + 1u);
  f.document.Undo(f.history->NewestDone({f.map.path})->id);
  EXPECT_EQ(ReadBytesFromFile(f.map.path), before);
}

TEST(HistoryImages, AnImageFolderThatCannotBeMadeRefusesTheCommandWithNothingWritten) {
  Fixture f;
  WriteBytesToFile(f.Images(), Bytes(1, 0));  // a file where the folder goes
  const Bytes before = ReadBytesFromFile(f.map.path);
  try {
    f.document.Apply(PlanChanging(f.map.path, 0, 128 * 1024, {{0, 128 * 1024}}));
    ADD_FAILURE() << "not refused";
  } catch (const Refused& refused) {
    EXPECT_NE(std::string(refused.what()).find("could not record"), std::string::npos) << refused.what();
  }
  EXPECT_EQ(ReadBytesFromFile(f.map.path), before);
  EXPECT_TRUE(f.history->Steps(f.map.path).empty());
  EXPECT_TRUE(f.history->IsOn());
}

TEST(HistoryImages, AFullDiskAtAnyCallOfALargeStepNeverTearsTheMapOrLeavesAFile) {
#ifdef _WIN32
  GTEST_SKIP() << "the system-call hooks are POSIX only";
#else
  static std::atomic<int> seen;
  static int target;
  static bool fromThereOn;
  auto hit = [] { return fromThereOn ? seen++ >= target : seen++ == target; };
  for (const bool persistent : {false, true}) {
    for (int k = 0; k < 6; ++k) {
      SCOPED_TRACE((persistent ? "disk full from call " : "failing call ") + std::to_string(k));
      Fixture f;
      const Bytes before = ReadBytesFromFile(f.map.path);
      const EditPlan plan = PlanChanging(f.map.path, 0x4000, 256 * 1024, {{0, 256 * 1024}});
      Bytes after = before;
      std::copy(plan.writes[0].bytes.begin(), plan.writes[0].bytes.end(), after.begin() + 0x4000);
      seen = 0;
      target = k;
      fromThereOn = persistent;
      BinaryFile::SetWriteCallForTests([hit](int fd, const void* data, std::size_t n, std::int64_t at) -> long {
        if (hit()) return errno = ENOSPC, -1;
        return ::pwrite(fd, data, n, at);
      });
      BinaryFile::SetSyncCallForTests([hit](int fd) -> int {
        if (hit()) return errno = ENOSPC, -1;
        return ::fsync(fd);
      });
      bool reported = false;
      try {
        reported = f.document.Apply(plan).written;
      } catch (const FileError&) {  // the map's write or sync
      } catch (const Refused&) {    // the image's: nothing written
      }
      BinaryFile::SetWriteCallForTests(nullptr);
      BinaryFile::SetSyncCallForTests(nullptr);
      for (const StepInfo& step : f.history->Interrupted(f.map.path)) f.document.Recover(step.id);
      const Bytes now = ReadBytesFromFile(f.map.path);
      if (reported) {
        EXPECT_NE(now, before) << "a reported success was taken back";
        f.document.Undo(f.history->NewestDone({f.map.path})->id);
        EXPECT_EQ(ReadBytesFromFile(f.map.path), before);
      } else {
        // A disk full for good fails putting the bytes back too: recovery then
        // finds every range written and finishes the command.
        EXPECT_TRUE(now == before || (persistent && now == after)) << "torn";
      }
      f.history->ClearMap(f.map.path);
      EXPECT_EQ(FilesIn(f.Images()), 0u) << "a file outlived its step";
    }
  }
#endif
}

}  // namespace
}  // namespace jov
