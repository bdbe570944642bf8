// Direct injection from one map file into another (or into the same file).
#include <gtest/gtest.h>

#include <random>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "support/ChangedBytes.h"
#include "support/LiteralTransfer.h"
#include "support/RecordedDialogs.h"
#include "support/ReferencePlan.h"
#include "support/TestMap.h"
#include "transfer/DirectInjectTag.h"

namespace jov {
namespace {

using testing::ChangeOutside;
using testing::RecordedDialogs;
using testing::MapWithOversizedTags;
using testing::TestMap;

std::vector<unsigned char> Bytes(const std::string& hex) {
  std::vector<unsigned char> bytes((hex.size() + 1) / 2);
  HexToBytes(hex, bytes.data());
  return bytes;
}

std::vector<unsigned char> At(const std::vector<unsigned char>& file, std::size_t at, std::size_t n) {
  std::vector<unsigned char> out(n, 0);
  for (std::size_t i = 0; i < n && at + i < file.size(); ++i) out[i] = file[at + i];
  return out;
}

// Two maps of one layout, their metadata written from the same plans: the
// destination numbers its tags alike but shifted by one (so a destination
// identifier is another source tag's identifier), has another magic, and files
// tag 7 under another class, so it lacks the source's tag 7.
struct SameLayoutPair {
  static constexpr std::size_t kLacking = 7;

  SameLayoutPair() {
    const SampleMapPlan base = GenerateSampleMap(kVersionPc, 24, 77, 320);
    std::mt19937 rng(78);
    for (const SampleTag& tag : base.tags)
      plans.push_back(testing::MakePlan(rng, static_cast<std::uint32_t>(tag.meta.size()), static_cast<std::uint32_t>(base.tags.size())));
    source = base;
    destination = base;
    destination.magic = 0x50120000;
    for (std::size_t t = 0; t < base.tags.size(); ++t)
      destination.tags[t].identifier = base.tags[(t + 1) % base.tags.size()].identifier;
    destination.tags[kLacking].class1 = base.tags[kLacking].class1 == "ustr" ? "str#" : "ustr";
    // What the destination's metadata must read after injection: its own
    // identifiers and addresses, except for the tag it lacks.
    SampleMapPlan lacking = destination;
    lacking.tags[kLacking].class1 = source.tags[kLacking].class1;
    lacking.tags[kLacking].identifier = source.tags[kLacking].identifier;
    for (std::size_t t = 0; t < base.tags.size(); ++t) {
      testing::RenderPlan(source, t, plans[t]);
      testing::RenderPlan(destination, t, plans[t]);
      testing::RenderPlan(lacking, t, plans[t]);
    }
    expected = destination;
    for (std::size_t t = 0; t < base.tags.size(); ++t)
      if (HasExtent(t)) expected.tags[t].meta = lacking.tags[t].meta;
  }

  // The reader gives the "sbsp" tag and the last tag no extent: nothing is injected there.
  bool HasExtent(std::size_t t) const { return source.tags[t].class1 != "sbsp" && t + 1 < source.tags.size(); }

  std::vector<std::vector<testing::PlannedRecord>> plans;
  SampleMapPlan source, destination;
  SampleMapPlan expected;  // the destination, its tags as direct injection must leave them
};

TEST(DirectInjectTag, SameLayoutGivesTheDestinationsIdentifiersAndAddresses) {
  SameLayoutPair pair;
  SampleMapPlan blank = pair.destination;  // the destination with every extent zeroed
  for (std::size_t t = 0; t < blank.tags.size(); ++t)
    if (pair.HasExtent(t)) std::fill(blank.tags[t].meta.begin(), blank.tags[t].meta.end(), 0);
  TestMap source(pair.source, "source.map");
  TestMap destination(blank, "destination.map");
  source.Open();
  destination.Open();

  int literalWouldDiffer = 0;
  for (int t = 0; t < source.map.m_nTagCount; ++t) {
    RecordedDialogs dialogs;
    EXPECT_EQ(DirectInjectTag(destination.map, t, source.map, t, dialogs), DirectInjectOutcome::Completed);
    EXPECT_TRUE(dialogs.questions.empty());  // equal sizes: no question
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Direct injection complete."});
    const std::string text = ReadMetaHex(source.map, t);
    if (reference::LiteralTranslation(text, source.map, t, destination.map, t) != ReadMetaHex(destination.map, t))
      ++literalWouldDiffer;
  }
  // Injection leaves the header alone: the CRC32 stays the one the blank destination had.
  std::vector<unsigned char> expected = WriteSampleMap(pair.expected);
  const std::vector<unsigned char> blankBytes = WriteSampleMap(blank);
  std::copy(blankBytes.begin() + 0x64, blankBytes.begin() + 0x68, expected.begin() + 0x64);
  EXPECT_EQ(ReadBytesFromFile(destination.path), expected);
  // Letting later searches see earlier replacements would have translated
  // identifiers twice in these tags.
  EXPECT_GT(literalWouldDiffer, 3);
}

class DirectInjectSizes : public ::testing::Test {
 protected:
  DirectInjectSizes() : source(GenerateSampleMap(kVersionXbox, 12, 40), "s.map"), destination(DestinationPlan(), "d.map") {
    source.Open();
    destination.Open();
  }

  static SampleMapPlan DestinationPlan() {
    SampleMapPlan plan = GenerateSampleMap(kVersionPc, 12, 41);
    for (std::size_t t = 0; t < plan.tags.size(); ++t) plan.tags[t].identifier = 0xC0000000u + static_cast<std::uint32_t>(t);
    return plan;
  }

  // The source tag's metadata as direct injection must write it.
  std::vector<unsigned char> Translated(int s, int d) {
    return Bytes(reference::StepStartTranslation(ReadMetaHex(source.map, s), source.map, s, destination.map, d));
  }

  // A source tag smaller, and one larger, than destination tag d.
  std::pair<int, int> SmallerAndLarger(int d) {
    int smaller = -1, larger = -1;
    for (int s = 0; s < source.map.m_nTagCount; ++s) {
      if (source.Tag(s).nSize > 0 && source.Tag(s).nSize < destination.Tag(d).nSize) smaller = s;
      if (source.Tag(s).nSize > destination.Tag(d).nSize) larger = s;
    }
    return {smaller, larger};
  }

  TestMap source;
  TestMap destination;
};

TEST_F(DirectInjectSizes, ASmallerSourceIsFollowedByZerosToTheDestinationsSize) {
  const int d = 5;
  const int s = SmallerAndLarger(d).first;
  ASSERT_GE(s, 0);
  const auto before = ReadBytesFromFile(destination.path);
  const auto expected = Translated(s, d);
  RecordedDialogs dialogs;
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, dialogs), DirectInjectOutcome::Completed);
  EXPECT_TRUE(dialogs.questions.empty());
  const auto after = ReadBytesFromFile(destination.path);
  const std::size_t at = destination.map.MetaOffset(d);
  std::vector<unsigned char> extent = expected;
  extent.resize(destination.Tag(d).nSize, 0);
  EXPECT_EQ(At(after, at, destination.Tag(d).nSize), extent);
  EXPECT_EQ(ChangeOutside(before, after, at, destination.Tag(d).nSize), std::nullopt);
}

TEST_F(DirectInjectSizes, ALargerSourceAsksFirstNoChangesNothingYesWritesTheSourcesSize) {
  const int d = 6;
  const int s = SmallerAndLarger(d).second;
  ASSERT_GE(s, 0);
  const auto before = ReadBytesFromFile(destination.path);
  RecordedDialogs no;
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, no), DirectInjectOutcome::Declined);
  EXPECT_EQ(no.questions, std::vector<std::string>{
                              "Not enough space to inject, unless you are building a map, injection is not advised. Inject?"});
  EXPECT_TRUE(no.messages.empty());
  EXPECT_EQ(ReadBytesFromFile(destination.path), before);

  const auto expected = Translated(s, d);
  RecordedDialogs yes;
  yes.yesAnswer = true;
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, yes), DirectInjectOutcome::Completed);
  EXPECT_EQ(yes.messages, std::vector<std::string>{"Direct injection complete."});
  const auto after = ReadBytesFromFile(destination.path);
  const std::size_t at = destination.map.MetaOffset(d);
  EXPECT_EQ(At(after, at, source.Tag(s).nSize), expected);
  EXPECT_EQ(ChangeOutside(before, after, at, source.Tag(s).nSize), std::nullopt);
}

TEST_F(DirectInjectSizes, ADestinationOfSizeZeroAlwaysAsks) {
  for (const int d : {1, 11}) {  // the "sbsp" tag and the last tag
    ASSERT_EQ(destination.Tag(d).nSize, 0u);
    const auto before = ReadBytesFromFile(destination.path);
    RecordedDialogs yes;
    yes.yesAnswer = true;
    EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, 2, yes), DirectInjectOutcome::Completed);
    EXPECT_EQ(yes.questions.size(), 1u);
    const auto after = ReadBytesFromFile(destination.path);
    const std::size_t at = destination.map.MetaOffset(d);
    EXPECT_EQ(At(after, at, source.Tag(2).nSize), Translated(2, d));
    EXPECT_EQ(ChangeOutside(before, after, at, source.Tag(2).nSize), std::nullopt);
  }
  RecordedDialogs empty;  // an empty source into an empty destination: equal sizes, no question
  EXPECT_EQ(DirectInjectTag(destination.map, 1, source.map, 1, empty), DirectInjectOutcome::Completed);
  EXPECT_TRUE(empty.questions.empty());
}

TEST(DirectInjectTag, TheSameFileInBothMapsStaysCoherent) {
  TestMap t(GenerateSampleMap(kVersionCe, 10, 90));
  t.Open();
  MemoryTreeView otherTree;
  CMapFile other;  // the same file in the other panel
  other.OpenPath(otherTree, t.path);
  int s = 2;
  int d = 3;
  if (t.Tag(s).nSize > t.Tag(d).nSize) std::swap(s, d);
  const auto before = ReadBytesFromFile(t.path);
  const std::string expected = reference::StepStartTranslation(ReadMetaHex(other, s), other, s, t.map, d);
  RecordedDialogs dialogs;
  EXPECT_EQ(DirectInjectTag(t.map, d, other, s, dialogs), DirectInjectOutcome::Completed);
  std::string extent = expected;
  extent.resize(2 * t.Tag(d).nSize, '0');
  EXPECT_EQ(ReadMetaHex(t.map, d), extent);
  EXPECT_EQ(ReadMetaHex(other, d), extent);  // the source's model reads the new bytes too
  EXPECT_EQ(ChangeOutside(before, ReadBytesFromFile(t.path), t.map.MetaOffset(d), t.Tag(d).nSize), std::nullopt);
}

TEST(DirectInjectTag, APointerIsMovedOnceWhenTheSameMapsRangesOverlap) {
  // The same map in both panels, its index edited so that tag 4's metadata starts
  // 16 bytes into tag 2's: byte k's new address is the old address of byte k + 16.
  SampleMapPlan plan = GenerateSampleMap(kVersionPc, 8, 52);
  const SampleLayout layout = LayoutOf(plan);
  const std::uint32_t base = layout.metaOffsets[2] + plan.magic;
  PutLe32(plan.tags[2].meta, 8, base);        // points at byte 0
  PutLe32(plan.tags[2].meta, 24, base + 40);  // points at byte 40
  auto bytes = WriteSampleMap(plan);
  PutLe32(bytes, layout.firstEntry + 32 * 4 + 0x14, base + 16);
  TestMap t(bytes);
  t.Open();
  MemoryTreeView otherTree;
  CMapFile other;
  other.OpenPath(otherTree, t.path);
  ASSERT_GE(t.Tag(4).nSize, t.Tag(2).nSize);

  const std::string source = ReadMetaHex(other, 2);
  const std::string expected = reference::StepStartTranslation(source, other, 2, t.map, 4);
  // Searching the current text for each later k would move it on and on.
  EXPECT_NE(reference::LiteralTranslation(source, other, 2, t.map, 4).substr(16, 8), SwapHexBytes(UIntToHex(base + 16)));
  RecordedDialogs dialogs;
  EXPECT_EQ(DirectInjectTag(t.map, 4, other, 2, dialogs), DirectInjectOutcome::Completed);
  const std::string written = ReadMetaHex(t.map, 4);
  EXPECT_EQ(written.substr(0, expected.size()), expected);
  EXPECT_EQ(written.substr(16, 8), SwapHexBytes(UIntToHex(base + 16)));
  EXPECT_EQ(written.substr(48, 8), SwapHexBytes(UIntToHex(base + 56)));
  EXPECT_EQ(ChangeOutside(bytes, ReadBytesFromFile(t.path), t.map.MetaOffset(4), t.Tag(4).nSize), std::nullopt);
}

TEST(DirectInjectTag, SizesAboveTheBufferAreRefusedBeforeAnyQuestion) {
  const auto bytes = MapWithOversizedTags(kVersionPc, 8, 66);
  TestMap t(bytes);
  t.Open();
  ASSERT_EQ(t.Tag(2).nSize, 1000001u);
  ASSERT_LT(static_cast<std::int32_t>(t.Tag(3).nSize), 0);
  const int small = 4;

  struct Case {
    int d, s;
    const char* text;
  };
  for (const Case c : {Case{small, 2, kSourceTagTooLarge}, Case{small, 3, kSourceTagTooLarge},
                       Case{2, small, kDestinationTagTooLarge}}) {
    RecordedDialogs dialogs;
    dialogs.yesAnswer = true;
    try {
      DirectInjectTag(t.map, c.d, t.map, c.s, dialogs);
      ADD_FAILURE() << "not refused: d " << c.d << " s " << c.s;
    } catch (const Refused& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(ReadBytesFromFile(t.path), bytes);
  }

  // A destination whose size reads negative is smaller than any source: the
  // question is asked, and Yes writes the source's size at its start.
  RecordedDialogs yes;
  yes.yesAnswer = true;
  EXPECT_EQ(DirectInjectTag(t.map, 3, t.map, small, yes), DirectInjectOutcome::Completed);
  EXPECT_EQ(yes.questions.size(), 1u);
  EXPECT_EQ(ChangeOutside(bytes, ReadBytesFromFile(t.path), t.map.MetaOffset(3), t.Tag(small).nSize), std::nullopt);
}

}  // namespace
}  // namespace jov
