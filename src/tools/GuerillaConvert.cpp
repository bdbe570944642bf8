#include "tools/GuerillaConvert.h"

#include <algorithm>
#include <cstring>

#include "map/Refused.h"

namespace jov {

void SwapWords(unsigned char* data, std::size_t n) {
  for (std::size_t at = 0; at + 4 <= n; at += 4) {
    std::swap(data[at], data[at + 3]);
    std::swap(data[at + 1], data[at + 2]);
  }
}

void FixShorts(unsigned char* data, std::size_t n, std::uint32_t limit) {
  // Positions may step past the data (i + 2 after a match near the end); such
  // bytes read as zero, so no value there ever matches.
  const auto at = [data, n](std::size_t i) -> unsigned { return i < n ? data[i] : 0u; };
  std::size_t i = 0;
  while (i < n) {
    std::uint64_t k = 1;  // the next k to try at this position; 64 bits so limit + 1 fits
    for (;;) {
      const unsigned v = at(i);
      // Only k with low byte 1..127 can match, and then only a byte of that value.
      if (v == 0 || v > 127 || at(i + 1) != 0 || (i > 0 && at(i - 1) != 0)) break;
      // The smallest k' >= k whose low byte is v; the k in between cannot match,
      // since nothing here changes until a match.
      const std::uint64_t next = k + ((v - (k & 0xFF)) & 0xFF);
      if (next > limit) break;
      data[i] = 0;
      if (i + 2 < n) data[i + 2] = static_cast<unsigned char>(v);
      i += 2;
      k = next + 1;
    }
    ++i;
  }
}

std::size_t ConvertGuerillaBuffer(unsigned char* buffer, std::size_t length, const GuerillaOptions& options) {
  if (length < kGuerillaHeaderSize) return 0;  // callers check first; nothing to keep
  const std::size_t n = length - kGuerillaHeaderSize;
  std::memmove(buffer, buffer + kGuerillaHeaderSize, n);
  SwapWords(buffer, n);
  if (options.fixShorts) FixShorts(buffer, n, options.shortLimit);
  return n;
}

void CheckGuerillaLength(std::uint64_t length) {
  if (length < kGuerillaHeaderSize) throw Refused(kGuerillaTooShort);
  if (length > kGuerillaMaxInput) throw Refused(kGuerillaTooLong);
}

std::vector<unsigned char> ConvertGuerillaTag(const std::vector<unsigned char>& input, const GuerillaOptions& options) {
  CheckGuerillaLength(input.size());
  std::vector<unsigned char> buffer = input;
  buffer.resize(ConvertGuerillaBuffer(buffer.data(), buffer.size(), options));
  return buffer;
}

}  // namespace jov
