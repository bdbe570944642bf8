#pragma once
#include <cstdint>

#include "map/MapFile.h"
#include "platform/UserDialogs.h"
#include "scanner/ScanBoxes.h"
#include "scanner/ScanItem.h"

// "Update Item": the value set in the scanner's boxes written over the result
// selected last, in the metadata text of the tag selected now, and the whole
// metadata written back. The caller scans the tag again afterwards.
namespace jov {

inline constexpr const char* kChunkCountWrongSize = "Exception thrown: Reflexive chunk count wrong wize to write.";
inline constexpr const char* kPieceOutsideMetadata =
    "This result lies too close to the edge of the tag's metadata: its value would be written outside it. "
    "Nothing was written.";
inline constexpr const char* kShortOutOfRange = "A short holds a value from 0 to 65535. Nothing was written.";
inline constexpr const char* kClassCodeLength = "A class code has exactly four characters. Nothing was written.";

// Writes current's piece into tag's metadata and returns the boxes as the edit
// leaves them (the class choice shows the hex text put; after a dependency or
// lone identifier the tag choice shows the tag name, after a reflexive the count
// text). A reflexive count that does not fit 2 bytes is reported through
// dialogs (kChunkCountWrongSize); the pointer is written all the same. With no
// result selected (chKind 0) the metadata is written back unchanged.
// Throws Refused, with nothing written, when the piece would fall outside the
// metadata text, for a short outside 0 to 65535, for a dependency class that is
// not four characters, and for a tag too large for the metadata buffer.
ScanBoxes ScanUpdateItem(CMapFile& map, int tag, const ScanItem& current, ScanBoxes boxes, UserDialogs& dialogs);

// The integer of the scanner value: the fraction dropped. A value that is not a
// number or lies outside the 32-bit range gives -2147483648, as the processor's
// conversion does.
std::int32_t IntegerOfValue(float value);

}  // namespace jov
