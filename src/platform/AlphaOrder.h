#pragma once
#include <string_view>

namespace jov {

// The one order of every sorted tree and combo box: texts compared with the ASCII
// letters folded to lower case, ties broken by the bytes themselves (as unsigned).
// Equal texts keep their insertion order: sort with a stable sort or insert at
// the upper bound.
bool AlphaLess(std::string_view a, std::string_view b);

}  // namespace jov
