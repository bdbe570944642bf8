// One map file held by two models (both panels, or the editor and jov-cli): each
// command takes the header fields it writes relative to from the file, not from
// a model read before the other one wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include "builder/AddTag.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "transfer/InsertData.h"
#include "transfer/TagRecordEdit.h"

namespace jov {
namespace {

using testing::TestMap;

std::uint32_t EofOf(const std::string& path) {
  const auto bytes = ReadBytesFromFile(path);
  return ReadLe32(bytes.data() + 0x08);
}

TEST(SharedMap, CommandsThroughTwoModelsOfOneFileEachPlaceTheirBytesAfterTheOther) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    SCOPED_TRACE(version);
    TestMap a(GenerateSampleMap(version, 8, 3));
    a.Open();
    MemoryTreeView treeB;
    CMapFile b;
    b.OpenPath(treeB, a.path);

    // Insert Data through each model in turn: no data lands on the other's.
    const std::uint32_t first = InsertDataAtEnd(a.map, "aa bb cc");
    const std::uint32_t second = InsertDataAtEnd(b, "dd ee ff 11");
    EXPECT_EQ(second, first + 4);
    const std::uint32_t third = InsertDataAtEnd(a.map, "22");
    EXPECT_EQ(third, second + 5);

    // Save Changes with Update Size puts the longer name after all of it.
    TagRecordFields fields = TagRecordFieldsOf(b.GetTagEntry(2));
    fields.strName += "\\longer";
    fields.bUpdateSize = true;
    SaveTagChanges(b, treeB, 2, fields);
    EXPECT_EQ(EofOf(a.path), third + 2 + fields.strName.size() + 1);
    const auto bytes = ReadBytesFromFile(a.path);
    EXPECT_EQ(bytes[first], 0xAA);
    EXPECT_EQ(bytes[second], 0xDD);
    EXPECT_EQ(bytes[third], 0x22);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[third + 2])), fields.strName);
  }
}

TEST(SharedMap, AddTagRefusesAStaleIndexAndATagFileAMapCannotAddress) {
  TestMap a(GenerateSampleMap(kVersionPc, 8, 4));
  a.Open();
  MemoryTreeView treeB;
  CMapFile b;
  b.OpenPath(treeB, a.path);
  testing::RecordedDialogs dialogs;
  dialogs.yesAnswer = true;
  MapBuilderFields fields;
  fields.strTagFile = a.dir.Write("tag.meta", std::vector<unsigned char>(64, 1));
  fields.strTagName = "added\\one";
  fields.strClass1 = "weap";
  ASSERT_EQ(AddTag(b, treeB, fields, dialogs), AddTagResult::Added);

  // The other model still holds 8 tags: its entry would go over the new one.
  const auto before = ReadBytesFromFile(a.path);
  try {
    AddTag(a.map, a.tree, fields, dialogs);
    ADD_FAILURE() << "added through a stale index";
  } catch (const Refused& refused) {
    EXPECT_STREQ(refused.what(), kMapChangedOnDisk);
  }
  EXPECT_EQ(ReadBytesFromFile(a.path), before);

  // A tag file of 4 GiB and 64 bytes (sparse) must not wrap to 64 bytes of room.
  MemoryTreeView treeC;
  CMapFile c;
  c.OpenPath(treeC, a.path);
  const std::string huge = a.dir.File("huge.meta");
  WriteBytesToFile(huge, {1});
  ASSERT_EQ(::truncate(huge.c_str(), (1ll << 32) + 64), 0);
  fields.strTagFile = huge;
  EXPECT_THROW(AddTag(c, treeC, fields, dialogs), Refused);
  EXPECT_EQ(ReadBytesFromFile(a.path), before);
}

}  // namespace
}  // namespace jov
