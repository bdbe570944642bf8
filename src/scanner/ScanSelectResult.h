#pragma once
#include "map/MapFile.h"
#include "scanner/ScanBoxes.h"
#include "scanner/ScanItem.h"

namespace jov {

// The boxes as selecting item's line shows them: the tag it names, its class,
// its target and count, or its value; "Update Item" reads the same boxes back.
// An item of no known kind leaves the boxes as they are.
ScanBoxes ScanSelectResult(const CMapFile& map, const ScanItem& item, ScanBoxes boxes);

inline constexpr const char* kUnknownDependencyLine = "???? -- Unknown Dependency";

}  // namespace jov
