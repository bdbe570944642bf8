#include "map/HexTextInput.h"

namespace jov {

std::string RemoveWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text)
    if (!IsTextWhitespace(c)) out += c;
  return out;
}

}  // namespace jov
