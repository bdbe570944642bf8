// The hex editor's text for a tag and what its "Save" writes.
#include <gtest/gtest.h>

#include <random>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "support/TestMap.h"
#include "tools/HexEditorText.h"

namespace jov {
namespace {

using testing::TestMap;

// The spacing as it was first written: from the end of the text towards its
// start, a space inserted at len, len - 2, ..., 2.
std::string LiteralSpacing(std::string text) {
  for (std::size_t at = text.size(); at >= 2; at -= 2) text.insert(at, 1, ' ');
  return text;
}

SampleTag MakeTag(const std::string& class1, const std::string& name, std::vector<unsigned char> meta) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.meta = std::move(meta);
  return tag;
}

SampleMapPlan ThreeTags() {
  SampleMapPlan plan;
  plan.tags = {MakeTag("weap", "a", {0x0A, 0xFF, 0x00}),
               MakeTag("bitm", "b", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}),
               MakeTag("weap", "last", {0x77, 0x88})};  // the last tag runs to the end of the tag data
  return plan;
}

// The last tag holds no bytes: its size is 0.
SampleMapPlan ThreeTagsLastEmpty() {
  SampleMapPlan plan = ThreeTags();
  plan.tags[2].meta.clear();
  return plan;
}

struct Opened {
  explicit Opened(const SampleMapPlan& plan) : t(plan), before(ReadBytesFromFile(t.path)) { t.Open(); }
  std::vector<unsigned char> Now() const { return ReadBytesFromFile(t.path); }
  std::size_t Meta(int n) const { return t.map.MetaOffset(n); }
  TestMap t;
  std::vector<unsigned char> before;
};

TEST(HexEditorText, EveryByteIsTwoDigitsAndASpace) {
  Opened m(ThreeTags());
  EXPECT_EQ(HexEditorText(m.t.map, 0), "0a ff 00 ");
  EXPECT_EQ(HexEditorText(m.t.map, 1), "11 22 33 44 55 66 ");
  EXPECT_EQ(HexEditorText(m.t.map, 2), "77 88 ");
  Opened empty(ThreeTagsLastEmpty());
  EXPECT_EQ(HexEditorText(empty.t.map, 2), "");
}

TEST(HexEditorText, SpacingMatchesTheLiteralInsertionOnRandomTexts) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    std::vector<unsigned char> bytes(rng() % 64);
    for (auto& b : bytes) b = static_cast<unsigned char>(rng());
    const std::string hex = BytesToHex(bytes.data(), static_cast<long>(bytes.size()));
    ASSERT_EQ(SpacedHexOfBytes(bytes.data(), bytes.size()), LiteralSpacing(hex));
    ASSERT_EQ(SpaceHexText(hex), LiteralSpacing(hex));
    const std::string odd = hex + "f";
    ASSERT_EQ(SpaceHexText(odd), LiteralSpacing(odd));
  }
}

TEST(SaveHexEditorText, TheUnchangedTextOfEveryTagWritesTheSameBytes) {
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}}) {
    Opened m(GenerateSampleMap(version, 10, 4));
    for (int n = 0; n < m.t.map.m_nTagCount; ++n) SaveHexEditorText(m.t.map, n, HexEditorText(m.t.map, n));
    EXPECT_EQ(m.Now(), m.before);
  }
}

TEST(SaveHexEditorText, FewerPairsPadWithZerosAndExtraPairsAreNotWritten) {
  Opened m(ThreeTags());
  SaveHexEditorText(m.t.map, 1, "aa bb");
  std::vector<unsigned char> expected = m.before;
  const std::size_t at = m.Meta(1);
  expected[at + 0] = 0xAA;
  expected[at + 1] = 0xBB;
  for (std::size_t i = 2; i < 6; ++i) expected[at + i] = 0;
  EXPECT_EQ(m.Now(), expected);

  // Four pairs for a 3-byte tag: the fourth would be tag 1's first byte.
  SaveHexEditorText(m.t.map, 0, "01 02 03 04");
  const std::size_t at0 = m.Meta(0);
  expected[at0] = 1;
  expected[at0 + 1] = 2;
  expected[at0 + 2] = 3;
  EXPECT_EQ(m.Now(), expected);
}

TEST(SaveHexEditorText, LineBreaksAndTabsChangeNothing) {
  Opened m(ThreeTags());
  SaveHexEditorText(m.t.map, 1, "11 22\r\n33\t44\n55 66 \n");
  EXPECT_EQ(m.Now(), m.before);
  SaveHexEditorText(m.t.map, 1, "1122334455\n66");
  EXPECT_EQ(m.Now(), m.before);
  SaveHexEditorText(m.t.map, 1, "11 22 33 44 55 6F");  // capitals read as digits
  std::vector<unsigned char> expected = m.before;
  expected[m.Meta(1) + 5] = 0x6F;
  EXPECT_EQ(m.Now(), expected);
}

TEST(SaveHexEditorText, AnOddCountOrAForeignCharacterIsRefusedWithNothingWritten) {
  Opened m(ThreeTags());
  const std::pair<const char*, const char*> cases[] = {
      {"11 22 3 44 55 66 ", kHexTextOddDigits},  // one digit deleted
      {"1", kHexTextOddDigits},
      {"11 22 33 44 55 6g ", kHexTextNotHex},
      {"11,22", kHexTextNotHex},
      {"0x11", kHexTextNotHex},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      SaveHexEditorText(m.t.map, 1, text);
      ADD_FAILURE() << "not refused";
    } catch (const Refused& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  EXPECT_THROW(SaveHexEditorText(m.t.map, 1, std::string_view("11\0" "2", 4)), Refused);  // a zero character
  EXPECT_THROW(SaveHexEditorText(m.t.map, 1, "11 22 33 44 55 66 \xE9"), Refused);
  EXPECT_EQ(m.Now(), m.before);
}

TEST(SaveHexEditorText, ASizeZeroTagShowsNothingAndWritesNothing) {
  Opened m(ThreeTagsLastEmpty());
  ASSERT_EQ(m.t.Tag(2).nSize, 0u);
  SaveHexEditorText(m.t.map, 2, "");
  SaveHexEditorText(m.t.map, 2, "ff ff");
  EXPECT_EQ(m.Now(), m.before);
}

TEST(SaveHexEditorText, TextsAndTagsAboveAMillionBytesAreRefused) {
  SampleMapPlan plan = ThreeTags();
  plan.tags[1].meta.assign(kMetaBufferSize + 1, 0x5A);
  Opened m(plan);
  ASSERT_EQ(m.t.Tag(1).nSize, kMetaBufferSize + 1);
  EXPECT_THROW(HexEditorText(m.t.map, 1), Refused);
  EXPECT_THROW(SaveHexEditorText(m.t.map, 1, "00"), Refused);

  try {
    SaveHexEditorText(m.t.map, 0, std::string(2 * (kMetaBufferSize + 1), '0'));
    ADD_FAILURE() << "not refused";
  } catch (const Refused& e) {
    EXPECT_STREQ(e.what(), kHexTextTooLarge);
  }
  EXPECT_EQ(m.Now(), m.before);
  // A full buffer's worth of pairs is fine; only the tag's 3 bytes are written.
  SaveHexEditorText(m.t.map, 0, std::string(2 * kMetaBufferSize, '0'));
  std::vector<unsigned char> expected = m.before;
  for (std::size_t i = 0; i < 3; ++i) expected[m.Meta(0) + i] = 0;
  EXPECT_EQ(m.Now(), expected);
}

}  // namespace
}  // namespace jov
