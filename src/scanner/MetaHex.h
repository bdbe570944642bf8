#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "map/MapFile.h"

// A tag's metadata as the editor works on it: lowercase hex text, two characters
// a byte, byte b at characters 2b and 2b+1. Searches and edits run on this text.
namespace jov {

// Every operation that moves metadata passes it through a work area of this size.
inline constexpr std::uint32_t kMetaBufferSize = 1000000;
inline constexpr const char* kTagTooLarge =
    "This tag's metadata is larger than 1,000,000 bytes; it cannot be handled.";

// Throws Refused (kTagTooLarge) when size does not fit the work area.
void CheckMetaSize(std::uint32_t size);

// The nSize bytes at the tag's meta offset; bytes past the end of the file read as zero.
std::string ReadMetaHex(CMapFile& map, int i);
// Turns text into bytes from the tag's metadata start (an odd text gets a "0" in
// front) and writes length bytes, or nSize bytes when length is negative; bytes
// the text does not cover are zero.
void WriteMetaHex(CMapFile& map, int i, std::string_view text, long length);
// Overwrites text's characters from pos on with piece, one for one. The text
// never grows: what would fall past its end (or before its start) is dropped.
void PutHexAt(std::string& text, std::string_view piece, long pos);

}  // namespace jov
