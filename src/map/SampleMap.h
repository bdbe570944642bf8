#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The one writer of synthetic maps: tests, benchmarks, fuzz seeds and
// `jov-cli make-sample` build their maps here, so no game file is ever needed.
namespace jov {

struct SampleTag {
  std::string class1 = "weap";  // as shown; stored reversed
  std::string class2 = std::string(4, '\xFF');
  std::string class3 = std::string(4, '\xFF');
  std::string name;
  std::uint32_t identifier = 0;
  std::vector<unsigned char> meta;
};

struct SampleMapPlan {
  std::uint16_t version = 7;
  std::uint16_t mapType = 1;
  std::string mapName = "bloodgulch";
  std::string buildDate = "01.10.12.2276";
  std::uint32_t indexOffset = 0x800;  // I, the index header's file offset
  std::uint32_t magic = 0x40440000;   // pointer = file offset + magic
  std::int32_t metaIndexSize = 0;
  std::uint32_t extraBytesAtEnd = 0;  // bytes after the EoF Position (Xbox free space)
  std::vector<SampleTag> tags;
  // The rest of a sound map. Structure BSPs and model data (PC and CE) lie from
  // 0x800 on, before the tag data; the scenario tag's metadata (large enough)
  // gets the structure BSP list (+0x5A4 count, +0x5A8 pointer, elements at
  // +0x5B0); sealed writes the tag data size at 0x014 and the CRC32 at 0x064.
  std::vector<std::vector<unsigned char>> bsps;
  std::vector<unsigned char> modelData;
  int scenarioTag = -1;
  bool sealed = false;
};

// Where the scenario's structure BSP list elements go in its metadata.
inline constexpr std::uint32_t kSampleBspListAt = 0x5B0;

// Where the writer puts things, known before any metadata is filled, so that
// metadata can hold pointers into itself.
struct SampleLayout {
  std::uint32_t firstEntry = 0;
  std::uint32_t indexMagic = 0;
  std::vector<std::uint32_t> nameOffsets;
  std::vector<std::uint32_t> metaOffsets;
  std::uint32_t eofPosition = 0;
  std::vector<std::uint32_t> bspOffsets;
  std::uint32_t modelOffset = 0;
};

// Header (0x800 bytes), index header (0x24 bytes, 0x28 for versions 7 and 0x261),
// entries, names, then each tag's metadata in index order; structure BSPs and
// model data from 0x800 on (indexOffset is left where the plan puts it).
SampleLayout LayoutOf(const SampleMapPlan& plan);
std::vector<unsigned char> WriteSampleMap(const SampleMapPlan& plan);

// A well-formed map of tagCount tags (at least 2) whose metadata holds
// dependencies (class code, 8 bytes, identifier), reflexives (count, pointer into
// the same tag), lone identifiers, floats and small values; tag 0 is the "scnr",
// tag 1 an "sbsp". The map is sound: signatures, a structure BSP, model data (PC,
// CE), the usual tag base address, the tag data size and a correct CRC32.
// The same seed gives the same bytes. A relayout N above 0 gives the same tags
// (names, classes, metadata content) in another index and metadata order (the
// first and the last tag stay in place) under other identifiers; its references
// point to the same tags and places as the layout 0 ones.
SampleMapPlan GenerateSampleMap(std::uint16_t version, int tagCount, std::uint32_t seed,
                                std::uint32_t metaBytesPerTag = 256, std::uint32_t relayout = 0);

void WriteBytesToFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytesFromFile(const std::string& path);

// Little-endian word and float writers for building metadata by hand.
void PutLe32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value);
void PutLe16(std::vector<unsigned char>& bytes, std::size_t at, std::uint16_t value);
void PutClassCode(std::vector<unsigned char>& bytes, std::size_t at, const std::string& code);

}  // namespace jov
