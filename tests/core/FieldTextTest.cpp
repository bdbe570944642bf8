#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>

#include "map/FieldText.h"

namespace jov {
namespace {

TEST(FieldText, IntegersAllowBlanksAndSignAndKeepTheFieldWidth) {
  EXPECT_EQ(ParseInt32Field(" \t-12 "), -12);
  EXPECT_EQ(ParseInt32Field("+7"), 7);
  EXPECT_EQ(ParseInt16Field("-1"), -1);
  EXPECT_EQ(ParseInt16Field("65535"), -1);
  EXPECT_EQ(ParseInt16Field("65536"), 0);
  EXPECT_FALSE(ParseInt32Field(""));
  EXPECT_FALSE(ParseInt32Field("12a"));
  EXPECT_FALSE(ParseInt32Field("1 2"));
  EXPECT_FALSE(ParseInt32Field("-"));
  EXPECT_FALSE(ParseUInt32Field("-3"));
  EXPECT_EQ(ParseUInt32Field(" 4 "), 4u);
}

TEST(FieldText, FloatsRefuseTextThatReadsAsZeroWithoutStartingWithZero) {
  EXPECT_FLOAT_EQ(*ParseFloatField("0.01"), 0.01f);
  EXPECT_FLOAT_EQ(*ParseFloatField(" 2.5\t"), 2.5f);
  EXPECT_FLOAT_EQ(*ParseFloatField("1e3"), 1000.0f);
  EXPECT_EQ(*ParseFloatField("0"), 0.0f);
  EXPECT_FALSE(ParseFloatField("-0"));  // zero, and the text does not start with "0"
  EXPECT_FALSE(ParseFloatField("abc"));
  EXPECT_FALSE(ParseFloatField("1.5x"));
  EXPECT_FALSE(ParseFloatField(""));
}

TEST(FieldText, LimitMessageNamesTheLimit) {
  EXPECT_EQ(EnterNoMoreThan(32), "Please enter no more than 32 characters.");
  EXPECT_TRUE(FitsLimit("abcd", 4));
  EXPECT_FALSE(FitsLimit("abcde", 4));
}

}  // namespace
}  // namespace jov

namespace jov {
namespace {

// The number rule every front end shares, case by case: what each text reads as,
// or nothing when the field refuses it.
TEST(FieldText, NumberFieldsReadDecimalTextOnlyWithinAFloatsRange) {
  struct Case {
    const char* text;
    std::optional<float> value;
  };
  const Case cases[] = {
      {"0.01", 0.01f},   {" +2.5\t", 2.5f},  {"-0", -0.0f},       {"1e+010", 1e10f}, {".5", 0.5f},
      {"3.4e38", 3.4e38f}, {"0x10", std::nullopt}, {"1e39", std::nullopt}, {"-1e39", std::nullopt},
      {"++1", std::nullopt}, {"+-1", std::nullopt}, {"1,5", std::nullopt}, {"", std::nullopt}, {"  ", std::nullopt},
      {"1.5x", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseNumberField(c.text), c.value);
  }
  EXPECT_TRUE(std::isinf(*ParseNumberField("-inf")));
  EXPECT_TRUE(std::isnan(*ParseNumberField("nan")));
  // The calculators refuse a zero that does not start with "0" on top of that.
  EXPECT_FALSE(ParseFloatField("-0"));
  EXPECT_FALSE(ParseFloatField("0x10"));
  EXPECT_EQ(ParseFloatField("0.0"), 0.0f);
}

TEST(FieldText, IntegerFieldsRefuseWhatLiesOutsideTheirRange) {
  struct Case {
    const char* text;
    std::int64_t min, max;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {" -12 ", INT32_MIN, INT32_MAX, -12},        {"+7", 0, 10, 7},
      {"2147483648", INT32_MIN, INT32_MAX, std::nullopt}, {"-2147483648", INT32_MIN, INT32_MAX, INT32_MIN},
      {"65536", 0, 65535, std::nullopt},           {"-1", 0, 65535, std::nullopt},
      {"0x10", INT32_MIN, INT32_MAX, std::nullopt}, {"1e3", INT32_MIN, INT32_MAX, std::nullopt},
      {"", 0, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseIntegerField(c.text, c.min, c.max), c.value);
  }
}

}  // namespace
}  // namespace jov
