#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "map/MapFile.h"

// A tag's metadata wherever it lives: this map's tag data, a structure BSP
// section, or (a CE external tag) the resource map beside the map. Commands that
// only read a tag (scan, fields, extract) read it here; commands that write one
// ask RefuseWriteOutsideMap first, so nothing is ever written to the wrong file.
namespace jov {

// Tag i's bytes. A tag kept in a resource map is read from it; refused with the
// reason when the resource map is missing, of the wrong type, or lacks the entry.
std::vector<unsigned char> ReadTagBytes(const CMapFile& map, int i);

// Refused, naming the resource map, when tag i's metadata is not in this map's
// file (a CE external tag): JOV writes maps, never resource maps.
void RefuseWriteOutsideMap(const CMapFile& map, int i);

// Refused when tag i is a structure BSP: its metadata is a section of its own,
// based at its own address, that a .meta file or another tag cannot stand for.
void RefuseStructureBspTransfer(const CMapFile& map, int i);

// "in bitmaps.map, entry 31" and the like; empty for a tag wholly in the map.
std::string WhereTagLives(const CMapFile& map, int i);

inline constexpr const char* kWriteToResourceMap =
    "%1 is kept %2; JOV does not write resource maps, so nothing was written.";
inline constexpr const char* kResourceMapNeeded =
    "%1 is kept %2, which was not found in %3. Put %4 beside the map, or name its folder (jov-cli --resource-folder).";
inline constexpr const char* kStructureBspTransfer =
    "%1 is a structure BSP: its metadata is a section of its own, based at its own address, and cannot be injected or "
    "copied to or from another tag. Nothing was written.";

}  // namespace jov
