// Writing a tag's index entry and name: "Save Changes" with the name in place or
// at the EoF Position, class codes, Copy, Swap, and the entry Add Tag stores.
// Every case compares the whole file with the bytes it should hold.
#include <gtest/gtest.h>

#include <cstring>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TestMap.h"
#include "transfer/TagEntryWriter.h"
#include "transfer/TagRecordEdit.h"

namespace jov {
namespace {

using testing::TestMap;

constexpr std::uint32_t kPcMagic = 0x40440000;

SampleTag MakeTag(const std::string& class1, const std::string& name, std::uint32_t identifier, std::size_t metaSize) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.identifier = identifier;
  for (std::size_t i = 0; i < metaSize; ++i) tag.meta.push_back(static_cast<unsigned char>(i * 7 + 1));
  return tag;
}

SampleMapPlan FourTags(std::uint16_t version = 7) {
  SampleMapPlan plan;
  plan.version = version;
  plan.magic = version == 5 ? 0x803A6000u : kPcMagic;
  plan.tags = {MakeTag("scnr", "levels\\test\\test", 0xE1740000, 48),
               MakeTag("weap", "weapons\\pistol\\pistol", 0xE1750001, 100),
               MakeTag("bitm", "ui\\cursor", 0xE1760002, 40),
               MakeTag("weap", "weapons\\rifle\\rifle", 0xE1770003, 16)};
  plan.tags[2].class2 = "obje";
  return plan;
}

void Put(std::vector<unsigned char>& bytes, std::size_t at, const std::string& text) {
  if (bytes.size() < at + text.size()) bytes.resize(at + text.size());
  std::memcpy(bytes.data() + at, text.data(), text.size());
}

struct Opened {
  explicit Opened(const SampleMapPlan& plan) : t(plan), before(ReadBytesFromFile(t.path)) { t.Open(); }
  std::vector<unsigned char> Now() const { return ReadBytesFromFile(t.path); }
  std::uint32_t Entry(int n) const { return HexToUInt(t.Tag(n).strEntryOffset); }
  TestMap t;
  std::vector<unsigned char> before;
};

// ---------------------------------------------------------------------------
// Save Changes with nothing edited writes the bytes already there.

TEST(SaveChanges, RightAfterSelectingEveryTagOfEveryVersionLeavesTheFileUnchanged) {
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}, std::uint16_t{0x261}}) {
    const SampleMapPlan plan = GenerateSampleMap(version, 12, 3);
    Opened m(plan);
    for (int n = 0; n < m.t.map.m_nTagCount; ++n) {
      SCOPED_TRACE(::testing::Message() << "version " << version << " tag " << n);
      const TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(n));
      ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, n, fields));
      EXPECT_EQ(m.Now(), m.before);
      EXPECT_TRUE(m.t.map.m_bOpen);
    }
  }
}

TEST(SaveChanges, NoTagOrNoMapWritesNothing) {
  Opened m(FourTags());
  const TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(0));
  EXPECT_FALSE(SaveTagChanges(m.t.map, m.t.tree, -1, fields));
  EXPECT_FALSE(SaveTagChanges(m.t.map, m.t.tree, 4, fields));
  m.t.map.Close(m.t.tree);
  EXPECT_FALSE(SaveTagChanges(m.t.map, m.t.tree, 0, fields));
  EXPECT_EQ(m.Now(), m.before);
}

// ---------------------------------------------------------------------------
// Names.

TEST(SaveChanges, AShorterNameInPlaceEndsWithAZeroAndLeavesTheOldRemainder) {
  Opened m(FourTags());
  const TagEntry old = m.t.Tag(1);
  TagRecordFields fields = TagRecordFieldsOf(old);
  fields.strName = "short";
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 1, fields));

  std::vector<unsigned char> expected = m.before;
  Put(expected, HexToUInt(old.strNameOffset), std::string("short") + '\0');
  EXPECT_EQ(m.Now(), expected);
  EXPECT_EQ(m.t.Tag(1).strName, "short");
  // The old name was "weapons\pistol\pistol": "short\0" covers "weapon".
  const std::vector<unsigned char> now = m.Now();
  const auto rest = now.begin() + static_cast<long>(HexToUInt(old.strNameOffset)) + 6;
  EXPECT_EQ(std::string(rest, rest + 16), std::string("s\\pistol\\pistol") + '\0');
}

TEST(SaveChanges, ALongerNameInPlaceIsCutToTheCurrentLength) {
  Opened m(FourTags());
  const TagEntry old = m.t.Tag(2);  // "ui\cursor", 9 characters
  TagRecordFields fields = TagRecordFieldsOf(old);
  fields.strName = "ABCDEFGHIJKLMNOP";
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 2, fields));

  std::vector<unsigned char> expected = m.before;
  Put(expected, HexToUInt(old.strNameOffset), std::string("ABCDEFGHI") + '\0');
  EXPECT_EQ(m.Now(), expected);
  EXPECT_EQ(m.t.Tag(2).strName, "ABCDEFGHI");
  EXPECT_EQ(m.t.Tag(3).strName, "weapons\\rifle\\rifle");
}

TEST(SaveChanges, ALongerNameWithUpdateSizeGoesToTheEofPositionAndMovesIt) {
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}}) {
    SCOPED_TRACE(version);
    SampleMapPlan plan = FourTags(version);
    if (version == 5) plan.extraBytesAtEnd = 64;  // free space after the EoF Position
    Opened m(plan);
    const std::uint32_t p = HexToUInt(m.t.map.m_strEofPosition);
    const std::uint32_t magic = m.t.map.Magic();
    const std::string name = "weapons\\pistol\\pistol_with_a_longer_name";
    TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(1));
    fields.strName = name;
    fields.bUpdateSize = true;
    ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 1, fields));

    std::vector<unsigned char> expected = m.before;
    Put(expected, p, name + '\0');
    PutLe32(expected, 0x08, p + static_cast<std::uint32_t>(name.size()) + 1);
    PutLe32(expected, m.Entry(1) + 0x10, p + magic);
    EXPECT_EQ(m.Now(), expected);
    EXPECT_EQ(m.t.Tag(1).strName, name);
    EXPECT_EQ(m.t.Tag(1).strNameOffset, UIntToHex(p));
    EXPECT_EQ(m.t.map.m_strEofPosition, UIntToHex(p + static_cast<std::uint32_t>(name.size()) + 1));
  }
}

TEST(SaveChanges, ANameInPlaceOutsideTheFileIsRefusedWithNothingWritten) {
  Opened m(FourTags());
  const auto length = static_cast<std::uint32_t>(m.before.size());
  for (const std::uint32_t at : {length, length - 3, 0x7FFFFFF0u, 0xFFFFFFF0u}) {
    TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(0));
    fields.strNameOffset = UIntToHex(at);
    fields.strClass1 = "zzzz";  // the entry must not be written either
    try {
      SaveTagChanges(m.t.map, m.t.tree, 0, fields);
      ADD_FAILURE() << "not refused at " << at;
    } catch (const Refused& e) {
      EXPECT_STREQ(e.what(), kNameOutsideFile);
    }
    EXPECT_EQ(m.Now(), m.before);
  }
  // The last byte a name and its zero may take is the file's last byte.
  TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(3));
  fields.strName = "ab";
  fields.strNameOffset = UIntToHex(length - 3);
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 3, fields));
  EXPECT_EQ(m.Now().size(), length);
}

// ---------------------------------------------------------------------------
// Entry words and class codes.

TEST(SaveChanges, ClassesIdentifierAndMetaOffsetAreWrittenAsTheEntryHoldsThem) {
  Opened m(FourTags());
  const std::uint32_t e = m.Entry(2);
  TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(2));
  fields.strClass1 = "abc";                    // three characters: a zero byte, then c b a
  fields.strClass2 = "longer";                 // only the first four count
  fields.strClass3 = "";                       // four zero bytes
  fields.strIdentifier = "e17z0002";           // a non-hex digit counts as 0
  fields.strMetaOffset = "1234";
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 2, fields));

  std::vector<unsigned char> expected = m.before;
  Put(expected, e, std::string("\0cba", 4));
  Put(expected, e + 4, "gnol");
  Put(expected, e + 8, std::string(4, '\0'));
  PutLe32(expected, e + 0x0C, 0xE1700002);
  PutLe32(expected, e + 0x14, 0x1234 + kPcMagic);
  EXPECT_EQ(m.Now(), expected);
  EXPECT_EQ(m.t.Tag(2).strClass2, "long");
  EXPECT_EQ(m.t.Tag(2).strMetaOffset, "1234");
}

TEST(WriteTagEntry, PlacementOtherThanZeroOrOneLeavesTheNameAndItsPointer) {
  Opened m(FourTags());
  TagEntry entry = m.t.Tag(1);
  entry.strName = "never written";
  entry.strNameOffset = "10";
  entry.strClass1 = "proj";
  WriteTagEntry(m.t.map, 1, entry, 2, false);
  std::vector<unsigned char> expected = m.before;
  Put(expected, m.Entry(1), "jorp");
  EXPECT_EQ(m.Now(), expected);
  EXPECT_EQ(m.t.Tag(1).strClass1, "weap");  // the model is not touched without store
}

TEST(WriteTagEntry, StoreAppendsTheRecordAndZeroesTheEntrysLastEightBytes) {
  Opened m(FourTags());
  const std::uint32_t p = HexToUInt(m.t.map.m_strEofPosition);
  // The entry after the last one, as Add Tag writes it; it lies over the names.
  TagEntry entry;
  entry.strClass1 = "weap";
  entry.strClass2 = "item";
  entry.strClass3 = "obje";
  entry.strIdentifier = "e1780004";
  entry.strMetaOffset = UIntToHex(p + 16);
  entry.strName = "new\\tag";
  entry.strEntryOffset = UIntToHex(m.Entry(3) + 32);
  const std::uint32_t e = m.Entry(3) + 32;
  WriteTagEntry(m.t.map, 4, entry, kNameAtEof, true);

  ASSERT_EQ(m.t.map.m_tags.size(), 5u);
  EXPECT_EQ(m.t.map.m_tags[4].strName, "new\\tag");
  EXPECT_EQ(m.t.map.m_strEofPosition, UIntToHex(p));  // the model's EoF Position stays
  std::vector<unsigned char> expected = m.before;
  Put(expected, e, "paewmetiejbo");
  PutLe32(expected, e + 0x0C, 0xE1780004);
  PutLe32(expected, e + 0x10, p + kPcMagic);
  PutLe32(expected, e + 0x14, p + 16 + kPcMagic);
  Put(expected, e + 0x18, std::string(8, '\0'));
  Put(expected, p, std::string("new\\tag") + '\0');
  PutLe32(expected, 0x08, p + 8);
  EXPECT_EQ(m.Now(), expected);

  // Stored in place, an entry replaces the record, and its in-place name is cut
  // to the record just stored, that is not at all.
  TagEntry longer = m.t.Tag(2);
  longer.strName = "ui\\cursor_longer";
  WriteTagEntry(m.t.map, 2, longer, kNameInPlace, true);
  EXPECT_EQ(m.t.map.m_tags[2].strName, "ui\\cursor_longer");
  Put(expected, HexToUInt(longer.strNameOffset), std::string("ui\\cursor_longer") + '\0');
  Put(expected, m.Entry(2) + 0x18, std::string(8, '\0'));
  EXPECT_EQ(m.Now(), expected);
}

// ---------------------------------------------------------------------------
// Copy and Swap work on the fields; Save Changes writes what they left there.

TEST(CopyTagFields, TakesNameAndClassesAndChecksUpdateSizeOnlyForALongerName) {
  TagRecordFields p{"short", "e1740000", "940", "8c8", "scnr", "a", "b", false};
  const TagRecordFields longer{"a\\much\\longer\\name", "00000001", "1", "2", "weap", "item", "obje", false};
  CopyTagFields(p, longer);
  EXPECT_TRUE(p.bUpdateSize);
  EXPECT_EQ(p.strName, longer.strName);
  EXPECT_EQ(p.strClass1, "weap");
  EXPECT_EQ(p.strClass2, "item");
  EXPECT_EQ(p.strClass3, "obje");
  EXPECT_EQ(p.strIdentifier, "e1740000");  // not copied
  EXPECT_EQ(p.strMetaOffset, "940");
  EXPECT_EQ(p.strNameOffset, "8c8");

  TagRecordFields same{"abcdefghijklmnopqr", "", "", "", "", "", "", true};
  CopyTagFields(same, longer);  // equal length
  EXPECT_FALSE(same.bUpdateSize);
  TagRecordFields q = longer;
  q.bUpdateSize = true;
  CopyTagFields(q, TagRecordFields{"x", "", "", "", "", "", "", false});
  EXPECT_FALSE(q.bUpdateSize);
}

TEST(CopyTagFields, ThenSaveChangesPutsTheLongerNameAtTheEofPosition) {
  Opened m(FourTags());
  const std::uint32_t p = HexToUInt(m.t.map.m_strEofPosition);
  TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(2));
  CopyTagFields(fields, TagRecordFieldsOf(m.t.Tag(1)));  // the other panel shows tag 1
  ASSERT_TRUE(fields.bUpdateSize);
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 2, fields));
  EXPECT_EQ(m.t.Tag(2).strName, "weapons\\pistol\\pistol");
  EXPECT_EQ(m.t.Tag(2).strClass1, "weap");
  EXPECT_EQ(m.t.Tag(2).strClass2, std::string(4, '\xFF'));
  EXPECT_EQ(m.t.Tag(2).strNameOffset, UIntToHex(p));
  EXPECT_EQ(m.t.Tag(1).strName, "weapons\\pistol\\pistol");
}

TEST(OffsetSwap, ListsEveryTagAndSwapThenSaveSharesTheMetadata) {
  Opened m(FourTags());
  const auto list = BuildOffsetSwapList(m.t.map);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(OffsetSwapText(list[1]), "weap -- weapons\\pistol\\pistol");
  EXPECT_EQ(list[2].hTreeItem, m.t.Tag(2).hTreeItem);

  TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(0));
  EXPECT_FALSE(ApplyOffsetSwap(fields, list, std::nullopt));  // no item selected
  EXPECT_FALSE(ApplyOffsetSwap(fields, list, 4));
  EXPECT_EQ(fields.strMetaOffset, m.t.Tag(0).strMetaOffset);

  ASSERT_TRUE(ApplyOffsetSwap(fields, list, 2));
  EXPECT_EQ(fields.strMetaOffset, m.t.Tag(2).strMetaOffset);
  const std::uint32_t meta2 = m.t.map.MetaOffset(2);
  ASSERT_TRUE(SaveTagChanges(m.t.map, m.t.tree, 0, fields));

  std::vector<unsigned char> expected = m.before;
  PutLe32(expected, m.Entry(0) + 0x14, meta2 + kPcMagic);
  EXPECT_EQ(m.Now(), expected);
  EXPECT_EQ(m.t.Tag(0).strMetaOffset, m.t.Tag(2).strMetaOffset);
  // Sizes follow the new pointers: tag 0 now runs from tag 2's metadata to tag 1's.
  EXPECT_EQ(m.t.Tag(0).nSize, m.t.map.MetaOffset(1) - meta2);
}

}  // namespace
}  // namespace jov
