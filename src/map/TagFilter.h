#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace jov {

// The text typed into a tag filter: a text matches when it contains the pattern,
// ignoring the case of ASCII letters. A '*' stands for any run of characters, so
// "weap*pistol" matches "weapons\pistol\pistol". Map texts are bytes; letters
// beyond ASCII are compared as they are.
class TagFilter {
 public:
  TagFilter() = default;
  explicit TagFilter(std::string_view pattern);

  // A pattern of nothing but '*' (or nothing) lets every text through.
  bool MatchesEverything() const { return m_pieces.empty(); }
  bool Matches(std::string_view text) const;

 private:
  // The pattern's pieces between the stars, lower-cased, in order.
  std::vector<std::string> m_pieces;
};

// A tag group's row text "code -- Class Name" split into its code and its name
// (the whole text and nothing when there is no separator).
struct GroupTextParts {
  std::string_view code;
  std::string_view name;
};
GroupTextParts SplitGroupText(std::string_view groupText);

}  // namespace jov
