#include "map/SampleMap.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include <zlib.h>

#include "map/MapFile.h"
#include "map/TagClassTable.h"
#include "platform/BinaryFile.h"

namespace jov {

namespace {

constexpr std::uint32_t kHeaderSize = 0x800;

std::uint32_t IndexHeaderSize(std::uint16_t version) { return HasPcIndexLayout(version) ? 0x28 : 0x24; }

void PutText(std::vector<unsigned char>& bytes, std::size_t at, const std::string& text, std::size_t width) {
  std::memcpy(bytes.data() + at, text.data(), std::min(text.size(), width));
}

// Relayout N: where generated tag n goes in the index (tag 0 and the last tag
// keep their places), and its identifier. N = 0 is the plain layout.
std::vector<std::size_t> RelayoutPositions(int count, std::uint32_t relayout) {
  std::vector<std::size_t> positions(static_cast<std::size_t>(count));
  for (std::size_t n = 0; n < positions.size(); ++n) positions[n] = n;
  if (relayout != 0 && count > 3) std::shuffle(positions.begin() + 1, positions.end() - 1, std::mt19937(relayout));
  return positions;
}

// Generated tag n placed at index position: the tag's index in the low half, as
// the game numbers its tags (the map check warns about any other), and a salt
// per tag in the high half whose two bytes have their top bit set. A zero byte
// there would make identifiers such as e6000000, which runs of zeros in the
// metadata match by chance.
std::uint32_t RelayoutIdentifier(std::uint32_t identifier, int n, std::size_t position, std::uint32_t relayout) {
  if (relayout == 0) return identifier;
  const std::uint32_t salt = 0x0174u + relayout * 0x0123u + static_cast<std::uint32_t>(n);
  const std::uint32_t high = 0x8080u | (salt & 0x7Fu) | ((salt >> 7) & 0x7Fu) << 8;
  return (high << 16) | (static_cast<std::uint32_t>(position) & 0xFFFFu);
}

}  // namespace

void PutLe32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

void PutLe16(std::vector<unsigned char>& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<unsigned char>(value);
  bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void PutClassCode(std::vector<unsigned char>& bytes, std::size_t at, const std::string& code) {
  // Class codes are stored with their four characters reversed; a short code is
  // padded with zero bytes first.
  std::string padded = code.substr(0, 4);
  padded.resize(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(padded[3 - i]);
}

namespace {

// Written before the header and the tag data, which win where a changed plan
// makes them share bytes.
void WriteBspsAndModelData(const SampleMapPlan& plan, const SampleLayout& layout, std::vector<unsigned char>& bytes) {
  const auto region = [&bytes](std::uint32_t at, const std::vector<unsigned char>& part) {
    if (!part.empty() && at + part.size() <= bytes.size()) std::memcpy(bytes.data() + at, part.data(), part.size());
  };
  for (std::size_t n = 0; n < plan.bsps.size(); ++n) region(layout.bspOffsets[n], plan.bsps[n]);
  if (HasPcIndexLayout(plan.version)) region(layout.modelOffset, plan.modelData);
}

void WriteSoundParts(const SampleMapPlan& plan, const SampleLayout& layout, std::vector<unsigned char>& bytes) {
  const bool pc = HasPcIndexLayout(plan.version);
  if (pc && !plan.modelData.empty()) {
    PutLe32(bytes, plan.indexOffset + 0x14, layout.modelOffset);
    PutLe32(bytes, plan.indexOffset + 0x20, static_cast<std::uint32_t>(plan.modelData.size()));
  }
  const auto scenario = static_cast<std::size_t>(plan.scenarioTag);
  if (plan.scenarioTag >= 0 && scenario < plan.tags.size() &&
      plan.tags[scenario].meta.size() >= kSampleBspListAt + 32 * plan.bsps.size()) {
    const std::uint32_t meta = layout.metaOffsets[scenario];
    PutLe32(bytes, meta + 0x5A4, static_cast<std::uint32_t>(plan.bsps.size()));
    PutLe32(bytes, meta + 0x5A8, meta + kSampleBspListAt + plan.magic);
    for (std::size_t n = 0; n < plan.bsps.size(); ++n) {
      const std::size_t e = meta + kSampleBspListAt + 32 * n;
      std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(e), bytes.begin() + static_cast<std::ptrdiff_t>(e + 32), 0);
      PutLe32(bytes, e, layout.bspOffsets[n]);
      PutLe32(bytes, e + 4, static_cast<std::uint32_t>(plan.bsps[n].size()));
    }
  }
  if (!plan.sealed) return;
  // The tag data runs from its header to the end of the metadata; the CRC32 runs
  // over the structure BSPs, the model data and the tag data, and is stored NOT-ed.
  const std::uint32_t tagDataSize = layout.eofPosition - plan.indexOffset;
  PutLe32(bytes, 0x14, tagDataSize);
  if (!pc || layout.modelOffset + plan.modelData.size() > bytes.size()) return;
  uLong crc = crc32(0, nullptr, 0);
  for (std::size_t n = 0; n < plan.bsps.size(); ++n)
    crc = crc32(crc, bytes.data() + layout.bspOffsets[n], static_cast<uInt>(plan.bsps[n].size()));
  crc = crc32(crc, bytes.data() + layout.modelOffset, static_cast<uInt>(plan.modelData.size()));
  crc = crc32(crc, bytes.data() + plan.indexOffset, tagDataSize);
  PutLe32(bytes, 0x64, ~static_cast<std::uint32_t>(crc));
}

}  // namespace

SampleLayout LayoutOf(const SampleMapPlan& plan) {
  SampleLayout layout;
  layout.firstEntry = plan.indexOffset + IndexHeaderSize(plan.version);
  layout.indexMagic = layout.firstEntry + plan.magic;
  std::uint32_t at = layout.firstEntry + 32 * static_cast<std::uint32_t>(plan.tags.size());
  for (const SampleTag& tag : plan.tags) {
    layout.nameOffsets.push_back(at);
    at += static_cast<std::uint32_t>(tag.name.size()) + 1;
  }
  at = (at + 15) & ~15u;
  for (const SampleTag& tag : plan.tags) {
    layout.metaOffsets.push_back(at);
    at += static_cast<std::uint32_t>(tag.meta.size());
  }
  layout.eofPosition = at;
  std::uint32_t region = kHeaderSize;
  for (const auto& bsp : plan.bsps) {
    layout.bspOffsets.push_back(region);
    region += static_cast<std::uint32_t>(bsp.size());
  }
  layout.modelOffset = region;
  return layout;
}

std::vector<unsigned char> WriteSampleMap(const SampleMapPlan& plan) {
  const SampleLayout layout = LayoutOf(plan);
  std::vector<unsigned char> bytes(std::max<std::size_t>(layout.eofPosition, kHeaderSize) + plan.extraBytesAtEnd);
  WriteBspsAndModelData(plan, layout, bytes);

  PutText(bytes, 0x00, "daeh", 4);
  PutLe16(bytes, 0x04, plan.version);
  PutLe32(bytes, 0x08, layout.eofPosition);
  PutLe32(bytes, 0x10, plan.indexOffset);
  PutLe32(bytes, 0x14, static_cast<std::uint32_t>(plan.metaIndexSize));
  PutText(bytes, 0x20, plan.mapName, 32);
  PutText(bytes, 0x40, plan.buildDate, 32);
  PutLe16(bytes, 0x60, plan.mapType);
  PutText(bytes, 0x7FC, "toof", 4);

  PutLe32(bytes, plan.indexOffset, layout.indexMagic);
  PutLe32(bytes, plan.indexOffset + 4, plan.tags.empty() ? 0 : plan.tags.front().identifier);
  PutLe16(bytes, plan.indexOffset + 0x0C, static_cast<std::uint16_t>(plan.tags.size()));

  for (std::size_t n = 0; n < plan.tags.size(); ++n) {
    const SampleTag& tag = plan.tags[n];
    const std::size_t e = layout.firstEntry + 32 * n;
    PutClassCode(bytes, e + 0x00, tag.class1);
    PutClassCode(bytes, e + 0x04, tag.class2);
    PutClassCode(bytes, e + 0x08, tag.class3);
    PutLe32(bytes, e + 0x0C, tag.identifier);
    PutLe32(bytes, e + 0x10, layout.nameOffsets[n] + plan.magic);
    PutLe32(bytes, e + 0x14, layout.metaOffsets[n] + plan.magic);
    PutText(bytes, layout.nameOffsets[n], tag.name, tag.name.size());
    // An empty vector's data() may be null, which memcpy must never be given.
    if (!tag.meta.empty()) std::memcpy(bytes.data() + layout.metaOffsets[n], tag.meta.data(), tag.meta.size());
  }
  WriteSoundParts(plan, layout, bytes);
  return bytes;
}

SampleMapPlan GenerateSampleMap(std::uint16_t version, int tagCount, std::uint32_t seed,
                                std::uint32_t metaBytesPerTag, std::uint32_t relayout) {
  std::mt19937 rng(seed);
  auto below = [&rng](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };

  SampleMapPlan plan;
  plan.version = version;
  plan.mapType = 1;
  // One structure BSP and, on PC and CE, model data before the tag data; tags
  // are based at the game's usual address, so Index Magic is that base plus the
  // tag data header's length.
  constexpr std::uint32_t kBspBytes = 0x2000;
  constexpr std::uint32_t kModelBytes = 0x1000;
  plan.indexOffset = kHeaderSize + kBspBytes + (HasPcIndexLayout(version) ? kModelBytes : 0);
  plan.magic = (version == kVersionXbox ? 0x803A6000u : 0x40440000u) - plan.indexOffset;
  plan.scenarioTag = 0;
  plan.sealed = true;
  static const char* kFolders[] = {"weapons", "vehicles", "characters", "scenery", "effects", "sound", "levels"};
  static const char* kWords[] = {"pistol", "warthog", "cyborg", "rock", "plasma", "shotgun", "banshee", "tree", "fx", "hit"};

  const int count = std::max(tagCount, 2);
  for (int n = 0; n < count; ++n) {
    SampleTag tag;
    int row = static_cast<int>(below(TagClassTable::kSearchRows));
    if (TagClassTable::Rows()[static_cast<std::size_t>(row)].code == "sbsp") row = 76;  // weap
    tag.class1 = n == 1 ? "sbsp" : (n == 0 ? "scnr" : TagClassTable::Rows()[static_cast<std::size_t>(row)].code);
    if (n % 7 == 3) tag.class2 = "obje";
    tag.name = std::string(kFolders[below(7)]) + "\\" + kWords[below(10)] + "\\" + kWords[below(10)] + "_" + std::to_string(n);
    tag.identifier = (0xE1740000u + (static_cast<std::uint32_t>(n) << 16)) | static_cast<std::uint32_t>(n);
    // Sizes vary and are not always multiples of four.
    std::uint32_t size = n == count - 1 ? 0 : metaBytesPerTag / 2 + below(metaBytesPerTag) + (n % 3);
    if (n == 0) size = std::max<std::uint32_t>(size, kSampleBspListAt + 32);  // room for the BSP list
    tag.meta.assign(size, 0);
    plan.tags.push_back(std::move(tag));
  }
  // Generated tag n sits at index[n]; content is drawn in generation order.
  const std::vector<std::size_t> index = RelayoutPositions(count, relayout);
  for (std::size_t n = 0; n < index.size(); ++n)
    plan.tags[n].identifier = RelayoutIdentifier(plan.tags[n].identifier, static_cast<int>(n), index[n], relayout);
  std::vector<SampleTag> placed(plan.tags.size());
  for (std::size_t n = 0; n < index.size(); ++n) placed[index[n]] = std::move(plan.tags[n]);
  plan.tags = std::move(placed);

  const SampleLayout layout = LayoutOf(plan);
  for (int n = 0; n < count; ++n) {
    SampleTag& tag = plan.tags[index[static_cast<std::size_t>(n)]];
    auto& meta = tag.meta;
    const std::uint32_t base = layout.metaOffsets[index[static_cast<std::size_t>(n)]] + plan.magic;
    for (std::size_t at = 0; at + 16 <= meta.size(); at += 16) {
      const SampleTag& other = plan.tags[index[below(static_cast<std::uint32_t>(count))]];
      switch (below(6)) {
        case 0:  // dependency: class, 8 bytes, identifier
          PutClassCode(meta, at, other.class1);
          PutLe32(meta, at + 12, below(8) == 0 ? 0xFFFFFFFFu : other.identifier);
          break;
        case 1:  // reflexive: count, pointer into this tag, 4 free bytes
          PutLe32(meta, at, 1 + below(12));
          PutLe32(meta, at + 4, base + below(static_cast<std::uint32_t>(meta.size())));
          break;
        case 2:  // lone identifier
          PutLe32(meta, at + 4, other.identifier);
          break;
        case 3: {  // floats
          const float a = static_cast<float>(below(1000)) / 100.0f;
          const float b = static_cast<float>(below(40)) * 0.25f;
          std::uint32_t bits;
          std::memcpy(&bits, &a, 4);
          PutLe32(meta, at, bits);
          std::memcpy(&bits, &b, 4);
          PutLe32(meta, at + 8, bits);
          break;
        }
        case 4:  // small values
          PutLe16(meta, at, static_cast<std::uint16_t>(1 + below(15)));
          PutLe16(meta, at + 6, static_cast<std::uint16_t>(below(300)));
          break;
        default:  // noise
          for (std::size_t i = 0; i < 16; ++i) meta[at + i] = static_cast<unsigned char>(rng());
      }
    }
  }
  plan.bsps.assign(1, std::vector<unsigned char>(kBspBytes));
  for (unsigned char& b : plan.bsps[0]) b = static_cast<unsigned char>(rng());
  if (HasPcIndexLayout(version)) {
    plan.modelData.resize(kModelBytes);
    for (unsigned char& b : plan.modelData) b = static_cast<unsigned char>(rng());
  }
  return plan;
}

void WriteBytesToFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, path);
  file.Write(0, bytes.data(), bytes.size());
}

std::vector<unsigned char> ReadBytesFromFile(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(file.Length()));
  file.Read(0, bytes.data(), bytes.size());
  return bytes;
}

}  // namespace jov
