// Direct injection from one map file into another (or into the same file).
#include <gtest/gtest.h>

#include <algorithm>
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
    // identifiers and addresses, and references to the tag it lacks set to none.
    SampleMapPlan lacking = destination;
    lacking.tags[kLacking].class1 = source.tags[kLacking].class1;
    lacking.tags[kLacking].identifier = 0xFFFFFFFFu;
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
  DirectInjectOptions none;
  none.unresolved = UnresolvedChoice::SetToNone;
  for (int t = 0; t < source.map.m_nTagCount; ++t) {
    RecordedDialogs dialogs;
    EXPECT_EQ(DirectInjectTag(destination.map, t, source.map, t, dialogs, none), DirectInjectOutcome::Completed);
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

  // The source tag's metadata as direct injection must write it: the two maps
  // share few names, and references to the others are set to none.
  std::vector<unsigned char> Translated(int s, int d) {
    reference::detail::NoneSet nones;
    return Bytes(reference::StepStartTranslation(ReadMetaHex(source.map, s), source.map, s, destination.map, d, &nones));
  }
  static DirectInjectOptions None() {
    DirectInjectOptions options;
    options.unresolved = UnresolvedChoice::SetToNone;
    return options;
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
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, dialogs, None()), DirectInjectOutcome::Completed);
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
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, no, None()), DirectInjectOutcome::Declined);
  // The question names the bytes and every tag whose metadata lies under them.
  const DirectInjectSpace space = DirectInjectSpaceOf(destination.map, d, source.map, s);
  ASSERT_FALSE(space.overwritten.empty());
  for (const int t : space.overwritten) {
    const std::uint32_t start = destination.map.MetaOffset(t);
    EXPECT_LT(start, destination.map.MetaOffset(d) + source.Tag(s).nSize);
    EXPECT_GT(start + std::max<std::uint32_t>(destination.Tag(t).nSize, 1), destination.map.MetaOffset(d) + destination.Tag(d).nSize);
  }
  EXPECT_EQ(no.questions, std::vector<std::string>{
                              "Not enough space to inject: " + std::to_string(source.Tag(s).nSize) + " bytes of metadata into the " +
                              std::to_string(destination.Tag(d).nSize) + " bytes of " + destination.Tag(d).strClass1 + ":" +
                              destination.Tag(d).strName + ", so the " +
                              std::to_string(source.Tag(s).nSize - destination.Tag(d).nSize) +
                              " bytes past its end overwrite the metadata of " + TagListText(destination.map, space.overwritten) +
                              ". Unless you are building a map, injection is not advised. Inject?"});
  EXPECT_TRUE(no.messages.empty());
  EXPECT_EQ(ReadBytesFromFile(destination.path), before);

  const auto expected = Translated(s, d);
  RecordedDialogs yes;
  yes.yesAnswer = true;
  EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, s, yes, None()), DirectInjectOutcome::Completed);
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
    EXPECT_EQ(DirectInjectTag(destination.map, d, source.map, 2, yes, None()), DirectInjectOutcome::Completed);
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


// A question answered from a list, the first answer first (No when it runs out).
struct AnsweringDialogs : RecordedDialogs {
  std::vector<bool> answers;
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
};

// Two maps of the same tags, the destination numbering them one further (so a
// source identifier kept as it is names another, unrelated destination tag)
// and, with lacking set, renaming tags 3 and 6 (so it lacks them).
struct LackingPair {
  static constexpr int kTags = 16;
  explicit LackingPair(bool lacking) {
    source = GenerateSampleMap(kVersionPc, kTags, 2600, 256);
    std::mt19937 rng(2601);
    for (std::size_t t = 0; t < source.tags.size(); ++t) {
      plans.push_back(testing::MakePlan(rng, static_cast<std::uint32_t>(source.tags[t].meta.size()), kTags, false));
      testing::RenderPlan(source, t, plans[t]);
    }
    destination = source;
    destination.magic = 0x50120000;
    for (std::size_t t = 0; t < source.tags.size(); ++t)
      destination.tags[t].identifier = source.tags[(t + 1) % source.tags.size()].identifier;
    if (lacking)
      for (const std::uint32_t t : kLacking) destination.tags[t].name += "X";
  }
  static bool Lacks(std::uint32_t t) { return t == kLacking[0] || t == kLacking[1]; }
  // The tag with an extent whose metadata refers to both lacking tags most often.
  int Subject() const {
    int best = -1;
    int most = 1;
    for (std::size_t t = 2; t + 1 < plans.size(); ++t) {
      int refs = 0;
      bool seen[2] = {false, false};
      for (const testing::PlannedRecord& r : plans[t]) {
        if ((r.kind != testing::PlannedRecord::Kind::Dependency && r.kind != testing::PlannedRecord::Kind::LoneIdentifier) ||
            !Lacks(r.value))
          continue;
        ++refs;
        seen[r.value == kLacking[1]] = true;
      }
      if (seen[0] && seen[1] && refs > most) {
        best = static_cast<int>(t);
        most = refs;
      }
    }
    return best;
  }
  static constexpr std::uint32_t kLacking[2] = {3, 6};
  std::vector<std::vector<testing::PlannedRecord>> plans;
  SampleMapPlan source, destination;
};

TEST(DirectInjectTag, ReferencesOfTagsTheDestinationLacksAreListedAndNeverKept) {
  using Kind = testing::PlannedRecord::Kind;
  struct Case {
    const char* name;
    bool lacking;
    UnresolvedChoice choice;
    std::vector<bool> answers;
    bool larger;  // into a smaller destination tag: the size question first
    DirectInjectOutcome outcome;  // (thrown: Refused)
    std::size_t questions;
  };
  const std::vector<Case> cases = {
      {"every tag there", false, UnresolvedChoice::Ask, {}, false, DirectInjectOutcome::Completed, 0},
      {"lacking, cancelled", true, UnresolvedChoice::Ask, {false}, false, DirectInjectOutcome::Cancelled, 1},
      {"lacking, set to none", true, UnresolvedChoice::Ask, {true}, false, DirectInjectOutcome::Completed, 1},
      {"lacking, none given", true, UnresolvedChoice::SetToNone, {}, false, DirectInjectOutcome::Completed, 0},
      {"lacking, refused", true, UnresolvedChoice::Refuse, {}, false, DirectInjectOutcome::Cancelled, 0},
      {"lacking, larger, cancelled", true, UnresolvedChoice::Ask, {true, false}, true, DirectInjectOutcome::Cancelled, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LackingPair pair(c.lacking);
    TestMap source(pair.source, "source.map");
    TestMap destination(pair.destination, "destination.map");
    source.Open();
    destination.Open();
    const int s = pair.Subject();
    ASSERT_GE(s, 0);
    int d = s;
    if (c.larger)
      for (int t = 2; t + 1 < LackingPair::kTags; ++t)
        if (destination.Tag(t).nSize < source.Tag(s).nSize) d = t;
    ASSERT_EQ(c.larger, d != s);
    const auto before = ReadBytesFromFile(destination.path);

    AnsweringDialogs dialogs;
    dialogs.answers = c.answers;
    DirectInjectOptions options;
    options.destinationName = "Map 1";
    options.unresolved = c.choice;
    DirectInjectOutcome outcome = DirectInjectOutcome::Cancelled;
    std::string refusal;
    try {
      outcome = DirectInjectTag(destination.map, d, source.map, s, dialogs, options);
    } catch (const UnresolvedRefused& e) {
      refusal = e.what();
    }
    EXPECT_EQ(outcome, c.outcome);
    ASSERT_EQ(dialogs.questions.size(), c.questions);
    EXPECT_EQ(refusal.empty(), c.choice != UnresolvedChoice::Refuse);

    // What the plan of tag s refers to that Map 1 lacks, and where.
    int count = 0;
    std::vector<std::string> places;
    for (const testing::PlannedRecord& r : pair.plans[static_cast<std::size_t>(s)]) {
      if ((r.kind != Kind::Dependency && r.kind != Kind::LoneIdentifier) || !c.lacking || !LackingPair::Lacks(r.value)) continue;
      ++count;
      const std::uint32_t at = r.at + (r.kind == Kind::Dependency ? 12 : 4);
      places.push_back(std::string(r.kind == Kind::Dependency ? "reference" : "identifier") + " at +0x" + UIntToHex(at));
    }
    // The question (or the refusal) says how many, names each tag and each place.
    const std::string& listed = c.choice == UnresolvedChoice::Refuse ? refusal
                                : dialogs.questions.empty()           ? std::string()
                                                                      : dialogs.questions.back();
    if (!listed.empty()) {
      const std::string head = std::to_string(count) + " references name tags Map 1 does not have: ";
      EXPECT_EQ(listed.substr(0, head.size()), head);
      EXPECT_NE(listed.find(c.choice == UnresolvedChoice::Refuse ? ". Nothing was written." : ". Set them to none, or cancel?"),
                std::string::npos);
      for (const std::uint32_t t : LackingPair::kLacking)
        EXPECT_NE(listed.find(pair.source.tags[t].class1 + ":" + pair.source.tags[t].name + " ("), std::string::npos) << listed;
      for (const std::string& place : places) EXPECT_NE(listed.find(place), std::string::npos) << place << " in " << listed;
    }

    const auto after = ReadBytesFromFile(destination.path);
    if (outcome != DirectInjectOutcome::Completed) {
      EXPECT_EQ(after, before);  // cancelled or refused: nothing written
      continue;
    }
    // Every reference names the tag of the same class and name it named in the
    // source, or none: never a tag of another class.
    const std::size_t at = destination.map.MetaOffset(d);
    int none = 0;
    for (const testing::PlannedRecord& r : pair.plans[static_cast<std::size_t>(s)]) {
      if (r.kind != Kind::Dependency && r.kind != Kind::LoneIdentifier) continue;
      const std::uint32_t id = ReadLe32(after.data() + at + r.at + (r.kind == Kind::Dependency ? 12 : 4));
      if (c.lacking && LackingPair::Lacks(r.value)) {
        EXPECT_EQ(id, 0xFFFFFFFFu) << "record at " << r.at;
        ++none;
        continue;
      }
      const auto named = std::find_if(pair.destination.tags.begin(), pair.destination.tags.end(),
                                      [id](const SampleTag& tag) { return tag.identifier == id; });
      ASSERT_NE(named, pair.destination.tags.end()) << "record at " << r.at;
      EXPECT_EQ(named->class1 + ":" + named->name,
                pair.source.tags[r.value].class1 + ":" + pair.source.tags[r.value].name);
    }
    EXPECT_EQ(none, count);
    EXPECT_EQ(ChangeOutside(before, after, at, destination.Tag(d).nSize), std::nullopt);
  }
}

TEST(DirectInjectTag, AListOfManyUnresolvedReferencesIsCountedPastItsBounds) {
  TestMap t(GenerateSampleMap(kVersionPc, 50, 12));
  t.Open();
  std::vector<UnresolvedReference> refs;
  for (std::size_t tag = 0; tag < 50; ++tag)
    for (std::uint32_t k = 0; k < 10; ++k) refs.push_back({static_cast<std::uint32_t>(16 * k), k == 9, tag});
  const std::string text = UnresolvedList(t.map, refs);
  const std::string first = t.Tag(0).strClass1 + ":" + t.Tag(0).strName +
                            " (reference at +0x0, reference at +0x10, reference at +0x20, reference at +0x30, "
                            "reference at +0x40, reference at +0x50, reference at +0x60, reference at +0x70 and 2 more), ";
  EXPECT_EQ(text.substr(0, first.size()), first);
  EXPECT_NE(text.find(t.Tag(39).strName), std::string::npos);
  EXPECT_EQ(text.find(t.Tag(40).strName + " ("), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 18), ", and 10 more tags");
}

}  // namespace
}  // namespace jov
