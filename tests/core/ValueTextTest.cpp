#include <gtest/gtest.h>

#include "map/ValueText.h"

namespace jov {
namespace {

TEST(ValueText, HexToUIntReadsEveryDigitFormAndKeepsTheLastEight) {
  EXPECT_EQ(HexToUInt("FFFFFFFF"), 4294967295u);
  EXPECT_EQ(HexToUInt("ffffffff"), 4294967295u);
  EXPECT_EQ(HexToUInt("1G"), 16u);  // G counts as 0 but keeps its place
  EXPECT_EQ(HexToUInt("123456789"), 0x23456789u);
  EXPECT_EQ(HexToUInt(""), 0u);
  EXPECT_EQ(HexToUInt(std::string("12\0" "34", 5)), 0x12u);  // a zero character ends the digits
}

TEST(ValueText, UIntToHexHasNoPaddingAndTrimmedHexDropsZero) {
  EXPECT_EQ(UIntToHex(0), "0");
  EXPECT_EQ(UIntToHex(0x00ABC), "abc");
  EXPECT_EQ(TrimmedHex(0), "");
  EXPECT_EQ(TrimmedHex(0x1000), "1000");
}

TEST(ValueText, SwapHexBytesPadsOddTextsAndReversesPairs) {
  EXPECT_EQ(SwapHexBytes("12345678"), "78563412");
  EXPECT_EQ(SwapHexBytes("abc"), "bc0a");
  EXPECT_EQ(SwapHexBytes(""), "");
  EXPECT_EQ(SwapHexBytes("7f"), "7f");
}

TEST(ValueText, ByteTextsUseTwoLowercaseDigitsPerByte) {
  const unsigned char bytes[] = {0x0A, 0xFF, 0x00, 0x7B};
  EXPECT_EQ(DwordToHex(bytes), "0aff007b");
  EXPECT_EQ(BytesToHex(bytes, 2), "0aff");
  EXPECT_EQ(BytesToHex(bytes, 0), "");
  EXPECT_EQ(BytesToHex(bytes, -3), "");
  const unsigned char zeros[4] = {};
  EXPECT_EQ(DwordToHex(zeros), "00000000");
}

TEST(ValueText, TextToHexConvertsEveryCharacterIncludingX) {
  EXPECT_EQ(TextToHex("scex"), "73636578");
  EXPECT_EQ(TextToHex("xx"), "7878");
  EXPECT_EQ(TextToHex(std::string(4, '\xFF')), "ffffffff");
  EXPECT_EQ(SwapHexBytes(TextToHex("bitm")), "6d746962");
}

TEST(ValueText, HexToBytesPadsAnOddTextInFront) {
  unsigned char out[3] = {0x11, 0x22, 0x33};
  HexToBytes("abc", out);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0xBC);
  EXPECT_EQ(out[2], 0x33);  // nothing written past half the padded length
  HexToBytes("zz", out);
  EXPECT_EQ(out[0], 0x00);
}

TEST(ValueText, FloatToTextUsesSixDigitsAndAThreeDigitExponent) {
  EXPECT_EQ(FloatToText(1.0f), "1");
  EXPECT_EQ(FloatToText(0.5f), "0.5");
  EXPECT_EQ(FloatToText(0.1f), "0.1");
  EXPECT_EQ(FloatToText(0.01f), "0.01");
  EXPECT_EQ(FloatToText(1234567.0f), "1.23457e+006");
  EXPECT_EQ(FloatToText(0.00001f), "1e-005");
  EXPECT_EQ(FloatToText(-2.5e-20f), "-2.5e-020");
  EXPECT_EQ(FloatToText(3.14159265f), "3.14159");
  EXPECT_EQ(FloatToText(123456.0f), "123456");
  EXPECT_EQ(FloatToText(1e38f), "1e+038");
}

TEST(ValueText, EncodeHexFieldWritesLeastSignificantFirstAndPads) {
  unsigned char out[4];
  EncodeHexField("abc", out, 4);
  EXPECT_EQ(std::vector<unsigned char>(out, out + 4), (std::vector<unsigned char>{0xBC, 0x0A, 0, 0}));
  EncodeHexField("", out, 4);
  EXPECT_EQ(std::vector<unsigned char>(out, out + 4), (std::vector<unsigned char>{0, 0, 0, 0}));
  EncodeHexField("ffff", out, 2);
  EXPECT_EQ(out[0], 0xFF);
  EXPECT_EQ(out[1], 0xFF);
}

}  // namespace
}  // namespace jov
