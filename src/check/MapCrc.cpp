#include "check/MapCrc.h"

#include <zlib.h>

#include <array>
#include <climits>

#include "check/FileBytes.h"
#include "map/Refused.h"

namespace jov {

namespace {


// The reflected CRC-32 table (polynomial 0xEDB88320) and, for running the
// register backwards, the index of each table entry by its top byte (the top
// bytes are all different).
struct CrcTables {
  std::array<std::uint32_t, 256> forward{};
  std::array<std::uint8_t, 256> byTopByte{};
  CrcTables() {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      forward[n] = c;
      byTopByte[c >> 24] = static_cast<std::uint8_t>(n);
    }
  }
};

const CrcTables& Tables() {
  static const CrcTables tables;
  return tables;
}

// zlib's crc32 takes a uInt length.
std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::uint64_t size) {
  while (size > 0) {
    const uInt part = static_cast<uInt>(std::min<std::uint64_t>(size, 1u << 30));
    crc = static_cast<std::uint32_t>(crc32(crc, data, part));
    data += part;
    size -= part;
  }
  return crc;
}

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t length) {
  return offset <= length && size <= length - offset;
}

}  // namespace

CrcLayout FindCrcRegions(std::span<const unsigned char> file, const MapLayout& m) {
  CrcLayout out;
  auto fail = [&out](std::string where, std::string problem) {
    out.problemWhere = std::move(where);
    out.problem = std::move(problem);
    return out;
  };
  if (!m.pcLayout) return fail("header 0x004 version", "only PC and CE maps carry a CRC32");
  if (!m.tagHeaderInFile) return fail("header 0x010 Index Offset", "the tag data header lies outside the file");

  // The scenario (the tag the tag data header names, else the first "scnr")
  // and its structure BSP list, as the reader pictures them.
  const MapPicture picture = PictureOfBytes(file, m);
  if (picture.scenario < 0) return fail("tag data header +0x04 scenario", "the map has no scenario tag, so its structure BSPs are unknown");
  out.scenarioTag = picture.scenario;
  const std::string scenarioWhere = "tag " + std::to_string(picture.scenario) + " scnr";
  if (!picture.bspListRead) return fail(scenarioWhere, picture.bspProblem);
  for (std::size_t n = 0; n < picture.bsps.size(); ++n) {
    const BspSection& bsp = picture.bsps[n];
    // A section that overlaps the tag data is still what the game sums.
    if (!Inside(bsp.offset, bsp.size, file.size())) return fail("structure BSP " + std::to_string(n), bsp.problem);
    out.regions.push_back({bsp.offset, bsp.size, "structure BSP " + std::to_string(n)});
  }
  if (!Inside(m.modelOffset, m.modelSize, file.size()))
    return fail("tag data header +0x14 model data", "the model data " + Hex(m.modelOffset) + ".." +
                                                         Hex(std::uint64_t{m.modelOffset} + m.modelSize) +
                                                         " runs past the end of the file (" + Hex(file.size()) + " bytes)");
  out.regions.push_back({m.modelOffset, m.modelSize, "model data"});
  if (!Inside(m.indexOffset, m.tagDataSize, file.size()))
    return fail("header 0x014 tag data size", "the tag data " + Hex(m.indexOffset) + ".." +
                                                   Hex(std::uint64_t{m.indexOffset} + m.tagDataSize) +
                                                   " runs past the end of the file (" + Hex(file.size()) + " bytes)");
  out.regions.push_back({m.indexOffset, m.tagDataSize, "tag data"});
  out.ok = true;
  return out;
}

std::uint32_t CrcOfRegions(std::span<const unsigned char> file, const std::vector<CrcRegion>& regions) {
  return CrcOfRegions(file, regions, {});
}

std::uint32_t CrcOfRegions(std::span<const unsigned char> file, const std::vector<CrcRegion>& regions,
                           std::span<const std::uint32_t> chunkCrcs) {
  constexpr std::uint64_t kChunk = FileBytes::kChunk;
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  for (const CrcRegion& r : regions) {
    // The whole chunks inside the region come from the table, the ends are summed.
    const std::uint64_t end = r.offset + r.size;
    const std::uint64_t first = (r.offset + kChunk - 1) / kChunk;
    const std::uint64_t last = std::min<std::uint64_t>(end / kChunk, chunkCrcs.size());
    if (first >= last) {
      crc = Crc32(crc, file.data() + r.offset, r.size);
      continue;
    }
    crc = Crc32(crc, file.data() + r.offset, first * kChunk - r.offset);
    for (std::uint64_t k = first; k < last; ++k)
      crc = static_cast<std::uint32_t>(crc32_combine(crc, chunkCrcs[static_cast<std::size_t>(k)], static_cast<z_off_t>(kChunk)));
    crc = Crc32(crc, file.data() + last * kChunk, end - last * kChunk);
  }
  return ~crc;
}

std::uint32_t SolveFreeValue(std::uint32_t registerBefore, std::span<const unsigned char> after, std::uint32_t wanted) {
  const CrcTables& t = Tables();
  // One byte forward: r' = T[(r ^ b) & 0xFF] ^ (r >> 8). The top byte of r' is
  // the top byte of that table entry, which names the entry; the rest follows.
  std::uint32_t r = wanted;
  for (std::size_t i = after.size(); i-- > 0;) {
    const std::uint8_t index = t.byTopByte[r >> 24];
    r = ((r ^ t.forward[index]) << 8) | static_cast<std::uint8_t>(index ^ after[i]);
  }
  // Four bytes X after register s give the same register as four zero bytes
  // after s ^ X: undo four zero-byte steps, then X is what turns s into that.
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t index = t.byTopByte[r >> 24];
    r = ((r ^ t.forward[index]) << 8) | index;
  }
  return r ^ registerBefore;
}

namespace {

const std::string& PathOfOpen(const CMapFile& map) {
  if (!map.m_bOpen) throw Refused("No map is open in this panel; there is no CRC32 to compute.");
  return map.m_strPath;
}

struct OpenedCrc {
  FileBytes mapped;
  MapLayout layout;
  CrcLayout crc;
  explicit OpenedCrc(const CMapFile& map) : mapped(PathOfOpen(map)) {
    layout = ReadMapLayout(mapped.Bytes());
    if (mapped.Bytes().size() < kMapHeaderSize) throw Refused("The file is shorter than the 0x800-byte header; it has no CRC32.");
    crc = FindCrcRegions(mapped.Bytes(), layout);
    if (!crc.ok) throw Refused("The CRC32 cannot be computed: " + crc.problem + ".");
  }
};

void WriteLe32(CMapFile& map, std::uint64_t at, std::uint32_t value) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  map.File().Write(at, bytes, sizeof bytes);
}

}  // namespace

CrcValues MapCrcValues(const CMapFile& map) {
  const OpenedCrc o(map);
  return {*Le32At(o.mapped.Bytes(), 0x64), CrcOfRegions(o.mapped.Bytes(), o.crc.regions, o.mapped.ChunkCrcs())};
}

std::uint32_t FixMapCrc(CMapFile& map) {
  const std::uint32_t computed = MapCrcValues(map).computed;
  WriteLe32(map, 0x64, computed);
  return computed;
}

void ForgeMapCrc(CMapFile& map, std::uint32_t wanted) {
  const OpenedCrc o(map);
  const auto file = o.mapped.Bytes();
  const std::uint64_t freeAt = std::uint64_t{o.layout.indexOffset} + 8;
  // The free value must be covered once, by the tag data, for the solution to hold.
  const CrcRegion& tagData = o.crc.regions.back();
  if (tagData.size < 12) throw Refused("The tag data is too short to hold the free value at +0x08; the CRC32 cannot be forged.");
  for (std::size_t n = 0; n + 1 < o.crc.regions.size(); ++n) {
    const CrcRegion& r = o.crc.regions[n];
    if (freeAt < r.offset + r.size && r.offset < freeAt + 4)
      throw Refused("The free value at tag data header +0x08 also lies in the " + r.what + "; the CRC32 cannot be forged.");
  }
  std::vector<CrcRegion> before(o.crc.regions.begin(), o.crc.regions.end() - 1);
  before.push_back({tagData.offset, 8, "tag data"});
  const std::uint32_t registerBefore = CrcOfRegions(file, before);
  const std::uint32_t value = SolveFreeValue(registerBefore, file.subspan(freeAt + 4, tagData.size - 12), wanted);
  WriteLe32(map, freeAt, value);
  WriteLe32(map, 0x64, wanted);
}

}  // namespace jov
