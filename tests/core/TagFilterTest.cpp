#include <gtest/gtest.h>

#include <random>
#include <string>

#include "map/TagFilter.h"

namespace jov {
namespace {

TEST(TagFilter, MatchesContainedTextIgnoringAsciiCaseWithStarsForAnyRun) {
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  };
  const Case cases[] = {
      {"", "anything", true},
      {"***", "", true},
      {"PISTOL", "weapons\\pistol\\pistol", true},
      {"pistol\\p", "weapons\\pistol\\pistol", true},
      {"weap*pistol", "weapons\\pistol\\pistol", true},
      {"weap*rifle", "weapons\\pistol\\pistol", false},
      {"pistol*weap", "weapons\\pistol\\pistol", false},
      {"*tol", "weapons\\pistol\\pistol", true},
      {"a*a", "a", false},
      {"ab", "a", false},
      {"\xff\xff", "\xff\xff\xff\xff -- Nulled Out", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " in " + c.text);
    EXPECT_EQ(TagFilter(c.pattern).Matches(c.text), c.matches);
  }
}

// Property: a pattern made of pieces cut out of a text, in order, with stars
// between them, always matches that text in any case; the same pattern with a
// character the text does not hold never does.
TEST(TagFilter, PiecesOfATextInOrderAlwaysMatchIt) {
  std::mt19937 random(12);
  const std::string alphabet = "abcdefghijXYZ\\_ 0123";
  for (int round = 0; round < 2000; ++round) {
    std::string text(1 + random() % 30, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    std::string pattern;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t skip = random() % 4;
      const std::size_t take = 1 + random() % 4;
      if (at + skip >= text.size()) break;
      const std::string piece = text.substr(at + skip, take);
      at += skip + piece.size();
      if (!pattern.empty() || skip > 0) pattern += '*';
      for (const char c : piece) pattern += static_cast<char>(random() % 2 && c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    SCOPED_TRACE(pattern + " in " + text);
    EXPECT_TRUE(TagFilter(pattern).Matches(text));
    EXPECT_FALSE(TagFilter(pattern + "*#").Matches(text));
  }
}

TEST(TagFilter, GroupTextsSplitIntoCodeAndName) {
  EXPECT_EQ(SplitGroupText("weap -- Weapon").code, "weap");
  EXPECT_EQ(SplitGroupText("weap -- Weapon").name, "Weapon");
  EXPECT_EQ(SplitGroupText("de -- Unknown Class").code, "de");
  EXPECT_EQ(SplitGroupText("odd").code, "odd");
  EXPECT_EQ(SplitGroupText("odd").name, "");
}

}  // namespace
}  // namespace jov
