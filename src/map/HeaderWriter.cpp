#include "map/HeaderWriter.h"

#include <algorithm>

#include "map/ValueText.h"

namespace jov {

namespace {

void WriteText32(BinaryFile& file, std::uint32_t at, const std::string& text) {
  // Zero the whole field first, so a shorter text leaves no old characters behind.
  const unsigned char zeros[32] = {};
  file.Write(at, zeros, sizeof zeros);
  // The dialog limits these texts to 32 characters; a longer one never spills
  // into the next field.
  file.Write(at, text.data(), std::min<std::size_t>(text.size(), 32));
}

void WriteHexField(BinaryFile& file, std::uint64_t at, const std::string& hex, int n) {
  unsigned char bytes[4];
  EncodeHexField(hex, bytes, n);
  file.Write(at, bytes, static_cast<std::size_t>(n));
}

}  // namespace

void WriteHeader(CMapFile& map, const MapHeaderInfo& info) {
  BinaryFile& file = map.File();
  const bool pcIndex = HasPcIndexLayout(map.m_nVersion);
  // Where the index header lies now, as the map was read.
  std::uint32_t indexHeaderAt = HexToUInt(map.m_strIndexOffset);
  std::string indexOffsetText = info.m_strIndexOffset;
  if (pcIndex) {
    indexHeaderAt -= 4;
    indexOffsetText = UIntToHex(HexToUInt(info.m_strIndexOffset) - 4);
  }

  WriteText32(file, 0x20, info.m_strMapName);
  WriteText32(file, 0x40, info.m_strBuildDate);
  WriteHexField(file, 0x04, UIntToHex(info.m_nVersion), 2);
  WriteHexField(file, 0x60, UIntToHex(info.m_nMapType), 2);
  WriteHexField(file, 0x08, info.m_strEofPosition, 4);
  WriteHexField(file, 0x10, indexOffsetText, 4);
  WriteHexField(file, 0x14, UIntToHex(static_cast<std::uint32_t>(info.m_nMetaIndexSize)), 4);
  WriteHexField(file, indexHeaderAt, info.m_strIndexMagic, 4);
  WriteHexField(file, std::uint64_t{indexHeaderAt} + 12, UIntToHex(info.m_nTagCount), 2);
}

}  // namespace jov
