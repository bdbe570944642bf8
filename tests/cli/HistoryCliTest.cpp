// jov-cli's edit history across processes: two writers of one map at once lose
// no step, a writer kept out by another waits and then says so while readers go
// on, and clear-history asks before it forgets an interrupted edit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliRunner.h"
#include "history/History.h"
#include "history/HistoryStore.h"
#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MapLock.h"
#include "platform/Process.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::Lines;
using testing::RunCli;
using Bytes = std::vector<unsigned char>;

// Each test records into a history of its own, which the jov-cli runs inherit.
class HistoryCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("JOV_STATE_DIR")) m_old = old;
    ::setenv("JOV_STATE_DIR", m_state.Path().c_str(), 1);
    m_path = m_dir.Write("shared.map", WriteSampleMap(GenerateSampleMap(kVersionPc, 8, 5)));
  }
  void TearDown() override {
    if (m_old.empty())
      ::unsetenv("JOV_STATE_DIR");
    else
      ::setenv("JOV_STATE_DIR", m_old.c_str(), 1);
  }

  testing::TempDir m_state;
  testing::TempDir m_dir;
  std::string m_path;
  std::string m_old;
};

TEST_F(HistoryCli, TwoWritersAtOnceLoseNoStepAndEveryStepUndoesInOrder) {
  const Bytes original = ReadBytesFromFile(m_path);
  // The tag's metadata as hex text, "xx xx ...": byte n at character 3n.
  std::string text = RunCli({"hexedit", m_path, "2"}).out;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  ASSERT_GT(text.size(), 3u * 0x50);
  constexpr int kEdits = 25;
  std::atomic<int> written{0};
  std::mutex guard;
  std::vector<std::string> unexpected;
  auto writer = [&](int p) {
    for (int i = 0; i < kEdits; ++i) {
      // Each writer's own two bytes, and every other byte of the tag as first read.
      std::string edit = text;
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02x %02x", 0xA0 + p, i);
      edit.replace(static_cast<std::size_t>(3 * (0x40 + 4 * p)), 5, hex);
      const auto result = RunCli({"hexedit", m_path, "2", "--text", edit});
      const std::string said = result.out + result.err;
      if (result.status == 0 && said.find("nothing to change") == std::string::npos) {
        ++written;
        continue;
      }
      // Refused whole: the other writer changed the map after this one read it,
      // or kept it past the wait.
      const bool refused = result.status == 1 && (said.find("was changed on disk") != std::string::npos ||
                                                  said.find("Another JOV is writing") != std::string::npos);
      if (!refused) {
        const std::lock_guard<std::mutex> lock(guard);
        unexpected.push_back(std::to_string(result.status) + ": " + said);
      }
    }
  };
  std::thread first(writer, 0), second(writer, 1);
  first.join();
  second.join();
  EXPECT_TRUE(unexpected.empty()) << unexpected.front();
  EXPECT_GE(written.load(), kEdits / 2) << "too few edits got through to test anything";

  // Every edit that reported success is one finished step.
  const auto steps = Lines(RunCli({"history", m_path}).out);
  EXPECT_EQ(steps.size(), static_cast<std::size_t>(written.load()));
  for (const std::string& step : steps) EXPECT_EQ(step.find("bytes\t"), std::string::npos) << "not done: " << step;
  // And they undo one by one, newest first, back to the original bytes.
  for (int k = 0; k < written.load(); ++k) {
    const auto undo = RunCli({"undo", m_path});
    ASSERT_EQ(undo.status, 0) << "undo " << k << ": " << undo.out << undo.err;
  }
  EXPECT_EQ(RunCli({"undo", m_path}).out, "Nothing to undo.\n");
  EXPECT_EQ(ReadBytesFromFile(m_path), original);
}

TEST_F(HistoryCli, AWriterKeptOutByAnotherWaitsThenRefusesWhileReadersGoOn) {
  const Bytes before = ReadBytesFromFile(m_path);
  MapLock other;
  ASSERT_TRUE(other.Acquire(m_path, std::chrono::milliseconds(0)));
  ASSERT_TRUE(other.Held());
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"insert-data", m_path, "01 02 03"}, {"undo", m_path}, {"recover", m_path, "--yes"}}) {
    SCOPED_TRACE(command[0]);
    const auto start = std::chrono::steady_clock::now();
    const auto result = RunCli(command);
    const auto waited = std::chrono::steady_clock::now() - start;
    if (command[0] == "insert-data") {
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, "Another JOV is writing " + m_path + "; try again.\n");
      EXPECT_GE(waited, kMapLockWait) << "refused without waiting";
    } else {
      // Nothing to undo or recover: no writer, so no wait.
      EXPECT_EQ(result.status, command[0] == "undo" ? 1 : 0) << result.err;
    }
  }
  EXPECT_EQ(ReadBytesFromFile(m_path), before);
  EXPECT_TRUE(Lines(RunCli({"history", m_path}).out).empty());
  for (const std::vector<std::string>& reader :
       {std::vector<std::string>{"info", m_path}, {"hexedit", m_path, "2"}, {"check", m_path}}) {
    EXPECT_EQ(RunCli(reader).status, 0) << reader[0];
  }
  other.Release();
  EXPECT_EQ(RunCli({"insert-data", m_path, "01 02 03"}).status, 0);
  EXPECT_EQ(Lines(RunCli({"history", m_path}).out).size(), 1u);
}

TEST_F(HistoryCli, ClearHistoryAsksBeforeItForgetsAnInterruptedEdit) {
  ASSERT_EQ(RunCli({"insert-data", m_path, "0a 0b"}).status, 0);
  // A step of this very process left unfinished: no JOV holds the map's lock,
  // so nobody is writing it, however alive its process is.
  const Bytes now = ReadBytesFromFile(m_path);
  StepWrite write;
  write.offset = now.size();
  write.hasHash = true;
  write.afterSize = 2;
  const unsigned char tail[2] = {7, 7};
  write.afterHash = RangeHash(tail, 2);
  write.lengthBefore = now.size();
  write.lengthAfter = now.size() + 2;
  {
    HistoryStore store(History::DatabasePath());
    store.BeginStep(History::KeyOf(m_path), "Insert Data", 0, CurrentProcess(), {write}, 2,
                    [](const StepInfo&) { return false; });
  }
  const auto refused = RunCli({"insert-data", m_path, "0c"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("interrupted edit (Insert Data)"), std::string::npos) << refused.out;

  const auto asked = RunCli({"clear-history", m_path});
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.out.find(FillText(kClearInterruptedQuestion, {"Insert Data"})), std::string::npos) << asked.out;
  EXPECT_EQ(Lines(RunCli({"history", m_path}).out).size(), 2u) << "cleared without a yes";

  const auto cleared = RunCli({"clear-history", m_path, "--yes"});
  EXPECT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_NE(cleared.out.find("Cleared 2 steps."), std::string::npos) << cleared.out;
  EXPECT_TRUE(Lines(RunCli({"history", m_path}).out).empty());
  EXPECT_EQ(ReadBytesFromFile(m_path), now) << "clearing the history wrote the map";
  EXPECT_EQ(RunCli({"insert-data", m_path, "0c"}).status, 0);
}

}  // namespace
}  // namespace jov
