#pragma once
#include "map/MapFile.h"
#include "platform/UserDialogs.h"

namespace jov {

inline constexpr const char* kDirectInjectQuestion =
    "Not enough space to inject, unless you are building a map, injection is not advised. Inject?";
inline constexpr const char* kDirectInjectComplete = "Direct injection complete.";
inline constexpr const char* kSourceTagTooLarge =
    "The source tag's metadata is larger than 1,000,000 bytes; it cannot be injected.";
inline constexpr const char* kDestinationTagTooLarge =
    "The destination tag's metadata is larger than 1,000,000 bytes; it cannot be written.";

enum class DirectInjectOutcome {
  Declined,   // the question was answered No; nothing written
  Completed,  // kDirectInjectComplete shown
};

// "Direct Inject": copies source tag s's metadata over destination tag d's,
// translating tag identifiers by class 1 and name and moving pointers into s's
// own metadata to d's addresses (TranslateReferences). When d is smaller than s
// (sizes compared signed), kDirectInjectQuestion is asked; Yes writes s's whole
// size from d's metadata start, over whatever follows d. Otherwise exactly d's
// nSize bytes are written: the translated metadata, then zeros. Source and
// destination may be two CMapFile objects on one file. The front ends look up
// the two panels' selected tags; the models are left as they are.
// Throws Refused, before asking anything or writing, for a source above the
// metadata buffer's 1,000,000 bytes (or negative) and for such a destination when
// its size is the count written; FileError when a map cannot be read or written.
DirectInjectOutcome DirectInjectTag(CMapFile& destination, int d, CMapFile& source, int s, UserDialogs& dialogs);

}  // namespace jov
