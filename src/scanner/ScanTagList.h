#pragma once
#include <string>
#include <vector>

#include "map/MapFile.h"

namespace jov {

// The scanner tag choice's nulled-out line: four 0xFF bytes, " -- Nulled Out".
std::string NulledOutLine();
// The name part that marks the nulled-out line once its first 8 characters are cut.
inline constexpr const char* kNulledOutName = "Nulled Out";

// The lines of the scanner tag choice, in the order they are added (the box
// sorts them itself): "class1 -- name" for each tag in index order, then the
// nulled-out line.
std::vector<std::string> FillTagList(const CMapFile& map);

}  // namespace jov
