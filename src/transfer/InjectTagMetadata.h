#pragma once
#include "map/MapFile.h"
#include "platform/UserDialogs.h"

namespace jov {

inline constexpr const char* kNotEnoughSpace = "Not enough space to inject.";
inline constexpr const char* kInjectCompleted = "Inject completed.";

enum class InjectOutcome {
  Cancelled,       // the picker was cancelled; nothing shown, nothing written
  NotEnoughSpace,  // kNotEnoughSpace shown; the map is untouched
  Completed,       // kInjectCompleted shown
};

// "Inject": asks for a ".meta" file (MetaOpenDialog) and writes it over tag i's
// metadata in place: the file's bytes, then zeros up to nSize. The tag keeps its
// offset and size, and nothing is translated. A file longer than nSize is turned
// away with kNotEnoughSpace. The outcome is shown with ShowMessage and returned
// for front ends that report it otherwise (jov-cli's exit status).
// Throws Refused (before asking) for a tag above the metadata buffer's
// 1,000,000 bytes, and FileError when a file cannot be read or written.
InjectOutcome InjectTagMetadata(CMapFile& map, int i, UserDialogs& dialogs);

}  // namespace jov
