#include "check/MapLayout.h"

#include <algorithm>
#include <cstdio>

namespace jov {

std::optional<std::uint32_t> Le32At(std::span<const unsigned char> file, std::uint64_t at) {
  if (at > file.size() || file.size() - at < 4) return std::nullopt;
  const unsigned char* p = file.data() + at;
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::optional<std::uint16_t> Le16At(std::span<const unsigned char> file, std::uint64_t at) {
  if (at > file.size() || file.size() - at < 2) return std::nullopt;
  return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

MapLayout ReadMapLayout(std::span<const unsigned char> file) {
  MapLayout m;
  m.fileLength = file.size();
  m.version = Le16At(file, 0x04).value_or(0);
  m.pcLayout = m.version == 7 || m.version == 0x261;
  m.headerSize = m.pcLayout ? 0x28 : 0x24;
  m.eofPosition = Le32At(file, 0x08).value_or(0);
  m.indexOffset = Le32At(file, 0x10).value_or(0);
  m.tagDataSize = Le32At(file, 0x14).value_or(0);

  const std::uint64_t at = m.indexOffset;
  m.tagHeaderInFile = at + m.headerSize <= file.size();
  m.indexMagic = Le32At(file, at).value_or(0);
  m.scenarioId = Le32At(file, at + 0x04).value_or(0);
  m.tagCount = Le16At(file, at + 0x0C).value_or(0);
  if (m.pcLayout) {
    m.modelOffset = Le32At(file, at + 0x14).value_or(0);
    m.modelSize = Le32At(file, at + 0x20).value_or(0);
  }
  m.firstEntry = at + m.headerSize;
  m.magic = m.indexMagic - static_cast<std::uint32_t>(m.firstEntry);
  if (m.tagHeaderInFile && m.firstEntry <= file.size())
    m.entriesInFile = static_cast<std::uint32_t>(std::min<std::uint64_t>(m.tagCount, (file.size() - m.firstEntry) / 32));
  return m;
}

std::string SpacedHexBytes(std::span<const unsigned char> bytes) {
  std::string text;
  char two[4];
  for (const unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    if (!text.empty()) text += ' ';
    text += two;
  }
  return text;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace jov
