// What selecting a result line shows in the scanner's three boxes, and the
// panel's current item.
#include <gtest/gtest.h>

#include "map/ValueText.h"
#include "scanner/ScanSelectResult.h"
#include "scanner/ScanTagList.h"
#include "scanner/ScannerPanel.h"
#include "support/ScanMap.h"

namespace jov {
namespace {

using testing::MakeTag;
using testing::ScanMap;

SampleMapPlan SelectMap() {
  SampleMapPlan plan;
  std::vector<unsigned char> meta(64, 0x77);
  PutClassCode(meta, 0, "weap");
  PutLe32(meta, 12, 0xE1740000u);  // tag 0 itself
  PutClassCode(meta, 16, "bitm");
  PutLe32(meta, 28, 0xFFFFFFFFu);
  PutClassCode(meta, 32, "snd!");
  PutLe32(meta, 44, 0x0BADF00Du);
  PutLe32(meta, 48, 0xE1750001u);  // lone identifier of tag 1
  PutLe32(meta, 52, 7);
  PutLe32(meta, 60, FloatBits(0.75f));
  plan.tags = {MakeTag("weap", "weapons\\pistol", 0xE1740000u, meta), MakeTag("bitm", "rock", 0xE1750001u),
               MakeTag("ustr", "last", 0xE1760002u)};
  const SampleLayout layout = LayoutOf(plan);
  PutLe32(plan.tags[0].meta, 56, layout.metaOffsets[0] + plan.magic + 28);
  return plan;
}

const ScanItem& FirstOfKind(const ScanResult& result, char kind) {
  for (const ScanItem& item : result.items)
    if (item.chKind == kind) return item;
  throw std::runtime_error(std::string("no result of kind ") + kind);
}

TEST(ScanSelect, EachKindFillsTheBoxesFromItsRecord) {
  ScanMap m(SelectMap());
  ScanOptions all;
  all.bShorts = all.bFloats = true;
  all.fStep = 0.25f;
  const ScanResult r = ScanMetadata(m.map, 0, all);
  const ScanBoxes before{"typed", "text", 3.5f};

  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'd'), before),
            (ScanBoxes{"weap -- weapons\\pistol", "weap", 0.0f}));  // tag index 0 shows 0
  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'n'), before),
            (ScanBoxes{std::string(4, '\xFF') + " -- Nulled Out", "bitm", 0.0f}));
  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'u'), before),
            (ScanBoxes{"???? -- Unknown Dependency", "snd!", 0.0f}));
  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'l'), before), (ScanBoxes{"bitm -- rock", "", 1.0f}));
  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'r'), before), (ScanBoxes{"", "1c", 7.0f}));
  EXPECT_EQ(ScanSelectResult(m.map, FirstOfKind(r, 'f'), before), (ScanBoxes{"", "", 0.75f}));
  ScanItem shortItem = FirstOfKind(r, 's');
  EXPECT_EQ(ScanSelectResult(m.map, shortItem, before), (ScanBoxes{"", "", static_cast<float>(shortItem.nShort)}));
  EXPECT_EQ(ScanSelectResult(m.map, ScanItem(), before), before);  // no kind: boxes stay
}

TEST(ScanSelect, TheNulledOutLineIsTheTagListsLastLine) {
  ScanMap m(SelectMap());
  const std::vector<std::string> lines = FillTagList(m.map);
  EXPECT_EQ(lines, (std::vector<std::string>{"weap -- weapons\\pistol", "bitm -- rock", "ustr -- last",
                                             "\xFF\xFF\xFF\xFF -- Nulled Out"}));
  EXPECT_EQ(lines.back(), NulledOutLine());
}

TEST(ScanSelect, ThePanelKeepsEachLinesRecordAndEmptiesTheCurrentItemOnATagChange) {
  ScanMap m(SelectMap());
  ScannerPanel panel(1);
  const ScanResult& r = panel.Scan(m.map, 0, 0.01f);
  ASSERT_GE(r.items.size(), 4u);
  const std::size_t first = r.order[0];
  const std::size_t second = r.order[1];
  const ScanBoxes shown = panel.Select(m.map, first, {});
  EXPECT_EQ(panel.Current(), r.items[first]);
  // Boxes edited, another line selected, then the first again: its own values.
  panel.Select(m.map, second, {"edited", "edited", 99.0f});
  EXPECT_EQ(panel.Select(m.map, first, {"edited", "edited", 99.0f}), shown);
  // A line that is no record of this scan leaves the current item.
  EXPECT_EQ(panel.Select(m.map, r.items.size(), shown), shown);
  EXPECT_EQ(panel.Current(), r.items[first]);

  panel.TagChanged();
  EXPECT_EQ(panel.Current().chKind, 0);
  EXPECT_TRUE(panel.Results().items.empty());
}

TEST(ScanSelect, ClearingTheTreeTurnsItBlackAndAScanColourIsOneOfThree) {
  MemoryTreeView tree;
  tree.InsertItem(kTreeRoot, "line", true);
  tree.SetBackgroundColor(kResultsRed);
  ScanClearResults(tree);
  EXPECT_EQ(tree.BackgroundColor(), kResultsBlack);
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());
  EXPECT_EQ(ResultsColor(0), 0xFF0000u);  // blue is the high byte of the colour word
  EXPECT_EQ(ResultsColor(1), 0x00FF00u);
  EXPECT_EQ(ResultsColor(2), 0x0000FFu);
}

}  // namespace
}  // namespace jov
