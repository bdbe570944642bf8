#pragma once
#include <cstdint>
#include <string>

#include "map/MapFile.h"
#include "platform/TreeView.h"

namespace jov {

// At most this many bytes can be appended at once (the metadata work area).
inline constexpr std::uint32_t kMaxInsertBytes = 1000000;
inline constexpr const char* kInsertTooLarge =
    "The text describes more than 1,000,000 bytes; at most 1,000,000 bytes can be inserted at once.";
inline constexpr const char* kInsertNoMap = "No map is open in this panel; there is nowhere to insert the data.";

// Appends the bytes a hex text describes at the map's EoF Position P and moves
// the header's EoF Position (0x08) just past them; returns P. Whitespace is
// removed first; an odd count of digits gets a "0" in front; a non-hex
// character counts as digit 0. For L digits, L/2 + 1 bytes are written: an even
// count is followed by one zero byte, an empty text writes that zero byte alone.
// At P before the file's end (free space of an Xbox map) the bytes overwrite
// what is there. The model is not changed: callers Reload. Throws Refused, with
// nothing written, for no open map, an EoF Position inside the header or past
// the file's length, or more than kMaxInsertBytes bytes.
std::uint32_t InsertDataAtEnd(CMapFile& map, std::string text);

// The "Insert Data at End of Map" command once the hex editor was left with
// "Save": InsertDataAtEnd, then Reload. Returns P.
std::uint32_t InsertDataAndReload(CMapFile& map, TreeView& tree, const std::string& text);

}  // namespace jov
