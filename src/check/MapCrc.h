#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "check/MapLayout.h"
#include "map/MapFile.h"

// The CRC32 a PC or CE map carries at header 0x064. The game runs the standard
// CRC-32 over the structure BSPs (in the scenario's list order), the model data
// and the tag data, and stores the NOT of zlib's result, which is the CRC
// register without its final inversion. All values here are in that stored form.
namespace jov {

struct CrcRegion {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::string what;  // "structure BSP 0", "model data", "tag data"
};

struct CrcLayout {
  bool ok = false;
  std::string problem;  // why the CRC32 cannot be computed, when !ok
  std::string problemWhere;
  std::vector<CrcRegion> regions;  // in the order the CRC runs over them, all inside the file
  int scenarioTag = -1;
};

// Finds the covered regions: the scenario tag (the tag data header's scenario
// identifier, else the first "scnr" tag), its structure BSP list at +0x5A4/+0x5A8,
// the model data and the tag data. Only PC and CE maps carry a CRC32.
CrcLayout FindCrcRegions(std::span<const unsigned char> file, const MapLayout& layout);
// The CRC32 over the regions, stored form.
std::uint32_t CrcOfRegions(std::span<const unsigned char> file, const std::vector<CrcRegion>& regions);
// The same, with the CRC-32 of every whole chunk of the file taken as it was
// read (FileBytes::ChunkCrcs): only the regions' ends are summed again.
std::uint32_t CrcOfRegions(std::span<const unsigned char> file, const std::vector<CrcRegion>& regions,
                           std::span<const std::uint32_t> chunkCrcs);

// The 4 bytes that, placed after data whose CRC register is registerBefore and
// followed by the bytes of after, make the stored-form CRC32 come out as wanted.
// CRC-32 is linear, so this is computed, not searched for.
std::uint32_t SolveFreeValue(std::uint32_t registerBefore, std::span<const unsigned char> after, std::uint32_t wanted);

struct CrcValues {
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
};

// The stored and computed CRC32 of the open map's file. Throws Refused when the
// map is not a PC or CE map or its layout does not allow the computation.
CrcValues MapCrcValues(const CMapFile& map);
// Writes the computed CRC32 at 0x064 through the map's file; returns it.
std::uint32_t FixMapCrc(CMapFile& map);
// Changes the free value at tag data header +0x08 so that the computed CRC32 is
// wanted, and writes wanted at 0x064. Refused when the free value is not covered
// by the tag data alone (the computation would not hold).
void ForgeMapCrc(CMapFile& map, std::uint32_t wanted);

}  // namespace jov
