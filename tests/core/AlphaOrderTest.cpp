// The one alphabetical order of every sorted tree and list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/AlphaOrder.h"

namespace jov {
namespace {

// The order written out plainly: compare the texts with A-Z folded to a-z, byte
// by byte as unsigned values; when those are equal, compare the bytes as they are.
bool ReferenceLess(const std::string& a, const std::string& b) {
  auto fold = [](const std::string& s) {
    std::vector<unsigned char> out;
    for (const char c : s) {
      const auto u = static_cast<unsigned char>(c);
      out.push_back(u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u);
    }
    return out;
  };
  const auto fa = fold(a);
  const auto fb = fold(b);
  if (fa != fb) return fa < fb;
  return std::vector<unsigned char>(a.begin(), a.end()) < std::vector<unsigned char>(b.begin(), b.end());
}

TEST(AlphaOrder, LettersAreFoldedToLowerCaseSoPunctuationSortsAsAgainstLowerCase) {
  // '_' (0x5F) lies between 'Z' and 'a': folding to lower case puts it first.
  EXPECT_TRUE(AlphaLess("_", "A"));
  EXPECT_TRUE(AlphaLess("_", "a"));
  EXPECT_TRUE(AlphaLess("a", "B"));
  EXPECT_TRUE(AlphaLess("B", "c"));
  EXPECT_TRUE(AlphaLess("weapons\\pistol", "Weapons\\Rifle"));
  EXPECT_TRUE(AlphaLess("ab", "ABC"));  // a prefix first
  EXPECT_TRUE(AlphaLess("[", "a"));     // 0x5B folds nothing: after 'Z' raw, before 'a'
}

TEST(AlphaOrder, TiesAreBrokenByTheBytesAndEqualTextsAreNotLess) {
  EXPECT_TRUE(AlphaLess("ABC", "abc"));
  EXPECT_FALSE(AlphaLess("abc", "ABC"));
  EXPECT_TRUE(AlphaLess("aBc", "abC"));
  EXPECT_FALSE(AlphaLess("same", "same"));
  EXPECT_FALSE(AlphaLess("", ""));
  EXPECT_TRUE(AlphaLess("", "a"));
}

TEST(AlphaOrder, BytesFrom0x80ComeAfterAsciiAndAreNotFolded) {
  EXPECT_TRUE(AlphaLess("z", "\xE9"));
  EXPECT_TRUE(AlphaLess("Z", "\x80"));
  EXPECT_TRUE(AlphaLess("\xC9", "\xE9"));  // Latin-1 capital and small e acute: bytes only
  EXPECT_TRUE(AlphaLess("\xE9", "\xFF\xFF\xFF\xFF"));
  EXPECT_TRUE(AlphaLess("a\x7F", "a\x80"));
}

TEST(AlphaOrder, AgreesWithThePlainComparisonOnManyTexts) {
  std::mt19937 rng(7);
  const std::string alphabet = std::string("aAbBzZ_[@`{0 ~\\") + "\x7F\x80\xC9\xE9\xFF";
  auto text = [&] {
    std::string s(rng() % 6, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int i = 0; i < 50000; ++i) {
    const std::string a = text();
    const std::string b = rng() % 4 == 0 ? a : text();
    ASSERT_EQ(AlphaLess(a, b), ReferenceLess(a, b)) << '"' << a << "\" vs \"" << b << '"';
  }
}

}  // namespace
}  // namespace jov
