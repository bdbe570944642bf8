#pragma once
#include <cstddef>
#include <cstdint>

namespace jov::testing {

// "Fix Shorts" tried exactly as the converter's steps read, k by k at every
// position: the reference the linear pass is compared against. Costs
// n * limit steps, so only small limits are practical.
inline void LiteralFixShorts(unsigned char* data, std::size_t n, std::uint32_t limit) {
  const auto at = [data, n](std::size_t i, std::ptrdiff_t d) -> int {
    const auto p = static_cast<std::ptrdiff_t>(i) + d;
    return p >= 0 && static_cast<std::size_t>(p) < n ? data[p] : 0;
  };
  std::size_t i = 0;
  while (i < n) {
    for (std::uint64_t k = 1; k <= limit; ++k) {
      // k as its low 8 bits taken as a signed byte, against an unsigned byte.
      const auto kb = static_cast<signed char>(static_cast<unsigned char>(k & 0xFF));
      if (kb != 0 && at(i, 0) == kb && at(i, 1) == 0 && at(i, -1) == 0) {
        if (i < n) data[i] = 0;
        if (i + 2 < n) data[i + 2] = static_cast<unsigned char>(kb);
        i += 2;
      }
    }
    ++i;
  }
}

}  // namespace jov::testing
