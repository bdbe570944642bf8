#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "map/MapFile.h"

// The data listing written beside a ".meta" file: a text for the user naming
// every run of bytes in the tag's metadata that equals a pointer into the tag
// itself or the identifier of a tag of the map. No part of the program reads it.
namespace jov {

// Only tags smaller than this get a listing; the ".meta" file is written regardless.
inline constexpr std::uint32_t kDataListingLimit = 100000;

// The listing of tag i, whose metadata text (two hex digits a byte) is hex.
// Lines end with carriage return and line feed:
//   name, class 1, class 2, class 3,
//   "Reflexive|POS|K" for every stored address of byte K of this tag, by K then POS,
//   "Dependency|POS|NAME|CLASS1" for every stored identifier, by tag index then POS.
// POS is the hit's character position halved, rounded down: a hit straddling a
// byte boundary is listed at the byte it starts in.
std::string DataListingText(const CMapFile& map, int i, std::string_view hex);

}  // namespace jov
