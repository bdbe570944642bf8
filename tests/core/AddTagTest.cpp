// Add Tag: the entry, name, reserved room and header it writes for each map
// layout, proved against whole files; its refusals and its overwrite question.
#include <gtest/gtest.h>

#include "builder/AddTag.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/FileError.h"
#include "platform/MemoryTreeView.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::TestMap;

class Answers : public UserDialogs {
 public:
  explicit Answers(bool yes = false) : m_yes(yes) {}
  std::vector<std::string> questions;

  std::optional<std::string> PickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> PickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return m_yes;
  }
  void ShowFileError(const std::string&) override {}
  void ShowValueError(const std::string&) override {}

 private:
  bool m_yes;
};

std::uint32_t Le32(const Bytes& bytes, std::size_t at) { return ReadLe32(bytes.data() + at); }

// A sample map whose index declares `spare` entries fewer than it holds: the
// slots after the last declared entry hold only entries the model never reads,
// as in a map that had tags taken out, so Add Tag has a free slot to fill.
struct SpareSlotMap {
  SampleMapPlan plan;
  Bytes bytes;
  std::uint16_t count = 0;  // N, the tags the index declares

  SpareSlotMap(std::uint16_t version, int tags, int spare, std::uint32_t extraBytesAtEnd = 0) {
    plan = GenerateSampleMap(version, tags + spare, 17, 64);
    plan.extraBytesAtEnd = extraBytesAtEnd;
    bytes = WriteSampleMap(plan);
    count = static_cast<std::uint16_t>(tags);
    PutLe16(bytes, plan.indexOffset + 0x0C, count);
    // Free space past the EoF Position holds old data, not zeros, so a write
    // into the reserved room would show.
    for (std::size_t at = LayoutOf(plan).eofPosition; at < bytes.size(); ++at) bytes[at] = 0xCD;
  }

  std::uint32_t IndexOffset() const { return plan.indexOffset + (HasPcIndexLayout(plan.version) ? 4u : 0u); }
  std::uint32_t NewEntry() const { return IndexOffset() + 0x24 + 32u * count; }
};

// What Add Tag's layout table says the file becomes: the entry, the name and a
// zero at E, header 0x08 = E + L + 1 + M and the tag count N + 1; nothing else.
Bytes ExpectedAfterAdd(Bytes bytes, std::uint32_t entryAt, std::uint32_t indexHeaderAt, std::uint32_t magic,
                       std::uint32_t eof, const MapBuilderFields& fields, std::uint32_t identifier,
                       std::uint32_t tagFileLength) {
  const auto nameLength = static_cast<std::uint32_t>(fields.strTagName.size());
  PutClassCode(bytes, entryAt + 0x00, fields.strClass1);
  PutClassCode(bytes, entryAt + 0x04, fields.strClass2);
  PutClassCode(bytes, entryAt + 0x08, fields.strClass3);
  PutLe32(bytes, entryAt + 0x0C, identifier);
  PutLe32(bytes, entryAt + 0x10, eof + magic);
  PutLe32(bytes, entryAt + 0x14, eof + nameLength + 1 + magic);
  PutLe32(bytes, entryAt + 0x18, 0);
  PutLe32(bytes, entryAt + 0x1C, 0);
  if (bytes.size() < eof + nameLength + 1) bytes.resize(eof + nameLength + 1);
  std::copy(fields.strTagName.begin(), fields.strTagName.end(), bytes.begin() + eof);
  bytes[eof + nameLength] = 0;
  PutLe32(bytes, 0x08, eof + nameLength + 1 + tagFileLength);
  PutLe16(bytes, indexHeaderAt + 0x0C, static_cast<std::uint16_t>(ReadLe16(bytes.data() + indexHeaderAt + 0x0C) + 1));
  return bytes;
}

class AddTagLayout : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(AddTagLayout, WritesOnlyItsLayoutTableAndTheReopenedMapShowsTheNewTagLast) {
  const std::uint16_t version = GetParam();
  // Xbox maps keep free space after the EoF Position: the reserved room lies
  // inside the file there, and must stay as it was.
  const SpareSlotMap sample(version, 6, 1, version == kVersionXbox ? 3000 : 0);
  TestMap t(sample.bytes);
  t.Open();
  const std::string tagFile = t.dir.Write("tag.meta", Bytes(1000, 0x5A));
  const std::uint32_t magic = t.map.Magic();
  const std::uint32_t eof = HexToUInt(t.map.m_strEofPosition);
  const std::uint32_t lastIdentifier = HexToUInt(t.map.m_tags.back().strIdentifier);
  ASSERT_EQ(HexToUInt(t.map.m_strIndexOffset), sample.IndexOffset());

  MapBuilderFields fields;
  fields.strTagFile = tagFile;
  fields.strTagName = "weapons\\ar\\x";  // 12 characters
  fields.strClass1 = "weap";
  fields.strClass2 = "item";
  fields.strClass3 = "obje";
  Answers answers;
  EXPECT_EQ(AddTag(t.map, t.tree, fields, answers), AddTagResult::Added);
  EXPECT_TRUE(answers.questions.empty());

  // The map is closed, its tree emptied; the model is not re-read.
  EXPECT_FALSE(t.map.m_bOpen);
  EXPECT_EQ(t.tree.Children(kTreeRoot).size(), 0u);

  const Bytes after = ReadBytesFromFile(t.path);
  const std::uint32_t entry = sample.NewEntry();
  EXPECT_EQ(Le32(after, 0x08), eof + 1013);
  EXPECT_EQ(Le32(after, entry + 0x14), eof + 13 + magic);
  EXPECT_EQ(Le32(after, entry + 0x10), eof + magic);
  EXPECT_EQ(std::string(after.begin() + eof, after.begin() + eof + 13), fields.strTagName + '\0');
  EXPECT_EQ(ReadLe16(after.data() + sample.plan.indexOffset + 0x0C), 7);
  EXPECT_EQ(after, ExpectedAfterAdd(sample.bytes, entry, sample.plan.indexOffset, magic, eof, fields,
                                    lastIdentifier + 0x00010001, 1000));

  CMapFile reopened;
  MemoryTreeView tree;
  reopened.OpenPath(tree, t.path);
  ASSERT_EQ(reopened.m_nTagCount, 7);
  const TagEntry& added = reopened.m_tags.back();
  EXPECT_EQ(added.strName, fields.strTagName);
  EXPECT_EQ(added.strClass1, "weap");
  EXPECT_EQ(added.strClass2, "item");
  EXPECT_EQ(added.strClass3, "obje");
  EXPECT_EQ(added.strMetaOffset, UIntToHex(eof + 13));
  EXPECT_EQ(added.strNameOffset, UIntToHex(eof));
  EXPECT_EQ(added.strEntryOffset, UIntToHex(entry));
  // The last tag runs to the end of the tag data: on the Xbox the room lies in
  // the file's free space; elsewhere past the file's end, where nothing counts.
  EXPECT_EQ(added.nSize, version == kVersionXbox ? 1000u : 0u);
  EXPECT_EQ(HexToUInt(reopened.m_strEofPosition), eof + 1013);
  EXPECT_EQ(reopened.m_strIndexOffset, UIntToHex(sample.IndexOffset()));
  // The tag before it now has the size up to the new tag's metadata.
  EXPECT_EQ(reopened.m_tags[5].nSize, eof + 13 - HexToUInt(reopened.m_tags[5].strMetaOffset));
}

INSTANTIATE_TEST_SUITE_P(Versions, AddTagLayout, ::testing::Values(kVersionXbox, kVersionPc, kVersionCe));

class AddTagTest : public ::testing::Test {
 protected:
  // Adds a tag to the map at path (opened afresh) and returns the file after it.
  Bytes Add(const std::string& path, const MapBuilderFields& fields) {
    CMapFile map;
    MemoryTreeView tree;
    map.OpenPath(tree, path);
    Answers answers;
    EXPECT_EQ(AddTag(map, tree, fields, answers), AddTagResult::Added);
    EXPECT_TRUE(answers.questions.empty());
    return ReadBytesFromFile(path);
  }

  MapBuilderFields Fields(const std::string& name, std::size_t tagFileLength) {
    MapBuilderFields fields;
    fields.strTagName = name;
    fields.strTagFile = t.dir.Write("tag" + std::to_string(m_files++) + ".meta", Bytes(tagFileLength, 1));
    return fields;
  }

  SpareSlotMap sample{kVersionPc, 4, 2};
  TestMap t{sample.bytes};

 private:
  int m_files = 0;
};

TEST_F(AddTagTest, ClassesAreStoredReversedAndNoClassIsFourFFBytes) {
  MapBuilderFields fields = Fields("fx", 8);
  fields.strClass1 = "fog ";
  fields.strClass3 = "abc";  // short: zero-padded, then reversed
  const Bytes after = Add(t.path, fields);
  const std::uint32_t entry = sample.NewEntry();
  EXPECT_EQ(Bytes(after.begin() + entry, after.begin() + entry + 12),
            (Bytes{0x20, 0x67, 0x6F, 0x66, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x63, 0x62, 0x61}));
}

TEST_F(AddTagTest, IdentifierFollowsTheLastTagsByOneInEachHalf) {
  for (const auto& [last, next] : {std::pair{0xE1F4003Au, "e1f5003b"}, std::pair{0x0000FFFFu, "00020000"}}) {
    SpareSlotMap custom(kVersionXbox, 3, 1);
    PutLe32(custom.bytes, custom.NewEntry() - 32 + 0x0C, last);
    TestMap m(custom.bytes);
    m.Open();
    MapBuilderFields fields;
    fields.strTagName = "t";
    EXPECT_EQ(BuildNewTagEntry(m.map, fields, 0).strIdentifier, next);
    fields.strTagFile = m.dir.Write("t.meta", Bytes(4, 0));
    Answers answers;
    AddTag(m.map, m.tree, fields, answers);
    EXPECT_EQ(UIntToHex(Le32(ReadBytesFromFile(m.path), custom.NewEntry() + 0x0C)), UIntToHex(HexToUInt(next)));
  }
}

TEST_F(AddTagTest, AnEmptyNameIsOneZeroByteWithTheMetadataRightAfterIt) {
  t.Open();
  const std::uint32_t eof = HexToUInt(t.map.m_strEofPosition);
  const std::uint32_t magic = t.map.Magic();
  t.map.Close(t.tree);
  const Bytes after = Add(t.path, Fields("", 500));
  EXPECT_EQ(after.at(eof), 0);
  EXPECT_EQ(after.size(), eof + 1u);
  EXPECT_EQ(Le32(after, sample.NewEntry() + 0x14), eof + 1 + magic);
  EXPECT_EQ(Le32(after, 0x08), eof + 501);

  CMapFile reopened;
  MemoryTreeView tree;
  reopened.OpenPath(tree, t.path);
  EXPECT_EQ(reopened.m_tags.back().strName, "");
  EXPECT_EQ(reopened.m_tags.back().strMetaOffset, UIntToHex(eof + 1));
}

TEST_F(AddTagTest, ASecondAddPlacesItsNameAfterTheRoomReservedForTheFirst) {
  t.Open();
  const std::uint32_t eof = HexToUInt(t.map.m_strEofPosition);
  t.map.Close(t.tree);
  const Bytes first = Add(t.path, Fields("first", 300));
  // The first tag's metadata room is only reserved: the EoF Position now lies
  // past the file's end, and nothing more is written there until it is filled.
  EXPECT_EQ(Le32(first, 0x08), eof + 6 + 300);
  EXPECT_LT(first.size(), eof + 6 + 300);
  const Bytes after = Add(t.path, Fields("second!", 40));
  const std::uint32_t secondName = eof + 6 + 300;
  EXPECT_EQ(std::string(after.begin() + secondName, after.end()), std::string("second!") + '\0');
  EXPECT_EQ(Le32(after, 0x08), secondName + 8 + 40);

  CMapFile reopened;
  MemoryTreeView tree;
  reopened.OpenPath(tree, t.path);
  ASSERT_EQ(reopened.m_nTagCount, 6);
  EXPECT_EQ(reopened.m_tags[4].strName, "first");
  EXPECT_EQ(reopened.m_tags[4].strMetaOffset, UIntToHex(eof + 6));
  EXPECT_EQ(reopened.m_tags[4].nSize, 300u + 8);  // up to the second tag's metadata
  EXPECT_EQ(reopened.m_tags[5].strName, "second!");
  EXPECT_EQ(reopened.m_tags[5].strEntryOffset, UIntToHex(sample.NewEntry() + 32));
  EXPECT_EQ(HexToUInt(reopened.m_tags[5].strIdentifier), HexToUInt(reopened.m_tags[4].strIdentifier) + 0x00010001);
}

TEST_F(AddTagTest, OverwritingKnownTagDataIsAskedAndOnlyYesGoesOn) {
  // A plain sample map: the names start right after the last entry.
  const SampleMapPlan plan = GenerateSampleMap(kVersionCe, 5, 3, 32);
  const Bytes before = WriteSampleMap(plan);
  TestMap m(before);
  m.Open();
  const std::uint32_t eof = HexToUInt(m.map.m_strEofPosition);
  const std::uint32_t lastIdentifier = HexToUInt(m.map.m_tags.back().strIdentifier);
  MapBuilderFields fields;
  fields.strTagName = "new";
  fields.strTagFile = m.dir.Write("t.meta", Bytes(10, 0));

  Answers no(false);
  EXPECT_EQ(AddTag(m.map, m.tree, fields, no), AddTagResult::Declined);
  EXPECT_EQ(no.questions, std::vector<std::string>{kAddTagOverwriteQuestion});
  EXPECT_EQ(ReadBytesFromFile(m.path), before);
  EXPECT_TRUE(m.map.m_bOpen);
  EXPECT_EQ(m.map.m_tags.size(), 5u);

  Answers yes(true);
  EXPECT_EQ(AddTag(m.map, m.tree, fields, yes), AddTagResult::Added);
  EXPECT_EQ(yes.questions.size(), 1u);
  const std::uint32_t entry = LayoutOf(plan).firstEntry + 5 * 32;
  EXPECT_EQ(ReadBytesFromFile(m.path), ExpectedAfterAdd(before, entry, plan.indexOffset, plan.magic, eof, fields,
                                                        lastIdentifier + 0x00010001, 10));
}

TEST_F(AddTagTest, OnlyExtentsReachingIntoTheNewEntrysBytesCount) {
  t.Open();
  EXPECT_FALSE(NewEntryOverlapsTagData(t.map));
  const std::uint32_t slot = sample.NewEntry();
  TagEntry& tag = t.map.m_tags[1];
  const std::uint32_t nameExtent = static_cast<std::uint32_t>(tag.strName.size()) + 1;
  tag.strNameOffset = UIntToHex(slot - nameExtent);  // ends where the slot begins
  EXPECT_FALSE(NewEntryOverlapsTagData(t.map));
  tag.strNameOffset = UIntToHex(slot - nameExtent + 1);
  EXPECT_TRUE(NewEntryOverlapsTagData(t.map));
  tag.strNameOffset = UIntToHex(slot + 32);  // starts where the slot ends
  EXPECT_FALSE(NewEntryOverlapsTagData(t.map));

  tag.strMetaOffset = UIntToHex(slot + 31);
  tag.nSize = 0;  // a size the model does not know: no extent
  EXPECT_FALSE(NewEntryOverlapsTagData(t.map));
  tag.nSize = 1;
  EXPECT_TRUE(NewEntryOverlapsTagData(t.map));
}

TEST_F(AddTagTest, RefusedWithNothingWrittenWhenThereIsNothingToFollowOrNoRoomInTheIndex) {
  Answers answers(true);
  const MapBuilderFields fields = Fields("x", 4);
  CMapFile closed;
  MemoryTreeView tree;
  try {
    AddTag(closed, tree, fields, answers);
    FAIL() << "no map open";
  } catch (const Refused& e) {
    EXPECT_STREQ(e.what(), kAddTagNoMap);
  }

  SampleMapPlan empty;
  empty.version = kVersionPc;
  TestMap none(empty);
  none.Open();
  try {
    AddTag(none.map, none.tree, fields, answers);
    FAIL() << "no tag";
  } catch (const Refused& e) {
    EXPECT_STREQ(e.what(), kAddTagNoTags);
  }
  EXPECT_EQ(ReadBytesFromFile(none.path), WriteSampleMap(empty));

  SampleMapPlan full;
  full.version = kVersionXbox;
  full.magic = 0x803A6000;
  full.tags.resize(65535);
  const Bytes fullBytes = WriteSampleMap(full);
  TestMap many(fullBytes);
  many.Open();
  ASSERT_EQ(many.map.m_nTagCount, 65535);
  try {
    AddTag(many.map, many.tree, fields, answers);
    FAIL() << "full index";
  } catch (const Refused& e) {
    EXPECT_STREQ(e.what(), kAddTagIndexFull);
  }
  EXPECT_EQ(ReadBytesFromFile(many.path), fullBytes);
  EXPECT_TRUE(answers.questions.empty());
  EXPECT_TRUE(many.map.m_bOpen);
}

TEST_F(AddTagTest, ATagFileThatCannotBeOpenedIsAFileErrorBeforeAnyWrite) {
  t.Open();
  MapBuilderFields fields;
  fields.strTagName = "x";
  Answers answers(true);
  fields.strTagFile = t.dir.File("gone.meta");
  try {
    AddTag(t.map, t.tree, fields, answers);
    FAIL() << "missing tag file";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), fields.strTagFile + " was not found.");
  }
  fields.strTagFile.clear();  // "Load Tag" never used
  try {
    AddTag(t.map, t.tree, fields, answers);
    FAIL() << "no tag file chosen";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "an unnamed file was not found.");
  }
  EXPECT_EQ(ReadBytesFromFile(t.path), sample.bytes);
  EXPECT_TRUE(t.map.m_bOpen);
}

}  // namespace
}  // namespace jov
