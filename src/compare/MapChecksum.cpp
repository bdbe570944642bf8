#include "compare/MapChecksum.h"

#include <vector>

#include <zlib.h>

namespace jov {

std::uint32_t MapFileCrc32(const CMapFile& map) {
  const std::uint64_t length = map.File().Length();
  std::vector<unsigned char> chunk(1u << 20);
  uLong crc = crc32(0L, Z_NULL, 0);
  for (std::uint64_t at = 0; at < length;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), length - at));
    map.File().Read(at, chunk.data(), n);
    crc = crc32(crc, chunk.data(), static_cast<uInt>(n));
    at += n;
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace jov
