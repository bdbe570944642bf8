#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "map/SampleMap.h"

// Synthetic maps laid out the way the game's own tools lay them out: structure
// BSPs in sections of their own found through the scenario, raw data (bitmap
// pixels, sound samples) and model data before the tag data, and on Halo CE
// tags kept in the resource maps bitmaps.map, sounds.map and loc.map. No game
// file is needed to test what real maps do to a reader.
namespace jov {

// Where the writer put one tag, for tests to check readers against.
struct RealTagTruth {
  enum class Home { Map, Bsp, External, ExternalSound } home = Home::Map;
  std::uint32_t metaOffset = 0;  // file offset of metadata byte 0 (in the map; for External: in the resource file)
  std::uint32_t size = 0;        // metadata bytes (BSP: section size; ExternalSound: 0xA4 in the map)
  std::uint32_t base = 0;        // pointer value of metadata byte 0 (map: offset+magic; BSP: its load address;
                                 // external: the resource-relative base)
  std::string resourceFile;      // "bitmaps.map" / "sounds.map" / "loc.map" for external tags
  std::uint32_t resourceIndex = 0;
  // External and ExternalSound: the tag's entry in its resource map, and the
  // pointer value of the entry's byte 0 (0 for bitmaps and loc.map entries;
  // 0 - 0xA4 for sounds, whose pointers count from the end of the base struct).
  std::uint32_t resourceOffset = 0;
  std::uint32_t resourceSize = 0;
  std::uint32_t resourceBase = 0;
};

struct RealSampleMap {
  std::vector<unsigned char> map;
  std::map<std::string, std::vector<unsigned char>> resources;  // file name -> bytes (CE only)
  std::vector<SampleTag> tags;      // in index order: classes, names, identifiers, metadata as written
  std::vector<RealTagTruth> truth;  // one per tag, index order
  // Where the writer put the parts of the map, as file offsets.
  std::uint32_t indexOffset = 0;  // the tag data header
  std::uint32_t tagDataEnd = 0;   // PC, CE: the end of the file; Xbox: before the zeros to a multiple of 512
  std::uint32_t rawOffset = 0;    // bitmap pixels and sound samples kept in the map, after the BSP sections
  std::uint32_t rawSize = 0;
  std::uint32_t modelOffset = 0;  // PC, CE: before the tag data; Xbox: inside it, after every tag (the part tables first)
  std::uint32_t modelSize = 0;    // Xbox: the part tables included
};

// Where the tag data is loaded, and the tag space it shares with the active BSP.
inline constexpr std::uint32_t kXboxTagDataAddress = 0x803A6000;
inline constexpr std::uint32_t kPcTagDataAddress = 0x40440000;
inline constexpr std::uint32_t kXboxTagSpace = 0x1600000;
inline constexpr std::uint32_t kPcTagSpace = 0x1700000;
// What a CE sound kept in sounds.map leaves in the map: its base struct.
inline constexpr std::uint32_t kSoundBaseStructSize = 0xA4;

// A map of version 5, 7 or 0x261 with tagCount tags (at least 4): index 0 is
// the "scnr", two "sbsp" tags follow it in generation order, then a model
// ("mod2", Xbox "mode"), bitmaps, sounds, fonts, string lists, HUD messages and
// tags of other classes; the last tag in index order always has metadata in
// the map. On CE about half the bitmaps, sounds, fonts, string lists and HUD
// messages are kept in the resource maps, which come with the map. The same
// seed gives the same bytes. A relayout N above 0 gives the same tags (classes,
// paths, metadata content, resource maps byte for byte) with the scenario
// still first, the others in another index order, the BSP sections in another
// order and place, and the names moved; references name the same tags, and
// raw and model data stay where they were.
RealSampleMap GenerateRealSampleMap(std::uint16_t version, int tagCount, std::uint32_t seed,
                                    std::uint32_t metaBytesPerTag = 256, std::uint32_t relayout = 0);

}  // namespace jov
