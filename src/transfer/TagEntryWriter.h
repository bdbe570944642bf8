#pragma once
#include <string>

#include "map/MapFile.h"
#include "map/TagEntry.h"

namespace jov {

// Where WriteTagEntry puts the tag's name.
inline constexpr int kNameInPlace = 0;     // at the entry's String Offset, cut to the name held now
inline constexpr int kNameAtEof = 1;       // at the EoF Position, which moves past it
// Any other placement leaves the name pointer and the name alone.

inline constexpr const char* kNameOutsideFile =
    "The String Offset lies outside the map file; the name cannot be written there.";

// Writes one 32-byte tag index entry at the entry's Page Offset (strEntryOffset):
// the three class codes (first four characters, zero-padded, reversed), the
// identifier, the metadata pointer (Meta Offset + magic) and, by placement, the
// name pointer and the name with its zero byte. With store, the model's record
// at index is replaced first (index == the record count appends one) and the
// entry's last 8 bytes are zeroed. The model's EoF Position is never changed.
// Throws Refused (kNameOutsideFile), with nothing written and the model
// untouched, when a name to be written in place would not lie inside the file.
void WriteTagEntry(CMapFile& map, int index, const TagEntry& entry, int placement, bool store);

// The 4 bytes a class text is stored as: its first four characters, zero bytes
// after a shorter text, in reverse order.
std::string StoredClassCode(const std::string& text);

}  // namespace jov
