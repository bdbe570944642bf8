// "Update Item" per kind: the whole map file is compared before and after each
// edit, so no byte outside the intended piece may change.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "map/Refused.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanSelectResult.h"
#include "scanner/ScanTagList.h"
#include "scanner/ScanUpdateItem.h"
#include "scanner/ScannerPanel.h"
#include "support/ScanMap.h"

namespace jov {
namespace {

using testing::MakeTag;
using testing::ScanMap;
using Bytes = std::vector<unsigned char>;

class RecordingDialogs : public UserDialogs {
 public:
  std::vector<std::string> messages;
  std::optional<std::string> PickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> PickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string&) override { return false; }
  void ShowFileError(const std::string& text) override { messages.push_back(text); }
  void ShowValueError(const std::string& text) override { messages.push_back(text); }
};

// Tag 0 holds, at known bytes: a weap dependency on tag 1 (0), an scex one on
// tag 2 (16), an unknown dependency (32), a lone identifier (52), a reflexive
// with count 300 (56, pointer at 60), a float (64), a short 3 straddling bytes
// 68 and 69 (A0 3B: character 137), a short 3 at byte 72, and near the end a
// dependency whose identifier falls outside (84) and a short in the last byte.
SampleMapPlan EditMap() {
  SampleMapPlan plan;
  Bytes meta(96, 0x55);
  PutClassCode(meta, 0, "weap");
  PutLe32(meta, 12, 0xE1750001u);
  PutClassCode(meta, 16, "scex");
  PutLe32(meta, 28, 0xE1760002u);
  PutClassCode(meta, 32, "snd!");
  PutLe32(meta, 44, 0xDEADBEEFu);
  PutLe32(meta, 52, 0xE1750001u);
  PutLe32(meta, 56, 300);
  PutLe32(meta, 64, FloatBits(1.5f));
  meta[68] = 0xA0;
  meta[69] = 0x3B;
  meta[70] = 0x13;
  meta[72] = 0x03;
  PutClassCode(meta, 84, "bitm");
  meta[95] = 0x02;
  plan.tags = {MakeTag("weap", "weapons\\pistol", 0xE1740000u, meta), MakeTag("weap", "weapons\\rifle", 0xE1750001u),
               MakeTag("scex", "shaders\\glass", 0xE1760002u), MakeTag("sbsp", "levels\\bsp", 0xE1770003u),
               MakeTag("ustr", "last", 0xE1780004u)};
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[0].meta, 60, layout.metaOffsets[0] + plan.magic + 0x10);
  return plan;
}

struct Fixture {
  ScanMap m{EditMap()};
  RecordingDialogs dialogs;
  Bytes before = m.FileBytes();

  ScanItem At(char kind, std::int32_t pos) {
    ScanOptions all;
    all.bShorts = all.bFloats = true;
    all.fStep = 0.5f;
    for (const ScanItem& item : ScanMetadata(m.map, 0, all).items)
      if (item.chKind == kind && item.nPos == pos) return item;
    throw std::runtime_error("no such result");
  }
  ScanBoxes Shown(const ScanItem& item) { return ScanSelectResult(m.map, item, {"", "", 0.01f}); }
  ScanBoxes Update(const ScanItem& item, const ScanBoxes& boxes) {
    return ScanUpdateItem(m.map, 0, item, boxes, dialogs);
  }

  // Every byte of the file equals its old value except those given (offsets
  // inside tag 0's metadata).
  void ExpectOnly(const std::map<std::size_t, unsigned char>& changes) {
    Bytes expected = before;
    for (const auto& [at, value] : changes) expected.at(m.MetaOffset(0) + at) = value;
    const Bytes after = m.FileBytes();
    ASSERT_EQ(after.size(), expected.size());
    for (std::size_t i = 0; i < after.size(); ++i)
      ASSERT_EQ(after[i], expected[i]) << "file byte " << i << " (meta byte " << static_cast<long>(i) - static_cast<long>(m.MetaOffset(0)) << ")";
  }
};

TEST(ScanUpdateItem, UnchangedDependenciesAndLoneIdsRewriteTheSameBytes) {
  Fixture f;
  for (const auto& [kind, pos] : std::vector<std::pair<char, int>>{{'d', 0}, {'d', 32}, {'u', 64}, {'l', 104}}) {
    const ScanItem item = f.At(kind, pos);
    const ScanBoxes after = f.Update(item, f.Shown(item));
    f.ExpectOnly({});
    if (kind != 'l') {
      EXPECT_EQ(after.strClassChoice, SwapHexBytes(TextToHex(item.strClass)));
    }
  }
  // The scex dependency is found (x is a letter like any other) and names tag 2.
  EXPECT_EQ(f.At('d', 32).nTagIndex, 2);
  EXPECT_EQ(f.Shown(f.At('u', 64)).strTagChoice, "???? -- Unknown Dependency");
  EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(ScanUpdateItem, ADependencyTakesTheChosenClassAndTagOrIsNulledOut) {
  Fixture f;
  ScanBoxes boxes{"scex -- shaders\\glass", "scex", 0.0f};
  const ScanBoxes after = f.Update(f.At('d', 0), boxes);
  EXPECT_EQ(after.strTagChoice, "shaders\\glass");
  EXPECT_EQ(after.strClassChoice, "78656373");
  f.ExpectOnly({{0, 'x'}, {1, 'e'}, {2, 'c'}, {3, 's'}, {12, 0x02}, {14, 0x76}});

  f.Update(f.At('d', 0), {NulledOutLine(), "scex", 0.0f});
  f.ExpectOnly({{0, 'x'}, {1, 'e'}, {2, 'c'}, {3, 's'}, {12, 0xFF}, {13, 0xFF}, {14, 0xFF}, {15, 0xFF}});
  EXPECT_EQ(f.At('n', 0).strLabel, "Dependency -- 0x00000000 -- scex -- Nulled Out");

  // A line naming no tag: the class is written, the identifier stays.
  f.before = f.m.FileBytes();
  f.Update(f.At('n', 0), {"weap -- no such tag", "bitm", 0.0f});
  f.ExpectOnly({{0, 'm'}, {1, 't'}, {2, 'i'}, {3, 'b'}});
}

TEST(ScanUpdateItem, ALoneIdentifierTakesTheChosenTag) {
  Fixture f;
  const ScanBoxes after = f.Update(f.At('l', 104), {"ustr -- last", "ignored", 0.0f});
  EXPECT_EQ(after.strTagChoice, "last");
  EXPECT_EQ(after.strClassChoice, "ignored");
  f.ExpectOnly({{52, 0x04}, {53, 0x00}, {54, 0x78}, {55, 0xE1}});
  f.Update(f.At('l', 104), {NulledOutLine(), "", 0.0f});
  f.ExpectOnly({{52, 0xFF}, {53, 0xFF}, {54, 0xFF}, {55, 0xFF}});
}

TEST(ScanUpdateItem, AReflexiveTakesItsTargetAndTheCountsTwoLowBytes) {
  Fixture f;
  const ScanItem item = f.At('r', 120);
  EXPECT_EQ(item.nChunkCount, 44);  // 300 listed by its lowest byte
  const std::uint32_t base = f.m.Base(0);
  auto pointerBytes = [&](std::uint32_t target) {
    const std::uint32_t p = base + target;
    return std::map<std::size_t, unsigned char>{{60, p & 0xFF}, {61, (p >> 8) & 0xFF}, {62, (p >> 16) & 0xFF},
                                                {63, p >> 24}};
  };
  auto with = [](std::map<std::size_t, unsigned char> a, const std::map<std::size_t, unsigned char>& b) {
    a.insert(b.begin(), b.end());
    return a;
  };

  ScanBoxes after = f.Update(item, {"", "10", 300.0f});  // 300 goes back whole
  EXPECT_EQ(after.strTagChoice, "2c01");
  f.ExpectOnly({});
  f.Update(item, {"", "0", 5.0f});  // a target of 0 addresses the tag's first byte
  f.ExpectOnly(with(pointerBytes(0), {{56, 0x05}, {57, 0x00}}));
  f.Update(item, {"", "1c", 65535.0f});
  f.ExpectOnly(with(pointerBytes(0x1C), {{56, 0xFF}, {57, 0xFF}}));
  EXPECT_TRUE(f.dialogs.messages.empty());

  f.before = f.m.FileBytes();
  after = f.Update(item, {"", "20", 65536.0f});  // the count does not fit: only the pointer
  EXPECT_EQ(f.dialogs.messages, std::vector<std::string>{kChunkCountWrongSize});
  f.ExpectOnly(pointerBytes(0x20));
  f.Update(item, {"", "20", -1.0f});
  EXPECT_EQ(f.dialogs.messages.size(), 2u);
  f.ExpectOnly(pointerBytes(0x20));
  f.Update(item, {"", "20", NAN});
  EXPECT_EQ(f.dialogs.messages.size(), 3u);
  f.ExpectOnly(pointerBytes(0x20));
  EXPECT_EQ(after.strClassChoice, SwapHexBytes(UIntToHex(base + 0x20)));
}

TEST(ScanUpdateItem, FloatsAndShortsAreWrittenInFileByteOrder) {
  Fixture f;
  const ScanItem item = f.At('f', 128);
  EXPECT_EQ(f.Update(item, {"", "", 0.0f}).strClassChoice, "00000000");
  f.ExpectOnly({{64, 0}, {65, 0}, {66, 0}, {67, 0}});
  f.Update(item, {"", "", 2.5f});
  f.ExpectOnly({{64, 0x00}, {65, 0x00}, {66, 0x20}, {67, 0x40}});
}

TEST(ScanUpdateItem, ShortsAreTwoBytesWrittenWhereTheyWereFoundOddPositionsIncluded) {
  Fixture f;
  const ScanItem aligned = f.At('s', 144);
  EXPECT_EQ(f.Update(aligned, {"", "", 7.0f}).strClassChoice, "0700");
  f.ExpectOnly({{72, 0x07}, {73, 0x00}});
  f.Update(aligned, {"", "", 258.9f});  // the fraction is dropped
  f.ExpectOnly({{72, 0x02}, {73, 0x01}});
  // "a0 3b 13" holds 03 at character 137: "a0|7|0 0|3" puts the new bytes across
  // the old byte boundaries.
  Fixture g;
  const ScanItem odd = g.At('s', 137);
  EXPECT_EQ(odd.strLabel, "Short -- 0x00000044 -- 3");
  g.Update(odd, {"", "", 7.0f});
  g.ExpectOnly({{69, 0x70}, {70, 0x03}});
}

TEST(ScanUpdateItem, PiecesThatWouldFallOutsideTheMetadataAreRefused) {
  Fixture f;
  auto expectRefused = [&](const ScanItem& item, const ScanBoxes& boxes, const char* text) {
    try {
      f.Update(item, boxes);
      ADD_FAILURE() << "not refused: " << item.strLabel;
    } catch (const Refused& e) {
      EXPECT_STREQ(e.what(), text) << item.strLabel;
    }
    f.ExpectOnly({});
  };
  const ScanItem nearEnd = f.At('u', 168);  // byte 84: the identifier would be at 96
  expectRefused(nearEnd, f.Shown(nearEnd), kPieceOutsideMetadata);
  expectRefused(f.At('s', 190), {"", "", 1.0f}, kPieceOutsideMetadata);  // the last byte
  ScanItem early = f.At('r', 120);
  early.nPos = 6;  // a pointer within the first 4 bytes: its count would lie before the start
  expectRefused(early, {"", "0", 1.0f}, kPieceOutsideMetadata);
  ScanItem stale = f.At('f', 128);
  stale.nPos = 190;
  expectRefused(stale, {"", "", 1.0f}, kPieceOutsideMetadata);
  expectRefused(f.At('s', 144), {"", "", 65536.0f}, kShortOutOfRange);
  expectRefused(f.At('s', 144), {"", "", -1.0f}, kShortOutOfRange);
  expectRefused(f.At('d', 0), {"weap -- weapons\\rifle", "weapon", 0.0f}, kClassCodeLength);
  expectRefused(f.At('d', 0), {"weap -- weapons\\rifle", "", 0.0f}, kClassCodeLength);
  EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(ScanUpdateItem, NothingSelectedRewritesTheMetadataUnchangedEvenForAnEmptyTag) {
  Fixture f;
  EXPECT_EQ(f.Update(ScanItem(), {"a", "b", 1.0f}), (ScanBoxes{"a", "b", 1.0f}));
  f.ExpectOnly({});
  ScanUpdateItem(f.m.map, 3, ScanItem(), {}, f.dialogs);  // sbsp: size 0, a write of 0 bytes
  f.ExpectOnly({});
  ScanItem onEmpty = f.At('f', 128);
  EXPECT_THROW(ScanUpdateItem(f.m.map, 3, onEmpty, {"", "", 1.0f}, f.dialogs), Refused);
  f.m.map.m_tags[0].nSize = kMetaBufferSize + 1;
  EXPECT_THROW(f.Update(onEmpty, {"", "", 1.0f}), Refused);
  f.ExpectOnly({});
}

TEST(ScanUpdateItem, ThePanelRescansAfterwardsAndForgetsTheItemWhenTheTagChanges) {
  Fixture f;
  ScannerPanel panel(1);
  const ScanResult& r = panel.Scan(f.m.map, 0, 0.01f);
  std::size_t record = r.items.size();
  for (std::size_t n = 0; n < r.items.size(); ++n)
    if (r.items[n].chKind == 'd' && r.items[n].nPos == 0) record = n;
  ASSERT_LT(record, r.items.size());
  ScanBoxes boxes = panel.Select(f.m.map, record, {"", "", 0.01f});
  boxes.strTagChoice = NulledOutLine();
  panel.Update(f.m.map, 0, boxes, f.dialogs);
  bool nulled = false;
  for (const ScanItem& item : panel.Results().items)
    nulled |= item.strLabel == "Dependency -- 0x00000000 -- weap -- Nulled Out";
  EXPECT_TRUE(nulled);

  // Another tag selected: the old result is not put into it.
  panel.TagChanged();
  f.before = f.m.FileBytes();
  panel.Update(f.m.map, 1, boxes, f.dialogs);
  EXPECT_EQ(f.m.FileBytes(), f.before);
}

}  // namespace
}  // namespace jov
