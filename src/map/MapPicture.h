#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One picture of where a map's bytes live: the tag data, the structure BSP
// sections the scenario lists, the model data, and for every tag whether its
// metadata is in the tag data, in a BSP section, in a resource map, or nowhere.
// The reader, the check and the views all ask this picture instead of working
// the extents out each on its own.
namespace jov {

enum class TagHome : std::uint8_t {
  TagData,    // metadata in this map's tag data, sized up to the next tag's
  Bsp,        // a structure BSP tag: its metadata is a BSP section, with a base address of its own
  Resource,   // a CE external tag: the entry's data field is an index into a resource map
  SoundBase,  // a CE external sound: a 0xA4-byte base struct here, the rest in sounds.map
  Nowhere,    // the data field lands in no part of the map (an sbsp with no section, a stray pointer)
};

// What the picture needs of one index entry.
struct PictureEntry {
  std::string_view class1;      // as shown (the stored bytes reversed)
  std::uint32_t identifier = 0;
  std::uint32_t field = 0;      // entry +0x14
  std::uint32_t external = 0;   // entry +0x18 (padding on the Xbox)
};

// What the picture needs of the header and the tag data header.
struct PictureHeader {
  std::uint16_t version = 0;
  std::uint64_t fileLength = 0;
  std::uint32_t eofPosition = 0;    // header 0x008
  std::uint32_t indexOffset = 0;    // header 0x010 as stored
  std::uint32_t tagDataSize = 0;    // header 0x014
  std::uint32_t magic = 0;          // pointer minus file offset in the tag data
  std::uint32_t scenarioId = 0;     // tag data header +0x04
  std::uint32_t modelField14 = 0;   // +0x14: PC/CE model data file offset; Xbox: vertex table pointer
  std::uint32_t modelField1C = 0;   // +0x1C: PC/CE vertex data size; Xbox: index table pointer
  std::uint32_t modelSize = 0;      // +0x20 on PC/CE
};

struct TagPlace {
  TagHome home = TagHome::TagData;
  std::uint64_t offset = 0;  // file offset of metadata byte 0 (TagData, Bsp, SoundBase)
  std::uint32_t size = 0;
  std::uint32_t base = 0;    // the pointer that names metadata byte 0
  int bsp = -1;              // Bsp: its place in the scenario's list
  std::uint32_t resource = 0;  // Resource: the entry index in the resource map
};

struct BspSection {
  std::uint32_t offset = 0;   // bsp_start, a file offset
  std::uint32_t size = 0;
  std::uint32_t address = 0;  // where the game loads it: pointers inside are based here
  std::uint32_t tagId = 0;    // the dependency's identifier
  int tag = -1;               // the sbsp tag it names, -1 when none
  std::string problem;        // why the section cannot be used; empty when it can
};

struct MapPicture {
  std::uint64_t tagDataFrom = 0;  // the index offset as stored
  std::uint64_t tagDataEnd = 0;   // the end of the tag data, never past the end of the file
  int scenario = -1;              // the scenario tag, -1 when there is none
  std::vector<BspSection> bsps;   // the scenario's list, in its order
  std::string bspProblem;         // why the list itself cannot be read; empty when it can
  std::vector<TagPlace> tags;     // one per entry, in index order
  bool bspListRead = false;       // the list was found and read (it may be empty)

  // A pointer into the tag data as a file offset, or nothing when it lands elsewhere.
  bool LandsInTagData(std::uint32_t pointer, std::uint32_t magic) const {
    const std::uint64_t at = static_cast<std::uint32_t>(pointer - magic);
    return at >= tagDataFrom && at < tagDataEnd;
  }
};

// Reads n bytes at a file offset; false when they do not all lie in the file.
using PictureReader = std::function<bool(std::uint64_t at, void* out, std::size_t n)>;

// Scenario metadata: where its structure BSP list is kept, and the list's element.
inline constexpr std::uint32_t kScenarioBspCount = 0x5A4;
inline constexpr std::uint32_t kScenarioBspPointer = 0x5A8;
inline constexpr std::uint32_t kScenarioBspElement = 0x20;
inline constexpr std::uint32_t kExternalSoundBase = 0xA4;

MapPicture DrawMapPicture(const PictureHeader& header, std::span<const PictureEntry> entries, const PictureReader& read);

// The resource map a CE external tag of this class lives in ("bitmaps.map",
// "sounds.map", "loc.map"), or empty for a class that is never external.
std::string_view ResourceFileOf(std::string_view class1);
// "in bitmaps.map, entry 31" / "base struct here, the rest in sounds.map", or
// empty for a tag whose metadata is all in the map.
std::string ExternalText(const TagPlace& place, std::string_view class1);

}  // namespace jov
