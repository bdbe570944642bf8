// A document writes its own map into the history it was given: nothing of it
// is process-wide, so two histories never see each other's steps, and a plan
// meant for one file is never written into another.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/SampleMap.h"
#include "support/Planned.h"
#include "support/TempDir.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

EditPlan TwoBytesAt0x900(const std::string& path, unsigned char value) {
  EditPlan plan = testing::RawPlan(path, "two bytes");
  const unsigned char bytes[2] = {value, value};
  plan.Write(0x900, bytes, 2);
  return plan;
}

TEST(MapDocument, EachHistoryKeepsOnlyTheStepsOfItsOwnDocuments) {
  testing::TempDir states;
  const auto first = std::make_shared<History>(states.File("first/history.sqlite3"));
  const auto second = std::make_shared<History>(states.File("second/history.sqlite3"));
  testing::TestMap a(GenerateSampleMap(kVersionPc, 8, 1));
  const Bytes before = ReadBytesFromFile(a.path);

  MapDocument one(a.path, first);
  ASSERT_TRUE(one.Apply(TwoBytesAt0x900(a.path, 0x5A)).written);
  EXPECT_EQ(first->Steps(a.path).size(), 1u);
  EXPECT_TRUE(second->Steps(a.path).empty()) << "a step leaked into another history";

  // The same file by another spelling is the same document's map; its steps
  // land in the history of the document that applied them.
  MapDocument other(a.dir.Path() + "/./test.map", second);
  ASSERT_TRUE(other.Apply(TwoBytesAt0x900(a.path, 0x6B)).written);
  EXPECT_EQ(first->Steps(a.path).size(), 1u);
  ASSERT_EQ(second->Steps(a.path).size(), 1u);

  // Undone newest first, each by its own history, the map is as it was.
  other.Undo(second->NewestDone({a.path})->id);
  one.Undo(first->NewestDone({a.path})->id);
  EXPECT_EQ(ReadBytesFromFile(a.path), before);
}

TEST(MapDocument, APlanOfAnotherFileIsRefusedWithNothingWritten) {
  testing::TempDir state;
  const auto history = std::make_shared<History>(state.File("history.sqlite3"));
  testing::TestMap a(GenerateSampleMap(kVersionCe, 8, 2), "a.map");
  testing::TestMap b(GenerateSampleMap(kVersionCe, 8, 3), "b.map");
  const Bytes aBefore = ReadBytesFromFile(a.path);
  const Bytes bBefore = ReadBytesFromFile(b.path);
  MapDocument document(a.path, history);
  EXPECT_THROW(document.Apply(TwoBytesAt0x900(b.path, 0x77)), std::logic_error);
  EXPECT_EQ(ReadBytesFromFile(a.path), aBefore);
  EXPECT_EQ(ReadBytesFromFile(b.path), bBefore);
  EXPECT_TRUE(history->Steps(b.path).empty());
}

}  // namespace
}  // namespace jov
