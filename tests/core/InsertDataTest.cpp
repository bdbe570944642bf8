// Appending typed bytes at a map's EoF Position.
#include <gtest/gtest.h>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TestMap.h"
#include "transfer/InsertData.h"

namespace jov {
namespace {

using testing::TestMap;

struct Opened {
  explicit Opened(const SampleMapPlan& plan) : t(plan), before(ReadBytesFromFile(t.path)) {
    t.Open();
    p = HexToUInt(t.map.m_strEofPosition);
  }
  std::vector<unsigned char> Now() const { return ReadBytesFromFile(t.path); }
  // The file as it should be with bytes at P and the EoF Position just past them.
  std::vector<unsigned char> Expected(const std::vector<unsigned char>& bytes) const {
    std::vector<unsigned char> expected = before;
    if (expected.size() < p + bytes.size()) expected.resize(p + bytes.size());
    std::copy(bytes.begin(), bytes.end(), expected.begin() + p);
    PutLe32(expected, 0x08, p + static_cast<std::uint32_t>(bytes.size()));
    return expected;
  }
  TestMap t;
  std::vector<unsigned char> before;
  std::uint32_t p = 0;
};

TEST(InsertDataAtEnd, AppendsTheBytesAndAZeroForAnEvenCountOfDigits) {
  // Spaces, tabs and line breaks are layout only.
  for (const std::string text : {"0a 0b 0c", "0a0b0c", "0a\t0b\r\n0c\n", " 0A 0B 0C "}) {
    SCOPED_TRACE(text);
    Opened m(GenerateSampleMap(7, 4, 2));
    EXPECT_EQ(InsertDataAtEnd(m.t.map, text), m.p);
    EXPECT_EQ(m.Now(), m.Expected({0x0A, 0x0B, 0x0C, 0x00}));
  }
}

TEST(InsertDataAtEnd, AnOddCountGetsALeadingZeroAndNoZeroByteAfter) {
  Opened m(GenerateSampleMap(0x261, 4, 2));
  InsertDataAtEnd(m.t.map, "abc");
  EXPECT_EQ(m.Now(), m.Expected({0x0A, 0xBC}));
  EXPECT_EQ(m.t.map.m_strEofPosition, UIntToHex(m.p));  // the model waits for the reload
  m.t.map.Reload(m.t.tree);
  EXPECT_EQ(m.t.map.m_strEofPosition, UIntToHex(m.p + 2));
}

TEST(InsertDataAtEnd, AnEmptyTextWritesOneZeroByte) {
  for (const std::string text : {"", "  \n "}) {
    Opened m(GenerateSampleMap(7, 4, 2));
    InsertDataAtEnd(m.t.map, text);
    EXPECT_EQ(m.Now(), m.Expected({0x00}));
  }
}

TEST(InsertDataAtEnd, BeforeTheEndOfAnXboxMapOverwritesTheFreeSpaceAndKeepsTheLength) {
  SampleMapPlan plan = GenerateSampleMap(5, 4, 2);
  plan.extraBytesAtEnd = 16;
  std::vector<unsigned char> bytes = WriteSampleMap(plan);
  for (std::size_t i = 0; i < 16; ++i) bytes[bytes.size() - 1 - i] = 0xEE;  // visible free space
  TestMap t(bytes);
  t.Open();
  const std::uint32_t p = HexToUInt(t.map.m_strEofPosition);
  ASSERT_EQ(p + 16, bytes.size());
  EXPECT_EQ(InsertDataAndReload(t.map, t.tree, "1 2 3 4 5 6"), p);  // "123456"

  std::vector<unsigned char> expected = bytes;
  const unsigned char written[] = {0x12, 0x34, 0x56, 0x00};
  std::copy(std::begin(written), std::end(written), expected.begin() + p);
  PutLe32(expected, 0x08, p + 4);
  EXPECT_EQ(ReadBytesFromFile(t.path), expected);
  EXPECT_EQ(t.map.m_nEofSpaceSize, 12);
  EXPECT_TRUE(t.map.m_bOpen);
}

TEST(InsertDataAtEnd, NonHexCharactersCountAsZero) {
  Opened m(GenerateSampleMap(7, 4, 2));
  InsertDataAtEnd(m.t.map, "zz1g");
  EXPECT_EQ(m.Now(), m.Expected({0x00, 0x10, 0x00}));
}

TEST(InsertDataAtEnd, MoreThanAMillionBytesOrNoMapIsRefusedWithNothingWritten) {
  Opened m(GenerateSampleMap(7, 4, 2));
  try {
    InsertDataAtEnd(m.t.map, std::string(2000001, 'a'));  // 1,000,001 bytes once padded
    ADD_FAILURE() << "not refused";
  } catch (const Refused& e) {
    EXPECT_STREQ(e.what(), kInsertTooLarge);
  }
  EXPECT_EQ(m.Now(), m.before);

  // Exactly 1,000,000 bytes, and spaces do not count towards the limit.
  std::string most;
  for (int i = 0; i < 1000000; ++i) most += "a5 ";
  InsertDataAtEnd(m.t.map, most);
  std::vector<unsigned char> bytes(1000000, 0xA5);
  bytes.push_back(0);
  EXPECT_EQ(m.Now(), m.Expected(bytes));

  m.t.map.Close(m.t.tree);
  const std::vector<unsigned char> now = m.Now();
  EXPECT_THROW(InsertDataAtEnd(m.t.map, "00"), Refused);
  EXPECT_EQ(m.Now(), now);
}

}  // namespace
}  // namespace jov
