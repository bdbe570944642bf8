#include "check/MapLayout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
  m.modelOffset = Le32At(file, at + 0x14).value_or(0);
  m.modelField1C = Le32At(file, at + 0x1C).value_or(0);
  if (m.pcLayout) m.modelSize = Le32At(file, at + 0x20).value_or(0);
  m.firstEntry = at + m.headerSize;
  m.magic = m.indexMagic - static_cast<std::uint32_t>(m.firstEntry);
  if (m.tagHeaderInFile && m.firstEntry <= file.size())
    m.entriesInFile = static_cast<std::uint32_t>(std::min<std::uint64_t>(m.tagCount, (file.size() - m.firstEntry) / 32));
  return m;
}

std::string ClassAt(std::span<const unsigned char> file, const MapLayout& m, std::uint32_t n) {
  const char* stored = reinterpret_cast<const char*>(file.data() + m.firstEntry + 32ull * n);
  std::string code(stored, strnlen(stored, 4));
  std::reverse(code.begin(), code.end());
  return code;
}

MapPicture PictureOfBytes(std::span<const unsigned char> file, const MapLayout& m) {
  PictureHeader header;
  header.version = m.version;
  header.fileLength = file.size();
  header.eofPosition = m.eofPosition;
  header.indexOffset = m.indexOffset;
  header.tagDataSize = m.tagDataSize;
  header.magic = m.magic;
  header.scenarioId = m.scenarioId;
  header.modelField14 = m.modelOffset;
  header.modelField1C = m.modelField1C;
  header.modelSize = m.modelSize;
  std::vector<std::string> classes(m.entriesInFile);
  std::vector<PictureEntry> entries(m.entriesInFile);
  for (std::uint32_t n = 0; n < m.entriesInFile; ++n) {
    const std::uint64_t e = m.firstEntry + 32ull * n;
    classes[n] = ClassAt(file, m, n);
    entries[n] = {classes[n], *Le32At(file, e + 0x0C), *Le32At(file, e + 0x14), Le32At(file, e + 0x18).value_or(0)};
  }
  return DrawMapPicture(header, entries, [file](std::uint64_t at, void* out, std::size_t n) {
    if (at > file.size() || n > file.size() - at) return false;
    if (n > 0) std::memcpy(out, file.data() + at, n);
    return true;
  });
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
