#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "map/MapPicture.h"

// The numbers of a map's header and tag data header, read from the file's bytes
// without trusting any of them: every read is bounded by the file's length, and
// a field that lies past the end reads as absent.
namespace jov {

inline constexpr std::uint32_t kMapHeaderSize = 0x800;
inline constexpr std::uint32_t kPcTagBase = 0x40440000;    // where PC and CE load their tags
inline constexpr std::uint32_t kXboxTagBase = 0x803A6000;  // and the Xbox

std::optional<std::uint32_t> Le32At(std::span<const unsigned char> file, std::uint64_t at);
std::optional<std::uint16_t> Le16At(std::span<const unsigned char> file, std::uint64_t at);

struct MapLayout {
  std::uint64_t fileLength = 0;
  std::uint16_t version = 0;
  bool pcLayout = false;              // versions 7 and 0x261: a 0x28-byte tag data header
  std::uint32_t eofPosition = 0;      // header 0x008
  std::uint32_t indexOffset = 0;      // header 0x010: the tag data header's file offset
  std::uint32_t tagDataSize = 0;      // header 0x014
  std::uint32_t headerSize = 0x24;    // the tag data header's length
  bool tagHeaderInFile = false;       // the whole tag data header lies in the file
  std::uint32_t indexMagic = 0;       // tag data header +0x00
  std::uint32_t scenarioId = 0;       // +0x04
  std::uint16_t tagCount = 0;         // +0x0C
  std::uint32_t modelOffset = 0;      // +0x14 (PC, CE; on the Xbox a pointer)
  std::uint32_t modelField1C = 0;     // +0x1C (PC, CE: vertex data size; Xbox: a pointer)
  std::uint32_t modelSize = 0;        // +0x20 (PC, CE)
  std::uint64_t firstEntry = 0;       // file offset of entry 0
  std::uint32_t magic = 0;            // pointer minus file offset, as the reader takes it
  std::uint32_t entriesInFile = 0;    // the entries that lie wholly in the file

  std::uint32_t UsualBase() const { return version == 5 ? kXboxTagBase : kPcTagBase; }
  std::uint32_t BaseAddress() const { return indexMagic - headerSize; }
  // A pointer stored in the map as a file offset.
  std::uint32_t OffsetOf(std::uint32_t pointer) const { return pointer - magic; }
};

// Reads what lies in the file; needs at least the 0x800-byte header to say much.
MapLayout ReadMapLayout(std::span<const unsigned char> file);

// Where every tag's bytes live (the reader's picture), drawn from the entries
// that lie in the file.
MapPicture PictureOfBytes(std::span<const unsigned char> file, const MapLayout& layout);
// Entry n's class 1 as shown: its stored bytes up to the first zero, reversed.
std::string ClassAt(std::span<const unsigned char> file, const MapLayout& layout, std::uint32_t n);

// A few bytes as "64 61 65 68".
std::string SpacedHexBytes(std::span<const unsigned char> bytes);
// "0x1a2b".
std::string Hex(std::uint64_t value);

}  // namespace jov
