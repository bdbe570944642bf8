#include <gtest/gtest.h>

#include <random>

#include "map/FieldText.h"
#include "map/ValueText.h"
#include "tools/HexFloatCalc.h"
#include "tools/ReflexiveCalc.h"

namespace jov {
namespace {

TEST(HexFloatCalc, HexToFloatShowsTheValueInFloatToTextForm) {
  HexFloatValues values;
  values.hex = "3f800000";
  values.HexToFloat();
  EXPECT_EQ(FloatToText(values.value), "1");
  values.hex = "40490fdb";
  values.HexToFloat();
  EXPECT_EQ(FloatToText(values.value), "3.14159");
  values.hex = "BF800000";  // either case
  values.HexToFloat();
  EXPECT_EQ(values.value, -1.0f);
  values.hex = "3f80000g";  // a non-hex character counts as 0
  values.HexToFloat();
  EXPECT_EQ(values.value, 1.0f);
}

TEST(HexFloatCalc, HexToFloatIgnoresAnyLengthButEight) {
  HexFloatValues values;
  values.value = 2.5f;
  for (const char* text : {"", "1", "3f80000", "3f8000000"}) {
    values.hex = text;
    values.HexToFloat();
    EXPECT_EQ(values.value, 2.5f) << text;
  }
}

TEST(HexFloatCalc, FloatToHexDropsLeadingZeros) {
  HexFloatValues values;
  EXPECT_EQ(values.hex, "00000000");  // as the dialog opens
  values.value = 1.0f;
  values.FloatToHex();
  EXPECT_EQ(values.hex, "3f800000");
  values.value = -1.0f;
  values.FloatToHex();
  EXPECT_EQ(values.hex, "bf800000");
  values.value = 0.0f;
  values.FloatToHex();
  EXPECT_EQ(values.hex, "0");
}

TEST(HexFloatCalc, TheSmallestDenormalGivesOneWhichHexToFloatThenIgnores) {
  const auto parsed = ParseFloatField("1.401298e-45");
  ASSERT_TRUE(parsed);
  HexFloatValues values;
  values.value = *parsed;
  values.FloatToHex();
  EXPECT_EQ(values.hex, "1");
  values.HexToFloat();
  EXPECT_EQ(FloatBits(values.value), 1u);  // unchanged, not reread from "1"
}

TEST(HexFloatCalc, EightDigitPatternsRoundTripBitForBit) {
  std::mt19937 rng(7);
  for (int n = 0; n < 2000; ++n) {
    const std::uint32_t bits = rng() | 0x10000000u;  // 8 digits, NaN payloads and signs included
    HexFloatValues values;
    values.value = FloatFromBits(bits);
    values.FloatToHex();
    ASSERT_EQ(values.hex.size(), 8u);
    values.value = 0.0f;
    values.HexToFloat();
    ASSERT_EQ(FloatBits(values.value), bits) << values.hex;
  }
}

TEST(ReflexiveCalc, ReflexiveToOffsetSubtractsTheMagicAndCleansTheField) {
  ReflexiveValues values{"", "00 60 3A 80", "803A5000"};
  values.ReflexiveToOffset();
  EXPECT_EQ(values.offset, "1000");
  EXPECT_EQ(values.reflexive, "00603A80");
}

TEST(ReflexiveCalc, OffsetToReflexiveGivesTheStoredBytesWithoutPadding) {
  EXPECT_EQ(OffsetToReflexive("1000", "803A5000"), "00603a80");
  EXPECT_EQ(OffsetToReflexive("abc", ""), "bc0a");  // only padded to whole digit pairs
  EXPECT_EQ(OffsetToReflexive("ffffffff", "2"), "01");  // the sum wraps
}

TEST(ReflexiveCalc, EmptyAndNonHexTextsCountAsZero) {
  ReflexiveValues values;
  values.ReflexiveToOffset();
  EXPECT_EQ(values.offset, "0");
  values.OffsetToReflexive();
  EXPECT_EQ(values.reflexive, "00");
  EXPECT_EQ(ReflexiveToOffset("zz", "0"), "0");
  // A pointer below the magic wraps around.
  EXPECT_EQ(ReflexiveToOffset("00 00 00 80", "80000001"), "ffffffff");
}

TEST(ReflexiveCalc, OffsetAndReflexiveAreInverse) {
  std::mt19937 rng(11);
  for (int n = 0; n < 500; ++n) {
    const std::string offset = UIntToHex(rng());
    const std::string magic = UIntToHex(rng());
    ASSERT_EQ(ReflexiveToOffset(OffsetToReflexive(offset, magic), magic), offset) << offset << " " << magic;
  }
}

}  // namespace
}  // namespace jov
