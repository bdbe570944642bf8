#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace jov::testing {

// The first byte at which after differs from before outside [at, at + n), or
// nullopt; a change of length counts as a change at the shorter one's end.
inline std::optional<std::size_t> ChangeOutside(const std::vector<unsigned char>& before,
                                                const std::vector<unsigned char>& after, std::size_t at, std::size_t n) {
  const std::size_t common = std::min(before.size(), after.size());
  for (std::size_t i = 0; i < common; ++i)
    if ((i < at || i >= at + n) && before[i] != after[i]) return i;
  if (before.size() != after.size()) return common;
  return std::nullopt;
}

}  // namespace jov::testing
