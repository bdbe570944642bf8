#pragma once
#include "map/MapFile.h"
#include "map/MapHeaderInfo.h"

namespace jov {

// Writes the editable header fields of info into the map's open file, at once,
// field by field (a file error leaves the fields already written in the file).
// Map Name and Build Date are 32 zeroed bytes with the text over them; numbers
// and hex texts go through the hex-text path (a non-hex digit counts as 0).
// The model is not changed: callers Reload afterwards.
//
// For versions 7 and 0x261 the model's index offset is 4 past the word at 0x10,
// so the shown Index Offset minus 4 goes to 0x10, and Index Magic and Tag Count
// go to the index header's real place, the model's index offset minus 4. A save
// of unchanged values then leaves the file byte-identical. Index Magic and Tag
// Count always go where the index header is now, not to a changed Index Offset.
void WriteHeader(CMapFile& map, const MapHeaderInfo& info);

}  // namespace jov
