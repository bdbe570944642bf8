#include "map/TagFilter.h"

#include <algorithm>

namespace jov {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where piece (already lower-case) first occurs in text at or after from.
std::size_t FindFolded(std::string_view text, std::string_view piece, std::size_t from) {
  if (piece.size() > text.size()) return std::string_view::npos;
  const std::size_t last = text.size() - piece.size();
  for (std::size_t at = from; at <= last; ++at) {
    std::size_t i = 0;
    while (i < piece.size() && Lower(text[at + i]) == piece[i]) ++i;
    if (i == piece.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace

TagFilter::TagFilter(std::string_view pattern) {
  std::string piece;
  for (const char c : pattern) {
    if (c == '*') {
      if (!piece.empty()) m_pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece.push_back(Lower(c));
    }
  }
  if (!piece.empty()) m_pieces.push_back(std::move(piece));
}

bool TagFilter::Matches(std::string_view text) const {
  // Contains-matching leaves both ends open, so each piece may be taken at its
  // first occurrence after the previous one: no backtracking is ever needed.
  std::size_t from = 0;
  for (const std::string& piece : m_pieces) {
    const std::size_t at = FindFolded(text, piece, from);
    if (at == std::string_view::npos) return false;
    from = at + piece.size();
  }
  return true;
}

GroupTextParts SplitGroupText(std::string_view groupText) {
  constexpr std::string_view kSeparator = " -- ";
  const std::size_t at = groupText.find(kSeparator);
  if (at == std::string_view::npos) return {groupText, {}};
  return {groupText.substr(0, at), groupText.substr(at + kSeparator.size())};
}

}  // namespace jov
