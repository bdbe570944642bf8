// The history's log (SQLite's write-ahead log) must stay bounded when every
// command is a process of its own, as jov-cli runs are: each start indexes the
// whole log, so a log that only grows makes every later start slower.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/SampleMap.h"
#include "support/Planned.h"
#include "support/TempDir.h"
#include "support/TestMap.h"

namespace jov {
namespace {

TEST(HistoryLog, StaysBoundedOverManyRunsOfOneCommandEach) {
  testing::TempDir state;
  testing::TestMap map(GenerateSampleMap(kVersionPc, 8, 1));
  const std::string database = state.File("history.sqlite3");
  std::uintmax_t largest = 0;
  for (int run = 0; run < 200; ++run) {
    // A history of its own each time, closed before the next: as a new process.
    const auto history = std::make_shared<History>(database);
    MapDocument document(map.path, history);
    EditPlan plan = testing::RawPlan(map.path, "run " + std::to_string(run));
    const unsigned char bytes[4] = {static_cast<unsigned char>(run), static_cast<unsigned char>(run >> 8), 1, 2};
    plan.Write(0x900, bytes, sizeof bytes);
    ASSERT_TRUE(document.Apply(plan).written);
    std::error_code error;
    const auto size = std::filesystem::file_size(database + "-wal", error);
    if (!error) largest = std::max(largest, size);
  }
  // About 7 log pages of 4 KiB a command: 200 runs would log 5.6 MiB.
  EXPECT_LT(largest, 2u * 1024 * 1024) << "the log grew with every run";
  const auto history = std::make_shared<History>(database);
  EXPECT_EQ(history->Steps(map.path).size(), 200u);
}

}  // namespace
}  // namespace jov
