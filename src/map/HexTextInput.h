#pragma once
#include <string>
#include <string_view>

// Hex text typed or pasted by the user (the hex editor, Insert Data): the
// text box inserts a line break on Enter and pastes keep their tabs, so every
// whitespace character is layout, never data.
namespace jov {

// Space, tab, line feed, carriage return, vertical tab, form feed.
inline bool IsTextWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
inline bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// text without its whitespace characters.
std::string RemoveWhitespace(std::string_view text);

}  // namespace jov
