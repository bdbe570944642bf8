// Reading a map's header and tag index into the model and the tag tree, for the
// three releases' layouts, and every way a file can fail to be a good map.
#include <array>
#include <optional>

#include <gtest/gtest.h>

#include <random>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using testing::TestMap;

constexpr std::uint32_t kXboxMagic = 0x803A6000;
constexpr std::uint32_t kPcMagic = 0x40440000;

SampleTag MakeTag(const std::string& class1, const std::string& name, std::uint32_t identifier, std::size_t metaSize) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.identifier = identifier;
  tag.meta.assign(metaSize, 0x5A);
  return tag;
}

// Five tags: a scenario, a weapon, a structure BSP, a bitmap whose class 2 is
// "sbsp" (class 1 alone decides the size), and a last weapon.
SampleMapPlan FiveTags(std::uint16_t version, std::uint32_t indexOffset = 0x800) {
  SampleMapPlan plan;
  plan.version = version;
  plan.indexOffset = indexOffset;
  plan.magic = version == 5 || version == 6 ? kXboxMagic : kPcMagic;
  plan.tags = {
      MakeTag("scnr", "levels\\test\\test", 0xE1740000, 48),
      MakeTag("weap", "weapons\\pistol\\pistol", 0x00010002, 100),
      MakeTag("sbsp", "levels\\test\\bsp", 0xE1A20001, 64),
      MakeTag("bitm", "ui\\cursor", 0xE1750003, 40),
      MakeTag("weap", "weapons\\rifle\\rifle", 0, 16),
  };
  plan.tags[3].class2 = "sbsp";
  return plan;
}

void Poke(std::vector<unsigned char>& bytes, std::size_t at, std::initializer_list<unsigned char> values) {
  for (const unsigned char v : values) bytes.at(at++) = v;
}

// ---------------------------------------------------------------------------
// Layout per version: where the entries start, the index offset kept, the magic.

struct LayoutCase {
  std::uint16_t version;
  std::uint32_t magic;
  const char* indexOffsetText;  // as the model keeps it
  std::uint32_t firstEntry;
  const char* indexMagicText;
  const char* magicText;
  const char* formatText;
};

class VersionLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(VersionLayout, IndexAtHex1000GivesTheVersionsEntryStartAndMagic) {
  const LayoutCase c = GetParam();
  SampleMapPlan plan = FiveTags(c.version, 0x1000);
  plan.magic = c.magic;
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  // Whatever the writer thinks, the reader must find entry 0 at this offset: put
  // a class there by hand, stored reversed.
  Poke(bytes, c.firstEntry, {'p', 'a', 'e', 'w'});
  TestMap t(bytes);
  t.Open();

  ASSERT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_strIndexOffset, c.indexOffsetText);
  EXPECT_EQ(t.map.m_strIndexMagic, c.indexMagicText);
  EXPECT_EQ(t.map.m_strMagic, c.magicText);
  EXPECT_EQ(t.map.m_strFormatText, c.formatText);
  EXPECT_EQ(t.Tag(0).strClass1, "weap");
  EXPECT_EQ(t.Tag(0).strEntryOffset, UIntToHex(c.firstEntry));
  EXPECT_EQ(t.Tag(1).strEntryOffset, UIntToHex(c.firstEntry + 32));
  EXPECT_EQ(t.Tag(4).strEntryOffset, UIntToHex(c.firstEntry + 128));
  // Every reader finds entry n at the kept offset + 0x24 + 32 n.
  EXPECT_EQ(HexToUInt(t.map.m_strIndexOffset) + 0x24, c.firstEntry);
  EXPECT_EQ(t.Tag(1).strName, "weapons\\pistol\\pistol");
}

INSTANTIATE_TEST_SUITE_P(
    MapReading, VersionLayout,
    ::testing::Values(
        // PC layouts: a 0x28-byte index header; the magic is the index magic minus 0x1028.
        LayoutCase{7, 0xABC00000, "1004", 0x1028, "abc01028", "ABC00000", "Halo PC"},
        LayoutCase{609, 0x40440000, "1004", 0x1028, "40441028", "40440000", "Halo CE"},
        // Xbox layout, also for unknown versions: a 0x24-byte index header.
        LayoutCase{5, kXboxMagic, "1000", 0x1024, "803a7024", "803A6000", "Xbox"},
        LayoutCase{6, kXboxMagic, "1000", 0x1024, "803a7024", "803A6000", "Unknown"}),
    [](const ::testing::TestParamInfo<LayoutCase>& p) { return "Version" + std::to_string(p.param.version); });

TEST(MapReading, EveryRecordMatchesWhatTheWriterPutForAllVersionsAndSeeds) {
  for (const std::uint16_t version : {5, 7, 609}) {
    for (const std::uint32_t seed : {1u, 2u, 99u}) {
      SCOPED_TRACE("version " + std::to_string(version) + " seed " + std::to_string(seed));
      const SampleMapPlan plan = GenerateSampleMap(version, 40, seed);
      const SampleLayout layout = LayoutOf(plan);
      TestMap t(plan);
      t.Open();
      ASSERT_TRUE(t.map.m_bOpen);
      ASSERT_EQ(t.map.m_nTagCount, 40);
      ASSERT_EQ(t.map.m_tags.size(), 40u);
      EXPECT_EQ(t.map.Magic(), plan.magic);
      for (std::size_t n = 0; n < plan.tags.size(); ++n) {
        const TagEntry& r = t.map.m_tags[n];
        const SampleTag& w = plan.tags[n];
        EXPECT_EQ(r.strClass1, w.class1);
        EXPECT_EQ(r.strClass2, w.class2);
        EXPECT_EQ(r.strClass3, w.class3);
        EXPECT_EQ(r.strName, w.name);
        EXPECT_EQ(HexToUInt(r.strIdentifier), w.identifier);
        EXPECT_EQ(r.strMetaOffset, UIntToHex(layout.metaOffsets[n]));
        EXPECT_EQ(r.strNameOffset, UIntToHex(layout.nameOffsets[n]));
        EXPECT_EQ(r.strEntryOffset, UIntToHex(layout.firstEntry + 32 * static_cast<std::uint32_t>(n)));
        const bool zero = n + 1 == plan.tags.size() || w.class1 == "sbsp";
        EXPECT_EQ(r.nSize, zero ? 0u : layout.metaOffsets[n + 1] - layout.metaOffsets[n]) << "tag " << n;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Sizes

// A tag runs to the next entry whose data field lands in the tag data; fields
// that land elsewhere (0 in a real sbsp entry, a stray pointer) are passed over,
// and the last tag runs to the end of the tag data.
TEST(MapReading, SizesRunToTheNextEntryThatLandsInTheTagData) {
  const SampleMapPlan plan = FiveTags(7);
  const SampleLayout layout = LayoutOf(plan);
  const std::size_t sbspField = layout.firstEntry + 2 * 32 + 0x14;
  struct Case {
    const char* what;
    std::optional<std::uint32_t> sbspOffset;  // where the sbsp entry points (none: as written)
    std::array<std::uint32_t, 5> sizes;
  };
  const std::uint32_t wrapped = layout.metaOffsets[0] - layout.metaOffsets[1];
  const Case cases[] = {
      {"as written", std::nullopt, {48, 100, 0, 40, 16}},                  // class 2 "sbsp" does not count
      {"sbsp holds 0", 0u - plan.magic, {48, 164, 0, 40, 16}},             // as the game's tools write it
      {"sbsp far past the file", 0x00200000, {48, 164, 0, 40, 16}},
      {"sbsp before the tag, in the tag data", layout.metaOffsets[0], {48, wrapped, 0, 40, 16}},  // 32-bit wrap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    if (c.sbspOffset) PutLe32(bytes, sbspField, *c.sbspOffset + plan.magic);
    TestMap t(bytes);
    t.Open();
    for (int n = 0; n < 5; ++n) EXPECT_EQ(t.Tag(n).nSize, c.sizes[static_cast<std::size_t>(n)]) << "tag " << n;
    if (c.sbspOffset) {
      EXPECT_EQ(t.Tag(2).strMetaOffset, UIntToHex(*c.sbspOffset));
    }
  }
}

// ---------------------------------------------------------------------------
// Identifiers and class codes as stored

TEST(MapReading, IdentifiersKeepTheirLeadingZeros) {
  const SampleMapPlan plan = FiveTags(7);
  const std::uint32_t first = LayoutOf(plan).firstEntry;
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  Poke(bytes, first + 1 * 32 + 0x0C, {0x02, 0x00, 0x01, 0x00});
  Poke(bytes, first + 2 * 32 + 0x0C, {0x01, 0x00, 0xA2, 0xE1});
  TestMap t(bytes);
  t.Open();
  EXPECT_EQ(t.Tag(1).strIdentifier, "00010002");
  EXPECT_EQ(t.Tag(2).strIdentifier, "e1a20001");
  EXPECT_EQ(t.Tag(4).strIdentifier, "00000000");
}

TEST(MapReading, ClassCodesAreStoredReversedAndTakenUpToTheirFirstZeroByte) {
  const SampleMapPlan plan = FiveTags(7);
  const std::uint32_t first = LayoutOf(plan).firstEntry;
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  Poke(bytes, first + 0, {'p', 'a', 'e', 'w'});
  Poke(bytes, first + 4, {' ', 'g', 'o', 'f'});  // a code ending in a space keeps it
  Poke(bytes, first + 8, {0xFF, 0xFF, 0xFF, 0xFF});
  Poke(bytes, first + 32 + 4, {'a', 'b', 0, 0});  // the text is "ab", read reversed
  Poke(bytes, first + 32 + 8, {0, 0, 'b', 'a'});  // the text ends at once
  TestMap t(bytes);
  t.Open();
  EXPECT_EQ(t.Tag(0).strClass1, "weap");
  EXPECT_EQ(t.Tag(0).strClass2, "fog ");
  EXPECT_EQ(t.Tag(0).strClass3, std::string(4, '\xFF'));
  EXPECT_EQ(t.Tag(1).strClass2, "ba");
  EXPECT_EQ(t.Tag(1).strClass3, "");
}

TEST(MapReading, GetTagClassGivesClassOneForAnyNumberButTwoAndThree) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags[0].class2 = "obje";
  plan.tags[0].class3 = "unit";
  TestMap t(plan);
  t.Open();
  EXPECT_EQ(t.map.GetTagClass(0, 1), "scnr");
  EXPECT_EQ(t.map.GetTagClass(0, 2), "obje");
  EXPECT_EQ(t.map.GetTagClass(0, 3), "unit");
  EXPECT_EQ(t.map.GetTagClass(0, 0), "scnr");
  EXPECT_EQ(t.map.GetTagClass(0, 7), "scnr");
  EXPECT_EQ(t.map.GetTagName(1), "weapons\\pistol\\pistol");
  EXPECT_EQ(t.map.GetTagEntry(2).strClass1, "sbsp");
}

// ---------------------------------------------------------------------------
// The tag tree

TEST(MapReading, TheTreeHasTheEightyGroupsInTableOrderAndEachTagUnderItsClass) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags.push_back(MakeTag(std::string(4, '\xFF'), "nulled\\tag", 7, 8));
  TestMap t(plan);
  t.Open();
  const auto& groups = t.tree.Children(kTreeRoot);
  ASSERT_EQ(groups.size(), 80u);
  EXPECT_EQ(t.tree.Text(groups[0]), "actr -- Actor");
  EXPECT_EQ(t.tree.Text(groups[11]), "DeLa -- UI Item");
  EXPECT_EQ(t.tree.Text(groups[19]), "fog  -- Fog");
  EXPECT_EQ(t.tree.Text(groups[76]), "weap -- Weapon");
  EXPECT_EQ(t.tree.Text(groups[79]), "\xFF\xFF\xFF\xFF -- Nulled Out");
  for (std::size_t row = 0; row < 80; ++row) EXPECT_EQ(t.map.m_hClassItems[row], groups[row]);

  EXPECT_EQ(t.tree.Children(groups[79]), std::vector<TreeItem>{t.Tag(5).hTreeItem});
  EXPECT_EQ(t.tree.Children(groups[50]), std::vector<TreeItem>{t.Tag(2).hTreeItem});  // sbsp
  const auto& weapons = t.tree.Children(groups[76]);
  ASSERT_EQ(weapons.size(), 2u);
  EXPECT_EQ(t.tree.Text(weapons[0]), "weapons\\pistol\\pistol");
  EXPECT_EQ(t.tree.Text(weapons[1]), "weapons\\rifle\\rifle");
  EXPECT_TRUE(t.tree.Children(groups[0]).empty());
}

TEST(MapReading, TagsUnderAGroupAreInAlphabeticalOrderAndFoundByTheirItems) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags.clear();
  for (const char* name : {"b", "A", "a", "_x", "C", "a"}) plan.tags.push_back(MakeTag("weap", name, 1, 8));
  TestMap t(plan);
  t.Open();
  const auto& weapons = t.tree.Children(t.map.m_hClassItems[76]);
  std::vector<std::string> texts;
  for (const TreeItem item : weapons) texts.push_back(t.tree.Text(item));
  EXPECT_EQ(texts, (std::vector<std::string>{"_x", "A", "a", "a", "b", "C"}));
  // The two "a" items keep index order and each leads back to its own record.
  EXPECT_EQ(weapons[2], t.Tag(2).hTreeItem);
  EXPECT_EQ(weapons[3], t.Tag(5).hTreeItem);
  for (int n = 0; n < 6; ++n) EXPECT_EQ(t.map.FindTagByTreeItem(t.Tag(n).hTreeItem), n);
  EXPECT_EQ(t.map.FindTagByTreeItem(t.map.m_hClassItems[76]), std::nullopt);
  EXPECT_EQ(t.map.FindTagByTreeItem(kTreeRoot), std::nullopt);
}

TEST(MapReading, AClassNoRowNamesGetsAGroupOfItsOwnAfterTheEightyRows) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags.push_back(MakeTag("zzzz", "odd\\one", 1, 8));
  plan.tags.push_back(MakeTag("dela", "lower\\case", 2, 8));  // codes compare exactly: not "DeLa"
  plan.tags.push_back(MakeTag("zzzz", "odd\\another", 3, 8));
  TestMap t(plan);
  t.Open();
  const auto& groups = t.tree.Children(kTreeRoot);
  ASSERT_EQ(groups.size(), 82u);
  EXPECT_EQ(t.tree.Text(groups[80]), "zzzz -- Unknown Class");
  EXPECT_EQ(t.tree.Text(groups[81]), "dela -- Unknown Class");
  EXPECT_EQ(t.tree.Children(groups[80]), (std::vector<TreeItem>{t.Tag(7).hTreeItem, t.Tag(5).hTreeItem}));
  EXPECT_EQ(t.tree.Children(groups[81]), std::vector<TreeItem>{t.Tag(6).hTreeItem});
  EXPECT_TRUE(t.tree.Children(t.map.m_hClassItems[11]).empty());
  EXPECT_EQ(t.map.FindTagByTreeItem(t.Tag(5).hTreeItem), 5);
}

// ---------------------------------------------------------------------------
// Header values

TEST(MapReading, HeaderTextsStopAtThirtyTwoCharactersAndNumbersAreReadAsStored) {
  SampleMapPlan plan = FiveTags(609);
  plan.mapName = std::string(32, 'm');    // no zero byte before the build date
  plan.buildDate = std::string(32, 'd');  // nor before the map type
  plan.mapType = 2;
  plan.metaIndexSize = -1;
  TestMap t(plan);
  t.Open();
  EXPECT_EQ(t.map.m_strMapName, std::string(32, 'm'));
  EXPECT_EQ(t.map.m_strBuildDate, std::string(32, 'd'));
  EXPECT_EQ(t.map.m_nMapType, 2);
  EXPECT_EQ(t.map.m_strTypeText, "User Interface");
  EXPECT_EQ(t.map.m_nMetaIndexSize, -1);
  EXPECT_EQ(t.map.m_nVersion, 609);
  EXPECT_EQ(t.map.m_nTagCount, 5);
  EXPECT_EQ(t.map.m_strEofPosition, UIntToHex(LayoutOf(plan).eofPosition));
}

TEST(MapReading, ATagNameIsAtMost1995Characters) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags[0].name = std::string(2100, 'n');
  TestMap t(plan);
  t.Open();
  EXPECT_EQ(t.Tag(0).strName, std::string(1995, 'n'));
  EXPECT_EQ(t.Tag(1).strName, "weapons\\pistol\\pistol");
}

TEST(MapReading, IndexMagicZeroGivesAnEmptyText) {
  SampleMapPlan plan = FiveTags(7);
  plan.magic = 0u - LayoutOf(plan).firstEntry;  // so that the index magic is 0
  TestMap t(plan);
  t.Open();
  ASSERT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_strIndexMagic, "");
  EXPECT_EQ(HexToUInt(t.map.m_strIndexMagic), 0u);
  EXPECT_EQ(t.map.m_strMagic, "FFFFF7D8");  // 0 - 0x828
  EXPECT_EQ(t.Tag(3).strName, "ui\\cursor");
}

TEST(MapReading, TagCountZeroLeavesTheEightyEmptyGroupsAndTheMapOpen) {
  SampleMapPlan plan = FiveTags(7);
  plan.tags.clear();
  TestMap t(plan);
  t.Open();
  EXPECT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_nTagCount, 0);
  EXPECT_TRUE(t.map.m_tags.empty());
  const auto& groups = t.tree.Children(kTreeRoot);
  ASSERT_EQ(groups.size(), 80u);
  for (const TreeItem group : groups) EXPECT_TRUE(t.tree.Children(group).empty());
}

TEST(MapReading, EofSpaceSizeIsTheXboxFilesLengthMinusEofPositionAndZeroOtherwise) {
  {  // PC: 0 even with free bytes after the EoF Position
    SampleMapPlan plan = FiveTags(7);
    plan.extraBytesAtEnd = 500;
    TestMap t(plan);
    t.Open();
    EXPECT_EQ(t.map.m_nEofSpaceSize, 0);
  }
  {  // an unknown version counts as not Xbox here
    SampleMapPlan plan = FiveTags(6);
    plan.extraBytesAtEnd = 500;
    TestMap t(plan);
    t.Open();
    EXPECT_EQ(t.map.m_nEofSpaceSize, 0);
  }
  {
    SampleMapPlan plan = FiveTags(5);
    plan.extraBytesAtEnd = 300;
    TestMap t(plan);
    t.Open();
    EXPECT_EQ(t.map.m_nEofSpaceSize, 300);
  }
  {  // an Xbox file shorter than its EoF Position
    const SampleMapPlan plan = FiveTags(5);
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    PutLe32(bytes, 0x08, static_cast<std::uint32_t>(bytes.size()) + 100);
    TestMap t(bytes);
    t.Open();
    EXPECT_EQ(t.map.m_nEofSpaceSize, -100);
  }
  {  // EoF Position 0 reads as an empty text
    std::vector<unsigned char> bytes = WriteSampleMap(FiveTags(5));
    PutLe32(bytes, 0x08, 0);
    TestMap t(bytes);
    t.Open();
    EXPECT_EQ(t.map.m_strEofPosition, "");
    EXPECT_EQ(t.map.m_nEofSpaceSize, static_cast<std::int32_t>(bytes.size()));
  }
}

// ---------------------------------------------------------------------------
// Lifecycle: open once, close, reload

class ScriptedPicker : public UserDialogs {
 public:
  std::optional<std::string> answer;
  int picks = 0;
  FileDialogOptions asked;

  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override {
    ++picks;
    asked = options;
    return answer;
  }
  std::optional<std::string> PickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return false; }
  void ShowFileError(const std::string&) override {}
  void ShowValueError(const std::string&) override {}
};

TEST(MapLifecycle, OpenAsksForAMapFileAndACancelChangesNothing) {
  TestMap t(FiveTags(7));
  ScriptedPicker picker;
  t.map.Open(t.tree, picker);
  EXPECT_EQ(picker.picks, 1);
  EXPECT_EQ(picker.asked.filter, "Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||");
  EXPECT_EQ(picker.asked.defaultExtension, "map");
  EXPECT_EQ(picker.asked.initialName, "*.map");
  EXPECT_TRUE(picker.asked.mustExist);
  EXPECT_FALSE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_strPath, "");
  EXPECT_EQ(t.tree.Size(), 0u);

  picker.answer = t.path;
  t.map.Open(t.tree, picker);
  EXPECT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_strPath, t.path);
  // Already open: the picker is not even shown.
  t.map.Open(t.tree, picker);
  EXPECT_EQ(picker.picks, 2);
}

TEST(MapLifecycle, OpeningAnOpenMapAgainReadsNothingNew) {
  TestMap t(FiveTags(7));
  t.Open();
  const std::size_t items = t.tree.Size();
  // The file changes on disk; a second open, of it or of another file, is ignored.
  std::vector<unsigned char> other = WriteSampleMap(GenerateSampleMap(5, 12, 3));
  WriteBytesToFile(t.path, other);
  t.map.OpenPath(t.tree, t.path);
  t.map.OpenPath(t.tree, t.dir.File("elsewhere.map"));
  EXPECT_EQ(t.map.m_strPath, t.path);
  EXPECT_EQ(t.map.m_nTagCount, 5);
  EXPECT_EQ(t.map.m_nVersion, 7);
  EXPECT_EQ(t.Tag(1).strName, "weapons\\pistol\\pistol");
  EXPECT_EQ(t.tree.Size(), items);
}

TEST(MapLifecycle, CloseEmptiesTheTreeTurnsItBlackAndKeepsTheHeaderValues) {
  TestMap t(FiveTags(7));
  t.Open();
  ASSERT_NE(t.tree.BackgroundColor(), 0u);
  t.map.Close(t.tree);
  EXPECT_FALSE(t.map.m_bOpen);
  EXPECT_FALSE(t.map.File().IsOpen());
  EXPECT_TRUE(t.tree.Children(kTreeRoot).empty());
  EXPECT_EQ(t.tree.Size(), 0u);
  EXPECT_EQ(t.tree.BackgroundColor(), 0u);
  const MapHeaderInfo info = t.map.GetHeaderInfo();
  EXPECT_EQ(info.m_strPath, t.path);
  EXPECT_EQ(info.m_strMapName, "bloodgulch");
  EXPECT_EQ(info.m_strNickname, "Blood Gulch");
  EXPECT_EQ(info.m_strMagic, "40440000");
  EXPECT_EQ(info.m_nTagCount, 5);
  EXPECT_EQ(info.m_nVersion, 7);
  EXPECT_EQ(t.map.FindTagByTreeItem(t.Tag(1).hTreeItem), std::nullopt);

  // Closing a closed map touches nothing.
  const TreeItem mark = t.tree.InsertItem(kTreeRoot, "mark", false);
  t.tree.SetBackgroundColor(0x123456);
  t.map.Close(t.tree);
  EXPECT_EQ(t.tree.Children(kTreeRoot), std::vector<TreeItem>{mark});
  EXPECT_EQ(t.tree.BackgroundColor(), 0x123456u);
}

TEST(MapLifecycle, CloseFileLeavesTheTreeAsItIs) {
  TestMap t(FiveTags(7));
  t.Open();
  const std::size_t items = t.tree.Size();
  const std::uint32_t color = t.tree.BackgroundColor();
  t.map.CloseFile();
  EXPECT_FALSE(t.map.m_bOpen);
  EXPECT_FALSE(t.map.File().IsOpen());
  EXPECT_EQ(t.tree.Size(), items);
  EXPECT_EQ(t.tree.BackgroundColor(), color);
}

TEST(MapLifecycle, ReloadReadsTheSameFileAgainWithOneSetOfGroups) {
  const SampleMapPlan plan = FiveTags(7);
  TestMap t(plan);
  t.Open();
  // Rename tag 3 in the file, as a record edit would, then reload.
  t.map.File().Write(LayoutOf(plan).nameOffsets[3], "ui\\arrows", 10);
  t.map.Reload(t.tree);
  EXPECT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.Tag(3).strName, "ui\\arrows");
  EXPECT_EQ(t.tree.Children(kTreeRoot).size(), 80u);
  EXPECT_EQ(t.tree.Text(t.tree.Children(t.map.m_hClassItems[5]).at(0)), "ui\\arrows");
  EXPECT_EQ(t.tree.BackgroundColor(), 0x4080FFu);
}

// ---------------------------------------------------------------------------
// Failures: the map stays closed and the tree empty

void ExpectClosedWithEmptyTree(const TestMap& t) {
  EXPECT_FALSE(t.map.m_bOpen);
  EXPECT_FALSE(t.map.File().IsOpen());
  EXPECT_EQ(t.tree.Size(), 0u);
}

std::string OpenError(TestMap& t) {
  try {
    t.Open();
  } catch (const FileError& e) {
    return e.what();
  }
  return "(opened)";
}

TEST(MapOpenFailure, AMissingOrUnopenableFileIsNotFoundAndTheTreeIsUntouched) {
  TestMap t(FiveTags(7));
  const TreeItem mark = t.tree.InsertItem(kTreeRoot, "mark", false);
  for (const std::string& path : {t.dir.File("missing.map"), t.dir.Path()}) {
    SCOPED_TRACE(path);
    try {
      t.map.OpenPath(t.tree, path);
      ADD_FAILURE() << "opened";
    } catch (const FileError& e) {
      EXPECT_STREQ(e.what(), "an unnamed file was not found.");
      EXPECT_EQ(e.cause(), FileError::Cause::NotFound);
    }
    EXPECT_FALSE(t.map.m_bOpen);
    EXPECT_EQ(t.tree.Children(kTreeRoot), std::vector<TreeItem>{mark});
    EXPECT_TRUE(t.tree.Children(mark).empty());
  }
}

TEST(MapOpenFailure, AnIndexOffsetAtOrPastHex80000000CannotBeSoughtTo) {
  for (const std::uint32_t offset : {0x80000000u, 0xFFFFFFFFu, 0x7FFFFFF8u /* the count lies past it */}) {
    SCOPED_TRACE(offset);
    std::vector<unsigned char> bytes = WriteSampleMap(FiveTags(7));
    PutLe32(bytes, 0x10, offset);
    TestMap t(bytes);
    EXPECT_EQ(OpenError(t), "Seek failed on an unnamed file");
    ExpectClosedWithEmptyTree(t);
  }
}

// A file whose index header sits just below 2 GiB, with nothing before it but
// the header: sparse, so it takes no room on the disk.
std::string WriteHighIndexMap(const testing::TempDir& dir, std::uint16_t version, std::uint32_t indexOffset,
                              std::uint16_t count) {
  SampleMapPlan plan;
  plan.version = version;
  std::vector<unsigned char> header = WriteSampleMap(plan);
  PutLe32(header, 0x10, indexOffset);
  std::vector<unsigned char> indexHeader(0x28, 0);
  PutLe32(indexHeader, 0, indexOffset + (HasPcIndexLayout(version) ? 0x28 : 0x24));  // magic 0
  PutLe16(indexHeader, 0x0C, count);
  const std::string path = dir.File("high.map");
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, path);
  file.Write(0, header.data(), header.size());
  // Up to the tag count: the rest would lie past the last position a write reaches.
  file.Write(indexOffset, indexHeader.data(), 0x10);
  return path;
}

TEST(MapOpenFailure, EntriesAtOrPastHex80000000CloseTheMapAndEmptyTheTree) {
  struct Case {
    std::uint16_t version;
    std::uint32_t indexOffset;
    std::uint16_t count;
  };
  // First entry at 0x80000018; and a last entry at 0x7FFFFFF0 whose pointers lie
  // past the mark.
  for (const Case c : {Case{7, 0x7FFFFFF0, 3}, Case{5, 0x7FFFFF8C, 3}}) {
    SCOPED_TRACE(c.indexOffset);
    TestMap t(std::vector<unsigned char>{});
    const std::string path = WriteHighIndexMap(t.dir, c.version, c.indexOffset, c.count);
    try {
      t.map.OpenPath(t.tree, path);
      ADD_FAILURE() << "opened";
    } catch (const FileError& e) {
      EXPECT_STREQ(e.what(), "Seek failed on an unnamed file");
    }
    ExpectClosedWithEmptyTree(t);
    EXPECT_TRUE(t.map.m_tags.empty());
  }
  {  // one entry fewer: every read stays below the mark and the map opens
    TestMap t(std::vector<unsigned char>{});
    const std::string path = WriteHighIndexMap(t.dir, 5, 0x7FFFFF8C, 2);
    t.map.OpenPath(t.tree, path);
    EXPECT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.map.m_tags.size(), 2u);
  }
}

TEST(MapOpenFailure, ANameAtOrPastHex80000000ClosesTheMapAndEmptiesTheTree) {
  const SampleMapPlan plan = FiveTags(7);
  const std::size_t namePointer = LayoutOf(plan).firstEntry + 2 * 32 + 0x10;
  {
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    PutLe32(bytes, namePointer, 0x80000000u + plan.magic);
    TestMap t(bytes);
    EXPECT_EQ(OpenError(t), "Seek failed on an unnamed file");
    ExpectClosedWithEmptyTree(t);
    EXPECT_TRUE(t.map.m_tags.empty());

    // The same model then opens a good map with one set of groups.
    WriteBytesToFile(t.path, WriteSampleMap(plan));
    t.Open();
    EXPECT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.tree.Children(kTreeRoot).size(), 80u);
  }
  {  // 0x7FFFFFFF itself can be sought to: the name lies past the end and is empty
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    PutLe32(bytes, namePointer, 0x7FFFFFFFu + plan.magic);
    TestMap t(bytes);
    t.Open();
    EXPECT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.Tag(2).strNameOffset, "7fffffff");
    EXPECT_EQ(t.Tag(2).strName, "");
  }
}

TEST(MapOpenFailure, AnEmptyFileOpensAsAMapOfNothing) {
  TestMap t(std::vector<unsigned char>{});
  t.Open();
  EXPECT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_nVersion, 0);
  EXPECT_EQ(t.map.m_strFormatText, "Unknown");
  EXPECT_EQ(t.map.m_nTagCount, 0);
  EXPECT_EQ(t.map.m_strIndexOffset, "");
  EXPECT_EQ(t.map.m_strIndexMagic, "");
  EXPECT_EQ(t.map.m_strEofPosition, "");
  EXPECT_EQ(t.map.m_strMagic, "FFFFFFDC");  // 0 - 0 - 0x24
  EXPECT_EQ(t.map.m_strMapName, "");
  EXPECT_EQ(t.map.m_nEofSpaceSize, 0);
  EXPECT_EQ(t.tree.Children(kTreeRoot).size(), 80u);
}

TEST(MapOpenFailure, ANonMapFileIsReadAsItStands) {
  TestMap t(std::vector<unsigned char>(200, 'A'));
  t.Open();
  EXPECT_TRUE(t.map.m_bOpen);
  EXPECT_EQ(t.map.m_nVersion, 0x4141);
  EXPECT_EQ(t.map.m_strFormatText, "Unknown");
  EXPECT_EQ(t.map.m_strTypeText, "Unknown");
  EXPECT_EQ(t.map.m_strIndexOffset, "41414141");
  EXPECT_EQ(t.map.m_strIndexMagic, "");  // the index header lies past the end
  EXPECT_EQ(t.map.m_nTagCount, 0);
  EXPECT_EQ(t.map.m_strMagic, "BEBEBE9B");  // 0 - 0x41414141 - 0x24
  EXPECT_EQ(t.map.m_strMapName, std::string(32, 'A'));
  EXPECT_EQ(t.map.m_strNickname, "Unknown");
  EXPECT_EQ(t.tree.BackgroundColor(), 0xBBBBBBu);
}

TEST(MapOpenFailure, ATruncatedFileReadsZerosWhereItsBytesAreMissing) {
  const SampleMapPlan plan = FiveTags(7);
  const SampleLayout layout = LayoutOf(plan);
  {  // cut inside the names: the cut name is short, later ones empty
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    bytes.resize(layout.nameOffsets[2] + 3);
    TestMap t(bytes);
    t.Open();
    ASSERT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.Tag(1).strName, "weapons\\pistol\\pistol");
    EXPECT_EQ(t.Tag(2).strName, "lev");
    EXPECT_EQ(t.Tag(3).strName, "");
    EXPECT_EQ(t.Tag(4).strClass1, "weap");
  }
  {  // cut inside the index, PC magic: missing pointers are 0, 0 - magic is past 2 GiB
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    bytes.resize(layout.firstEntry + 2 * 32 + 5);
    TestMap t(bytes);
    EXPECT_EQ(OpenError(t), "Seek failed on an unnamed file");
    ExpectClosedWithEmptyTree(t);
  }
  {  // the same cut with the Xbox magic: the missing entries read as zeros
    const SampleMapPlan xbox = FiveTags(5);
    const SampleLayout xl = LayoutOf(xbox);
    std::vector<unsigned char> bytes = WriteSampleMap(xbox);
    bytes.resize(xl.firstEntry + 2 * 32 + 5);
    TestMap t(bytes);
    t.Open();
    ASSERT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.Tag(1).strClass1, "weap");
    EXPECT_EQ(t.Tag(3).strClass1, "");
    EXPECT_EQ(t.Tag(3).strIdentifier, "00000000");
    EXPECT_EQ(t.Tag(3).strMetaOffset, "7fc5a000");  // 0 - 0x803A6000
    EXPECT_EQ(t.Tag(3).strName, "");
  }
}

TEST(MapOpenFailure, NoValueOfAnEarlierMapLeaksIntoTheNextOne) {
  const SampleMapPlan plan = FiveTags(5);
  TestMap t(plan);
  t.Open();
  ASSERT_EQ(t.Tag(2).strName, "levels\\test\\bsp");
  t.map.Close(t.tree);
  // The same file, cut right after its entries: the names are gone.
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  bytes.resize(LayoutOf(plan).nameOffsets[0]);
  WriteBytesToFile(t.path, bytes);
  t.Open();
  ASSERT_TRUE(t.map.m_bOpen);
  for (int n = 0; n < 5; ++n) EXPECT_EQ(t.Tag(n).strName, "") << n;
  EXPECT_EQ(t.Tag(2).strClass1, "sbsp");
}

TEST(MapOpenFailure, ACountOf65535WithTheIndexRunningPastTheEndReadsZeros) {
  for (const std::uint16_t version : {5, 7}) {
    SCOPED_TRACE(version);
    SampleMapPlan plan = FiveTags(version);
    plan.tags.clear();
    std::vector<unsigned char> bytes = WriteSampleMap(plan);
    PutLe16(bytes, plan.indexOffset + 0x0C, 65535);
    TestMap t(bytes);
    if (version == 7) {
      // Missing pointers are 0, and 0 minus the PC magic lies past 2 GiB.
      EXPECT_EQ(OpenError(t), "Seek failed on an unnamed file");
      ExpectClosedWithEmptyTree(t);
      continue;
    }
    t.Open();
    ASSERT_TRUE(t.map.m_bOpen);
    EXPECT_EQ(t.map.m_nTagCount, 65535);
    ASSERT_EQ(t.map.m_tags.size(), 65535u);
    const TagEntry& last = t.Tag(65534);
    EXPECT_EQ(last.strClass1, "");
    EXPECT_EQ(last.strIdentifier, "00000000");
    EXPECT_EQ(last.strNameOffset, "7fc5a000");
    EXPECT_EQ(last.strName, "");
    EXPECT_EQ(last.nSize, 0u);
    EXPECT_EQ(last.strEntryOffset, UIntToHex(0x824 + 32 * 65534));
    // All of them sit in one group for the empty class, after the 80 rows.
    const auto& groups = t.tree.Children(kTreeRoot);
    ASSERT_EQ(groups.size(), 81u);
    EXPECT_EQ(t.tree.Children(groups[80]).size(), 65535u);
  }
}

// Random bytes with a few header fields steered to plausible values: every file
// either opens with as many records as it declares or fails with "Seek failed";
// nothing crashes and the model never holds more than the declared count.
TEST(MapOpenFailure, RandomFilesOpenOrFailCleanly) {
  std::mt19937 rng(20240611);
  testing::TempDir dir;
  const std::string path = dir.File("random.map");
  int opened = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<unsigned char> bytes(rng() % 6000);
    for (auto& b : bytes) b = static_cast<unsigned char>(rng());
    if (bytes.size() >= 0x64 && rng() % 4 != 0) {
      const std::uint16_t versions[] = {5, 7, 609, 6};
      PutLe16(bytes, 0x04, versions[rng() % 4]);
      const std::uint32_t index = static_cast<std::uint32_t>(rng() % bytes.size());
      PutLe32(bytes, 0x10, index);
      if (index + 0x0E <= bytes.size()) {
        PutLe16(bytes, index + 0x0C, static_cast<std::uint16_t>(round % 50 == 0 ? 65535 : rng() % 300));
        // An index magic near the index keeps the magic small, so pointers land in the file.
        if (rng() % 2) PutLe32(bytes, index, index + static_cast<std::uint32_t>(rng() % 0x100));
      }
    }
    WriteBytesToFile(path, bytes);
    MemoryTreeView tree;
    CMapFile map;
    try {
      map.OpenPath(tree, path);
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), FileError::Cause::BadSeek) << e.what();
      EXPECT_FALSE(map.m_bOpen);
      EXPECT_EQ(tree.Size(), 0u);
      continue;
    }
    ++opened;
    ASSERT_TRUE(map.m_bOpen);
    ASSERT_EQ(map.m_tags.size(), map.m_nTagCount);
    EXPECT_GE(tree.Children(kTreeRoot).size(), 80u);
    for (const TagEntry& r : map.m_tags) {
      EXPECT_LE(r.strClass1.size(), 4u);
      EXPECT_LE(r.strName.size(), 1995u);
      EXPECT_EQ(r.strIdentifier.size(), 8u);
      EXPECT_NE(r.hTreeItem, kTreeRoot);
    }
  }
  EXPECT_GT(opened, 20);  // the steering works: plenty of files get as far as their entries
}

}  // namespace
}  // namespace jov
