#include <gtest/gtest.h>

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
