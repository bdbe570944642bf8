#pragma once
#include <cstdint>

#include "map/MapFile.h"

namespace jov {

// The CRC32 (zlib's polynomial) of the whole map file, as a patch records the map
// it was made from.
std::uint32_t MapFileCrc32(const CMapFile& map);

}  // namespace jov
