#pragma once
#include "map/MapFile.h"
#include "platform/UserDialogs.h"

namespace jov {

// "Save Metadata": asks for a ".meta" file (MetaSaveDialog) and writes tag i's
// nSize metadata bytes into it exactly as the map holds them (bytes past the
// end of the map file are written as zeros). For a tag under kDataListingLimit
// bytes the data listing goes beside it, at the chosen path plus ".data".
// Existing files are replaced. Cancelling the picker writes nothing; nothing is
// shown on success.
// Throws Refused (before asking) for a tag above the metadata buffer's
// 1,000,000 bytes; Refused after the ".meta" file is written when the listing's
// search turns a hostile tag away (no listing is written then); FileError when
// a file cannot be read or written.
void ExtractTagMetadata(CMapFile& map, int i, UserDialogs& dialogs);

}  // namespace jov
