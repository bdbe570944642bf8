#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace jov::testing {

// The first byte at which after differs from before outside [at, at + n), or
// nullopt. A file may grow only by bytes inside the range (a write past its old
// end; the gap before it reads as zeros); shrinking is always a change.
inline std::optional<std::size_t> ChangeOutside(const std::vector<unsigned char>& before,
                                                const std::vector<unsigned char>& after, std::size_t at, std::size_t n) {
  auto old = [&](std::size_t i) -> unsigned char { return i < before.size() ? before[i] : 0; };
  if (after.size() < before.size()) return after.size();
  if (after.size() > before.size() && after.size() > at + n) return at + n;
  for (std::size_t i = 0; i < after.size(); ++i)
    if ((i < at || i >= at + n) && old(i) != after[i]) return i;
  return std::nullopt;
}

}  // namespace jov::testing
