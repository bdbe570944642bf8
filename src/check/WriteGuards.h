#pragma once
#include <string>
#include <vector>

#include "map/MapFile.h"
#include "map/MapHeaderInfo.h"
#include "platform/UserDialogs.h"

// No write into a layout that cannot be trusted: commands that write at the EoF
// Position refuse when it is not a place in the file, and a header save asks
// before giving the map an error it does not have now.
namespace jov {

inline constexpr const char* kEofInsideHeader =
    "The EoF Position lies inside the 0x800-byte header; writing there would damage the header. Nothing was written.";
inline constexpr const char* kEofPastFileEnd =
    "The EoF Position lies past 0x7FFFFFFF, where no map can hold data. Nothing was written.";

// Throws Refused when the open map's EoF Position, as the file holds it now, lies
// inside the header or past the last position a map can have. An EoF Position
// past the file's end is room Add Tag reserved for a tag's metadata: what lies
// in between reads as zeros, and the next write there grows the file.
void RequireEofInFile(CMapFile& map);

// The errors writing info as the map's header would add (WriteHeader's places:
// the tag count goes where the index header is now, so a moved index offset
// finds whatever count lies at its new place).
std::vector<std::string> NewHeaderErrors(const CMapFile& map, const MapHeaderInfo& info);

// The question asked before such a save.
std::string HeaderErrorsQuestion(const std::vector<std::string>& errors);

// True when the header may be written: it adds no error, or "Yes" was answered
// to the question (asked with "No" as the default).
bool ConfirmHeaderWrite(const CMapFile& map, const MapHeaderInfo& info, UserDialogs& dialogs);

}  // namespace jov
