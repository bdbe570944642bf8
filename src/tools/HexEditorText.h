#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "map/MapFile.h"

// The "Crappy Hex Editor" without its window: the text it shows for a tag and
// what its "Save" writes. A 1,000,000-byte tag is 3,000,000 characters, so both
// directions are single linear passes.
namespace jov {

inline constexpr const char* kHexTextOddDigits =
    "The text holds an odd number of hex digits; every byte needs two. Nothing was saved.";
inline constexpr const char* kHexTextNotHex =
    "The text holds a character that is not a hex digit; only 0-9, a-f and A-F are allowed. Nothing was saved.";
inline constexpr const char* kHexTextTooLarge =
    "The text describes more than 1,000,000 bytes; it cannot be saved. Nothing was saved.";

// Two lowercase digits per byte, each pair followed by one space (the last too).
std::string SpacedHexOfBytes(const unsigned char* bytes, std::size_t n);
// The same spacing put into unspaced hex text: a space after every pair of
// characters, pairs counted from the end (an odd text's first character has no
// pair and no space of its own).
std::string SpaceHexText(std::string_view hex);

// The text the editor opens with for tag i: its nSize metadata bytes, spaced.
// Throws Refused (a tag above 1,000,000 bytes).
std::string HexEditorText(CMapFile& map, int i);

// The digits of an edited text: every whitespace character removed. Throws
// Refused when what is left is not whole bytes of hex digits (an odd count, or
// any other character), or describes more than 1,000,000 bytes.
std::string HexEditorDigits(std::string_view text);

// "Save": writes exactly nSize bytes at the tag's meta offset, the text's bytes
// then zeros up to nSize; pairs beyond nSize are not written. Refused texts
// (see HexEditorDigits) write nothing.
void SaveHexEditorText(CMapFile& map, int i, std::string_view text);

}  // namespace jov
