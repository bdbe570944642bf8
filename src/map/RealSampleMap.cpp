#include "map/RealSampleMap.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>

#include <zlib.h>

#include "map/MapFile.h"

namespace jov {

namespace {

using Home = RealTagTruth::Home;

constexpr std::uint32_t kHeaderSize = 0x800;
constexpr std::uint32_t kBspHeaderSize = 0x18;
constexpr std::uint32_t kBspBaseStruct = 0x288;
constexpr std::uint32_t kScenarioBspBlock = 0x5A4;
constexpr std::uint32_t kScenarioBspEntries = 0x5B0;  // right after the scenario's base struct
constexpr std::uint32_t kBitmapBaseStruct = 0x6C;
constexpr std::uint32_t kBitmapDataBlock = 0x60;
constexpr std::uint32_t kBitmapDataSize = 0x30;
constexpr std::uint32_t kBitmapDataExternal = 0x100;  // flags: pixels in bitmaps.map
constexpr std::uint32_t kSoundPitchRanges = 0x98;
constexpr std::uint32_t kPitchRangeSize = 0x48;
constexpr std::uint32_t kPitchRangePermutations = 0x3C;
constexpr std::uint32_t kPermutationSize = 0x7C;
constexpr std::uint32_t kPermutationSamples = 0x40;  // data reference: size, flags, file offset, pointer
constexpr std::uint32_t kModelBaseStruct = 0xE8;
constexpr std::uint32_t kModelGeometries = 0xD0;
constexpr std::uint32_t kGeometrySize = 0x30;
constexpr std::uint32_t kGeometryParts = 0x24;

std::uint32_t Align(std::uint32_t value, std::uint32_t to) { return (value + to - 1) / to * to; }

std::uint32_t Identifier(std::size_t index) {
  const auto i = static_cast<std::uint32_t>(index);
  return (((i + 0x6174u) | 0x8000u) & 0xFFFFu) << 16 | (i & 0xFFFFu);
}

// A value of a tag's metadata that depends on where things land: written once
// the layout is known.
struct Fix {
  enum class Kind {
    Pointer,      // the tag's own base + a
    NamePointer,  // tag a's path pointer
    Id,           // tag a's identifier
    Raw,          // file offset of raw blob a (in the map or its resource map)
    BspOffset,    // file offset of tag a's BSP section
    PartVertices, // part a's vertices: offset from the model data (PC), address (Xbox)
    PartIndices,  // part a's indices: offset from the index start (PC), address (Xbox)
  } kind;
  std::uint32_t at;
  std::uint32_t a;
};

struct Blob {
  std::vector<unsigned char> bytes;
  std::size_t owner = 0;
};

struct Part {
  std::vector<unsigned char> vertices;
  std::vector<unsigned char> indices;
};

struct Generated {
  std::string class1, class2 = std::string(4, '\xFF'), class3 = std::string(4, '\xFF');
  std::string path;
  Home home = Home::Map;
  std::vector<unsigned char> meta;  // unresolved content
  std::vector<Fix> fixes;
  std::vector<std::size_t> blobs;   // raw blobs it owns, in order
};

struct ClassOf {
  const char* c1;
  const char* c2;
  const char* c3;
};

// Classes the generator draws from besides the ones with layouts of their own.
constexpr ClassOf kPlainClasses[] = {
    {"weap", "item", "obje"}, {"proj", "obje", nullptr}, {"bipd", "unit", "obje"}, {"vehi", "unit", "obje"},
    {"scen", "obje", nullptr}, {"eqip", "item", "obje"}, {"effe", nullptr, nullptr}, {"jpt!", nullptr, nullptr},
    {"ligh", nullptr, nullptr}, {"part", nullptr, nullptr}, {"soso", "shdr", nullptr}, {"tagc", nullptr, nullptr},
    {"matg", nullptr, nullptr}, {"ant!", nullptr, nullptr},
};

bool IsLocClass(const std::string& c) { return c == "font" || c == "ustr" || c == "hmt "; }

class Generator {
 public:
  Generator(std::uint16_t version, std::uint32_t seed, std::uint32_t metaBytesPerTag)
      : m_version(version), m_xbox(version == kVersionXbox), m_rng(seed), m_metaBytes(std::max<std::uint32_t>(metaBytesPerTag, 32)) {}

  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(m_rng() % n); }

  std::vector<Generated> tags;
  std::vector<Blob> blobs;
  std::vector<Part> parts;

  void Classes(int count) {
    static const char* kFolders[] = {"weapons", "vehicles", "characters", "scenery", "effects", "sound", "ui"};
    static const char* kWords[] = {"pistol", "warthog", "cyborg", "rock", "plasma", "shotgun", "banshee", "tree", "fx", "hit"};
    static const char* kSpecial[] = {"bitm", "snd!", "font", "ustr", "hmt ", "bitm", "snd!"};
    int seen[5] = {0, 0, 0, 0, 0};  // bitm, snd!, loc classes: every other one is external on CE
    for (int n = 0; n < count; ++n) {
      Generated tag;
      if (n == 0) {
        tag.class1 = "scnr";
      } else if (n == 1 || n == 2) {
        tag.class1 = "sbsp";
      } else if (n == 3) {
        tag.class1 = m_xbox ? "mode" : "mod2";
      } else if (n == count - 1) {
        Plain(tag);  // the last tag keeps its metadata in the map
      } else if (n - 4 < static_cast<int>(std::size(kSpecial))) {
        tag.class1 = kSpecial[n - 4];
      } else {
        // Six in ten may live in a resource map on CE, so about three in ten do.
        switch (Below(10)) {
          case 0:
          case 1:
          case 2: tag.class1 = "bitm"; break;
          case 3: tag.class1 = "snd!"; break;
          case 4:
          case 5: tag.class1 = kSpecial[2 + Below(3)]; break;
          case 6: tag.class1 = m_xbox ? "mode" : "mod2"; break;
          default: Plain(tag);
        }
      }
      tag.path = n == 0 ? std::string("levels\\test\\bloodgulch\\bloodgulch")
                        : std::string(kFolders[Below(7)]) + "\\" + kWords[Below(10)] + "\\" + kWords[Below(10)] + "_" +
                              std::to_string(n);
      if (tag.class1 == "sbsp") tag.path = "levels\\test\\bloodgulch\\bloodgulch_" + std::string(n == 1 ? "a" : "b");
      const int kind = tag.class1 == "bitm" ? 0 : tag.class1 == "snd!" ? 1 : IsLocClass(tag.class1) ? 2 : -1;
      if (kind >= 0 && m_version == kVersionCe && seen[kind]++ % 2 == 0)
        tag.home = kind == 1 ? Home::ExternalSound : Home::External;
      if (tag.class1 == "sbsp") tag.home = Home::Bsp;
      tags.push_back(std::move(tag));
    }
  }

  void Contents() {
    for (std::size_t n = 0; n < tags.size(); ++n) {
      Generated& tag = tags[n];
      if (tag.class1 == "scnr") Scenario(n);
      else if (tag.class1 == "sbsp") Bsp(n);
      else if (tag.class1 == "bitm") Bitmap(n);
      else if (tag.class1 == "snd!") Sound(n);
      else if (tag.class1 == "mod2" || tag.class1 == "mode") Model(n);
      else Filled(n, 0, GenericSize());
    }
  }

 private:
  void Plain(Generated& tag) {
    const ClassOf& c = kPlainClasses[Below(static_cast<std::uint32_t>(std::size(kPlainClasses)))];
    tag.class1 = c.c1;
    if (c.c2) tag.class2 = c.c2;
    if (c.c3) tag.class3 = c.c3;
  }

  std::uint32_t GenericSize() { return Align(m_metaBytes / 2 + Below(m_metaBytes), 4); }

  // Tags kept in a resource map name no other tag: a resource map serves many
  // maps, whose identifiers and name pointers differ.
  bool MayRefer(std::size_t n) const { return tags[n].home == Home::Map || tags[n].home == Home::Bsp; }

  static void Put32(std::vector<unsigned char>& meta, std::uint32_t at, std::uint32_t value) { PutLe32(meta, at, value); }

  void PutFloat(std::vector<unsigned char>& meta, std::uint32_t at, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Put32(meta, at, bits);
  }

  // Sizes the metadata to size and fills [from, size) in 16-byte slots with
  // dependencies, reflexives into the tag (pointing at or past minTarget),
  // lone identifiers, floats and small values.
  void Filled(std::size_t n, std::uint32_t from, std::uint32_t size, std::uint32_t minTarget = 0) {
    Generated& tag = tags[n];
    if (tag.meta.size() < size) tag.meta.resize(size, 0);
    from = Align(from, 16);
    const bool refer = MayRefer(n);
    for (std::uint32_t at = from; at + 16 <= tag.meta.size(); at += 16) {
      const auto other = static_cast<std::uint32_t>(Below(static_cast<std::uint32_t>(tags.size())));
      std::uint32_t pick = Below(5);
      if (!refer && (pick == 0 || pick == 2)) pick = 3;
      switch (pick) {
        case 0:
          if (Below(8) == 0) {  // none
            Put32(tag.meta, at, 0xFFFFFFFFu);
            Put32(tag.meta, at + 12, 0xFFFFFFFFu);
          } else {
            PutClassCode(tag.meta, at, tags[other].class1);
            tag.fixes.push_back({Fix::Kind::NamePointer, at + 4, other});
            tag.fixes.push_back({Fix::Kind::Id, at + 12, other});
          }
          break;
        case 1: {
          const std::uint32_t span = static_cast<std::uint32_t>(tag.meta.size()) - minTarget;
          Put32(tag.meta, at, 1 + Below(12));
          tag.fixes.push_back({Fix::Kind::Pointer, at + 4, minTarget + (Below(span) & ~3u)});
          break;
        }
        case 2: tag.fixes.push_back({Fix::Kind::Id, at + 4, other}); break;
        case 3:
          PutFloat(tag.meta, at, static_cast<float>(Below(1000)) / 100.0f);
          PutFloat(tag.meta, at + 8, static_cast<float>(Below(40)) * 0.25f);
          break;
        default:
          PutLe16(tag.meta, at, static_cast<std::uint16_t>(1 + Below(15)));
          PutLe16(tag.meta, at + 6, static_cast<std::uint16_t>(Below(300)));
      }
    }
  }

  std::size_t NewBlob(std::size_t owner, std::uint32_t size) {
    Blob blob;
    blob.owner = owner;
    blob.bytes.resize(size);
    for (unsigned char& b : blob.bytes) b = static_cast<unsigned char>(m_rng());
    blobs.push_back(std::move(blob));
    tags[owner].blobs.push_back(blobs.size() - 1);
    return blobs.size() - 1;
  }

  void Block(std::size_t n, std::uint32_t at, std::uint32_t count, std::uint32_t target) {
    Put32(tags[n].meta, at, count);
    if (count > 0) tags[n].fixes.push_back({Fix::Kind::Pointer, at + 4, target});
  }

  void Scenario(std::size_t n) {
    const std::uint32_t end = kScenarioBspEntries + 2 * 0x20;
    Filled(n, 0, kScenarioBspBlock - 4);
    tags[n].meta.resize(kScenarioBspBlock, 0);
    Filled(n, end, end + GenericSize());
    auto& meta = tags[n].meta;
    std::fill(meta.begin() + kScenarioBspBlock, meta.begin() + end, 0);
    // The structure BSPs block; the entries are filled once the sections are placed.
    Block(n, kScenarioBspBlock, 2, kScenarioBspEntries);
  }

  void Bsp(std::size_t n) {
    const std::uint32_t content = Align(kBspHeaderSize + kBspBaseStruct + 0x100 + Below(0x200), 16);
    Filled(n, 0x20, content, kBspHeaderSize);
    auto& meta = tags[n].meta;
    std::fill(meta.begin(), meta.begin() + 0x20, 0);
    // Section header: the base struct's address, and "sbsp" at +0x14.
    tags[n].fixes.push_back({Fix::Kind::Pointer, 0, kBspHeaderSize});
    PutClassCode(meta, 0x14, "sbsp");
    if (m_xbox) meta.resize(Align(content, 0x800), 0);  // Xbox BSPs are padded to 0x800
  }

  void Bitmap(std::size_t n) {
    const std::uint32_t count = 1 + Below(2);
    const std::uint32_t end = kBitmapBaseStruct + count * kBitmapDataSize;
    Filled(n, 0, kBitmapDataBlock);
    Filled(n, end, end + GenericSize());
    auto& meta = tags[n].meta;
    std::fill(meta.begin() + kBitmapDataBlock, meta.begin() + end, 0);
    Block(n, kBitmapDataBlock, count, kBitmapBaseStruct);
    const bool external = tags[n].home == Home::External;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t e = kBitmapBaseStruct + k * kBitmapDataSize;
      const std::uint32_t side = 4u << Below(3);
      PutClassCode(meta, e, "bitm");
      PutLe16(meta, e + 0x04, static_cast<std::uint16_t>(side));
      PutLe16(meta, e + 0x06, static_cast<std::uint16_t>(side));
      PutLe16(meta, e + 0x08, 1);
      PutLe16(meta, e + 0x0E, static_cast<std::uint16_t>(external ? kBitmapDataExternal : 0));
      const std::size_t blob = NewBlob(n, side * side * 4);
      tags[n].fixes.push_back({Fix::Kind::Raw, e + 0x18, static_cast<std::uint32_t>(blob)});
      Put32(meta, e + 0x1C, side * side * 4);
    }
  }

  void Sound(std::size_t n) {
    const std::uint32_t permutations = 1 + Below(2);
    const std::uint32_t firstPermutation = kSoundBaseStructSize + kPitchRangeSize;
    const std::uint32_t end = firstPermutation + permutations * kPermutationSize;
    // Reflexives of the generic part point past the base struct: the map keeps
    // a copy of it for an external sound, whose pointers would not hold there.
    Filled(n, Align(end, 16), Align(end, 16) + GenericSize(), kSoundBaseStructSize);
    auto& meta = tags[n].meta;
    PutFloat(meta, 0x08, 1.0f + static_cast<float>(Below(10)));  // minimum distance
    PutFloat(meta, 0x0C, 20.0f + static_cast<float>(Below(10)));  // maximum distance
    PutLe16(meta, 0x06, 1);  // sample rate: 44kHz
    PutLe16(meta, 0x6C, 1);  // encoding: stereo
    PutLe16(meta, 0x6E, 1);  // compression
    Block(n, kSoundPitchRanges, 1, kSoundBaseStructSize);
    Block(n, kSoundBaseStructSize + kPitchRangePermutations, permutations, firstPermutation);
    const bool external = tags[n].home == Home::ExternalSound;
    for (std::uint32_t k = 0; k < permutations; ++k) {
      const std::uint32_t p = firstPermutation + k * kPermutationSize;
      const std::string name = "perm" + std::to_string(k);
      std::memcpy(meta.data() + p, name.data(), name.size());
      const std::uint32_t size = 0x100 + Below(0x300);
      const std::size_t blob = NewBlob(n, size);
      Put32(meta, p + kPermutationSamples, size);
      Put32(meta, p + kPermutationSamples + 4, external ? 1 : 0);
      tags[n].fixes.push_back({Fix::Kind::Raw, p + kPermutationSamples + 8, static_cast<std::uint32_t>(blob)});
    }
  }

  void Model(std::size_t n) {
    const std::uint32_t partSize = m_xbox ? 0x68 : 0x84;
    const std::uint32_t count = 1 + Below(2);
    const std::uint32_t firstPart = kModelBaseStruct + kGeometrySize;
    const std::uint32_t end = firstPart + count * partSize;
    Filled(n, 0, kModelGeometries);
    Filled(n, Align(end, 16), Align(end, 16) + GenericSize());
    auto& meta = tags[n].meta;
    std::fill(meta.begin() + kModelGeometries, meta.begin() + Align(end, 16), 0);
    Block(n, kModelGeometries, 1, kModelBaseStruct);
    Block(n, kModelBaseStruct + kGeometryParts, count, firstPart);
    const std::uint32_t vertexSize = m_xbox ? 0x20 : 0x44;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t p = firstPart + k * partSize;
      Part part;
      const std::uint32_t vertices = 3 + Below(20);
      const std::uint32_t indices = 3 + Below(30);
      part.vertices.resize(vertices * vertexSize);
      for (unsigned char& b : part.vertices) b = static_cast<unsigned char>(m_rng());
      part.indices.resize(indices * 2);
      for (std::uint32_t i = 0; i < indices; ++i) PutLe16(part.indices, i * 2, static_cast<std::uint16_t>(Below(vertices)));
      parts.push_back(std::move(part));
      const auto id = static_cast<std::uint32_t>(parts.size() - 1);
      Put32(meta, p + 0x48, indices);
      tags[n].fixes.push_back({Fix::Kind::PartIndices, p + 0x4C, id});
      tags[n].fixes.push_back({Fix::Kind::PartIndices, p + 0x50, id});
      Put32(meta, p + 0x58, vertices);
      tags[n].fixes.push_back({Fix::Kind::PartVertices, p + 0x64, id});
    }
  }

  std::uint16_t m_version;
  bool m_xbox;
  std::mt19937 m_rng;
  std::uint32_t m_metaBytes;
};

// A resource map: header, each entry's data 4-aligned, the path strings, then
// the entries.
struct ResourceLayout {
  std::uint32_t type = 0;
  std::vector<std::string> paths;
  std::vector<std::vector<unsigned char>> data;  // filled once offsets are known
  std::vector<std::uint32_t> offsets;

  void Place() {
    offsets.clear();
    std::uint32_t at = 16;
    for (const auto& d : data) {
      offsets.push_back(at);
      at = Align(at + static_cast<std::uint32_t>(d.size()), 4);
    }
  }

  std::vector<unsigned char> Write() const {
    std::uint32_t at = 16;
    for (const auto& d : data) at = Align(at + static_cast<std::uint32_t>(d.size()), 4);
    const std::uint32_t pathsAt = at;
    std::vector<std::uint32_t> pathOffsets;
    for (const auto& p : paths) {
      pathOffsets.push_back(at - pathsAt);
      at += static_cast<std::uint32_t>(p.size()) + 1;
    }
    at = Align(at, 4);
    const std::uint32_t entriesAt = at;
    std::vector<unsigned char> bytes(entriesAt + 12 * data.size(), 0);
    PutLe32(bytes, 0, type);
    PutLe32(bytes, 4, pathsAt);
    PutLe32(bytes, 8, entriesAt);
    PutLe32(bytes, 12, static_cast<std::uint32_t>(data.size()));
    for (std::size_t k = 0; k < data.size(); ++k) {
      if (!data[k].empty()) std::memcpy(bytes.data() + offsets[k], data[k].data(), data[k].size());
      std::memcpy(bytes.data() + pathsAt + pathOffsets[k], paths[k].data(), paths[k].size());
      const std::size_t e = entriesAt + 12 * k;
      PutLe32(bytes, e, pathOffsets[k]);
      PutLe32(bytes, e + 4, static_cast<std::uint32_t>(data[k].size()));
      PutLe32(bytes, e + 8, offsets[k]);
    }
    return bytes;
  }
};

}  // namespace

RealSampleMap GenerateRealSampleMap(std::uint16_t version, int tagCount, std::uint32_t seed,
                                    std::uint32_t metaBytesPerTag, std::uint32_t relayout) {
  const bool xbox = version == kVersionXbox;
  const bool ce = version == kVersionCe;
  const std::uint32_t address = xbox ? kXboxTagDataAddress : kPcTagDataAddress;
  const std::uint32_t tagSpace = xbox ? kXboxTagSpace : kPcTagSpace;
  const std::uint32_t headerSize = xbox ? 0x24 : 0x28;
  const std::uint32_t rawAlign = xbox ? 512 : 4;

  const int count = std::clamp(tagCount, 4, 65535);
  Generator gen(version, seed, metaBytesPerTag);
  gen.Classes(count);
  gen.Contents();
  auto& tags = gen.tags;
  const std::size_t n = tags.size();

  // Index order: generated order, or for a relayout the scenario first and the
  // others shuffled, with a tag that has metadata in the map last.
  std::vector<std::size_t> order(n);  // index -> generated tag
  std::iota(order.begin(), order.end(), 0);
  if (relayout != 0) {
    std::shuffle(order.begin() + 1, order.end(), std::mt19937(relayout * 0x9E3779B1u ^ seed));
    if (tags[order.back()].home != Home::Map) {
      const auto plain = std::find_if(order.begin() + 1, order.end(), [&](std::size_t g) { return tags[g].home == Home::Map; });
      std::iter_swap(plain, order.end() - 1);
    }
  }
  std::vector<std::size_t> position(n);  // generated tag -> index
  for (std::size_t i = 0; i < n; ++i) position[order[i]] = i;

  // Resource maps (CE): laid out from generated order alone, so every relayout
  // of a map shares them byte for byte.
  ResourceLayout bitmaps{1, {}, {}, {}}, sounds{2, {}, {}, {}}, loc{3, {}, {}, {}};
  std::vector<std::uint32_t> resourceIndex(n, 0);
  std::vector<std::uint32_t> blobOffset(gen.blobs.size(), 0);
  for (std::size_t g = 0; g < n; ++g) {
    if (tags[g].home != Home::External && tags[g].home != Home::ExternalSound) continue;
    ResourceLayout& r = tags[g].class1 == "bitm" ? bitmaps : tags[g].class1 == "snd!" ? sounds : loc;
    if (&r != &loc) {
      std::vector<unsigned char> raw;
      for (std::size_t b : tags[g].blobs) raw.insert(raw.end(), gen.blobs[b].bytes.begin(), gen.blobs[b].bytes.end());
      r.paths.push_back(tags[g].path + (&r == &bitmaps ? "__pixels" : "__samples"));
      r.data.push_back(std::move(raw));
    }
    resourceIndex[g] = static_cast<std::uint32_t>(r.paths.size());
    r.paths.push_back(tags[g].path);
    r.data.push_back(std::vector<unsigned char>(tags[g].meta.size()));
  }
  for (ResourceLayout* r : {&bitmaps, &sounds, &loc}) r->Place();
  for (std::size_t g = 0; g < n; ++g) {
    if ((tags[g].home != Home::External && tags[g].home != Home::ExternalSound) || tags[g].blobs.empty()) continue;
    const ResourceLayout& r = tags[g].class1 == "bitm" ? bitmaps : sounds;
    std::uint32_t at = r.offsets[resourceIndex[g] - 1];
    for (std::size_t b : tags[g].blobs) {
      blobOffset[b] = at;
      at += static_cast<std::uint32_t>(gen.blobs[b].bytes.size());
    }
  }

  // The map: header | BSP sections | raw data | model data (PC, CE) | tag data.
  const std::size_t bspTags[2] = {1, 2};  // scenario order
  std::vector<std::size_t> fileOrder(bspTags, bspTags + 2);
  // A relayout writes the sections back to front (the CRC32 still takes them
  // in scenario order). They take the same room, so the raw data after them
  // stays where it was: a bitmap's or sound's file offsets are the same in
  // every relayout.
  if (relayout != 0) std::reverse(fileOrder.begin(), fileOrder.end());
  std::vector<std::uint32_t> bspOffset(n, 0);
  std::uint32_t at = kHeaderSize;
  for (std::size_t g : fileOrder) {
    bspOffset[g] = at;
    at += static_cast<std::uint32_t>(tags[g].meta.size());
  }
  const std::uint32_t rawOffset = at;
  for (std::size_t b = 0; b < gen.blobs.size(); ++b) {
    const Home h = tags[gen.blobs[b].owner].home;
    if (h == Home::External || h == Home::ExternalSound) continue;
    at = Align(at, rawAlign);
    blobOffset[b] = at;
    at += static_cast<std::uint32_t>(gen.blobs[b].bytes.size());
  }
  const std::uint32_t rawSize = at - rawOffset;
  // Vertices of every part, then their indices; offsets count from the model
  // data's start and from the indices' start.
  std::vector<std::uint32_t> partVertices, partIndices;
  std::uint32_t vertexSize = 0, indexSize = 0;
  for (const Part& p : gen.parts) {
    partVertices.push_back(vertexSize);
    vertexSize = Align(vertexSize + static_cast<std::uint32_t>(p.vertices.size()), 4);
  }
  for (const Part& p : gen.parts) {
    partIndices.push_back(indexSize);
    indexSize = Align(indexSize + static_cast<std::uint32_t>(p.indices.size()), 4);
  }
  const std::uint32_t modelSize = vertexSize + indexSize;
  const auto partCount = static_cast<std::uint32_t>(gen.parts.size());
  at = Align(at, 4);
  std::uint32_t modelOffset = at;
  if (!xbox) at += modelSize;

  const std::uint32_t indexOffset = xbox ? Align(at, 512) : Align(at, 4);
  const std::uint32_t magic = address - indexOffset;
  at = indexOffset + headerSize + 32 * static_cast<std::uint32_t>(n);
  std::vector<std::uint32_t> nameOffset(n, 0);
  // The names in index order; a relayout writes them back to front.
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = relayout == 0 ? k : n - 1 - k;
    nameOffset[order[i]] = at;
    at += static_cast<std::uint32_t>(tags[order[i]].path.size()) + 1;
  }
  at = Align(at, 4);
  std::vector<std::uint32_t> metaOffset(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t g = order[i];
    if (tags[g].home == Home::Map || tags[g].home == Home::ExternalSound) {
      metaOffset[g] = at;
      at += tags[g].home == Home::Map ? static_cast<std::uint32_t>(tags[g].meta.size()) : kSoundBaseStructSize;
    }
  }
  std::uint32_t vertexTable = 0, indexTable = 0;
  if (xbox) {
    // Model data inside the tag data, after every tag: a vertex-pointer and an
    // index-pointer table (12 bytes a part), then the vertices and indices.
    at = Align(at, 4);
    vertexTable = at;
    indexTable = vertexTable + 12 * partCount;
    modelOffset = indexTable + 12 * partCount;
    at = modelOffset + modelSize;
  }
  const std::uint32_t tagDataEnd = at;
  const std::uint32_t fileLength = xbox ? Align(tagDataEnd, 512) : tagDataEnd;
  const auto bspAddress = [&](std::size_t g) { return address + tagSpace - static_cast<std::uint32_t>(tags[g].meta.size()); };
  const auto home = [&](std::size_t g) { return tags[g].home; };

  // Resolves a tag's metadata against the layout, with base the pointer value
  // of its byte 0.
  const auto resolve = [&](std::size_t g, std::uint32_t base) {
    std::vector<unsigned char> meta = tags[g].meta;
    for (const Fix& f : tags[g].fixes) {
      std::uint32_t value = 0;
      switch (f.kind) {
        case Fix::Kind::Pointer: value = base + f.a; break;
        case Fix::Kind::NamePointer: value = nameOffset[f.a] + magic; break;
        case Fix::Kind::Id: value = Identifier(position[f.a]); break;
        case Fix::Kind::Raw: value = blobOffset[f.a]; break;
        case Fix::Kind::BspOffset: value = bspOffset[f.a]; break;
        case Fix::Kind::PartVertices:
          value = xbox ? modelOffset + partVertices[f.a] - indexOffset + address : partVertices[f.a];
          break;
        case Fix::Kind::PartIndices:
          value = xbox ? modelOffset + vertexSize + partIndices[f.a] - indexOffset + address : partIndices[f.a];
          break;
      }
      PutLe32(meta, f.at, value);
    }
    return meta;
  };
  // The scenario's structure BSP entries: file offset, size, load address, and
  // a dependency on the sbsp tag.
  {
    Generated& scenario = tags[0];
    for (std::size_t k = 0; k < 2; ++k) {
      const std::size_t g = bspTags[k];
      const auto e = static_cast<std::uint32_t>(kScenarioBspEntries + 0x20 * k);
      scenario.fixes.push_back({Fix::Kind::BspOffset, e, static_cast<std::uint32_t>(g)});
      PutLe32(scenario.meta, e + 4, static_cast<std::uint32_t>(tags[g].meta.size()));
      PutLe32(scenario.meta, e + 8, bspAddress(g));
      PutClassCode(scenario.meta, e + 0x10, "sbsp");
      scenario.fixes.push_back({Fix::Kind::NamePointer, e + 0x14, static_cast<std::uint32_t>(g)});
      scenario.fixes.push_back({Fix::Kind::Id, e + 0x1C, static_cast<std::uint32_t>(g)});
    }
  }

  RealSampleMap out;
  out.indexOffset = indexOffset;
  out.tagDataEnd = tagDataEnd;
  out.rawOffset = rawOffset;
  out.rawSize = rawSize;
  out.modelOffset = xbox ? vertexTable : modelOffset;
  out.modelSize = xbox ? tagDataEnd - vertexTable : modelSize;
  std::vector<unsigned char>& bytes = out.map;
  bytes.assign(fileLength, 0);
  std::memcpy(bytes.data(), "daeh", 4);
  PutLe32(bytes, 0x04, version);
  PutLe32(bytes, 0x08, fileLength);
  PutLe32(bytes, 0x10, indexOffset);
  PutLe32(bytes, 0x14, tagDataEnd - indexOffset);
  const std::string name = "bloodgulch";
  std::memcpy(bytes.data() + 0x20, name.data(), name.size());
  const std::string build = xbox ? "01.10.12.2276" : ce ? "01.00.00.0609" : "01.00.00.0564";
  std::memcpy(bytes.data() + 0x40, build.data(), build.size());
  PutLe16(bytes, 0x60, 1);
  std::memcpy(bytes.data() + 0x7FC, "toof", 4);

  // Tag data header.
  PutLe32(bytes, indexOffset, address + headerSize);
  PutLe32(bytes, indexOffset + 0x04, Identifier(position[0]));
  PutLe32(bytes, indexOffset + 0x0C, static_cast<std::uint32_t>(n));
  PutLe32(bytes, indexOffset + 0x10, partCount);
  PutLe32(bytes, indexOffset + 0x18, partCount);
  if (xbox) {
    PutLe32(bytes, indexOffset + 0x14, vertexTable - indexOffset + address);
    PutLe32(bytes, indexOffset + 0x1C, indexTable - indexOffset + address);
    PutClassCode(bytes, indexOffset + 0x20, "tags");
  } else {
    PutLe32(bytes, indexOffset + 0x14, modelOffset);
    PutLe32(bytes, indexOffset + 0x1C, vertexSize);
    PutLe32(bytes, indexOffset + 0x20, modelSize);
    PutClassCode(bytes, indexOffset + 0x24, "tags");
  }
  // Model data.
  for (std::size_t p = 0; p < gen.parts.size(); ++p) {
    const Part& part = gen.parts[p];
    std::memcpy(bytes.data() + modelOffset + partVertices[p], part.vertices.data(), part.vertices.size());
    std::memcpy(bytes.data() + modelOffset + vertexSize + partIndices[p], part.indices.data(), part.indices.size());
    if (xbox) {
      const auto table = static_cast<std::uint32_t>(12 * p);
      PutLe32(bytes, vertexTable + table, static_cast<std::uint32_t>(part.vertices.size() / 0x20));
      PutLe32(bytes, vertexTable + table + 8, modelOffset + partVertices[p] - indexOffset + address);
      PutLe32(bytes, indexTable + table, static_cast<std::uint32_t>(part.indices.size() / 2));
      PutLe32(bytes, indexTable + table + 8, modelOffset + vertexSize + partIndices[p] - indexOffset + address);
    }
  }
  // Raw data kept in the map.
  for (std::size_t b = 0; b < gen.blobs.size(); ++b) {
    const Home h = home(gen.blobs[b].owner);
    if (h == Home::External || h == Home::ExternalSound) continue;
    std::memcpy(bytes.data() + blobOffset[b], gen.blobs[b].bytes.data(), gen.blobs[b].bytes.size());
  }

  out.tags.resize(n);
  out.truth.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t g = order[i];
    const Generated& tag = tags[g];
    SampleTag& shown = out.tags[i];
    RealTagTruth& truth = out.truth[i];
    shown.class1 = tag.class1;
    shown.class2 = tag.class2;
    shown.class3 = tag.class3;
    shown.name = tag.path;
    shown.identifier = Identifier(i);
    truth.home = tag.home;
    std::uint32_t dataField = 0;
    switch (tag.home) {
      case Home::Map:
        truth.metaOffset = metaOffset[g];
        truth.base = metaOffset[g] + magic;
        shown.meta = resolve(g, truth.base);
        dataField = truth.base;
        break;
      case Home::Bsp:
        truth.metaOffset = bspOffset[g];
        truth.base = bspAddress(g);
        shown.meta = resolve(g, truth.base);
        break;
      case Home::External:
      case Home::ExternalSound: {
        const bool sound = tag.home == Home::ExternalSound;
        ResourceLayout& r = tag.class1 == "bitm" ? bitmaps : sound ? sounds : loc;
        truth.resourceFile = tag.class1 == "bitm" ? "bitmaps.map" : sound ? "sounds.map" : "loc.map";
        truth.resourceIndex = resourceIndex[g];
        truth.resourceOffset = r.offsets[resourceIndex[g]];
        truth.resourceBase = sound ? 0u - kSoundBaseStructSize : 0u;
        r.data[resourceIndex[g]] = resolve(g, truth.resourceBase);
        truth.resourceSize = static_cast<std::uint32_t>(r.data[resourceIndex[g]].size());
        if (!sound) {
          truth.metaOffset = truth.resourceOffset;
          truth.base = truth.resourceBase;
          shown.meta = r.data[resourceIndex[g]];
          dataField = resourceIndex[g];
          break;
        }
        // The map keeps the sound's base struct: the pitch range count stays,
        // its pointer and the fields the game fills at load are zero.
        truth.metaOffset = metaOffset[g];
        truth.base = metaOffset[g] + magic;
        shown.meta.assign(r.data[resourceIndex[g]].begin(), r.data[resourceIndex[g]].begin() + kSoundBaseStructSize);
        for (std::uint32_t zero : {kSoundPitchRanges + 4, 0x06u, 0x6Cu, 0x6Eu})
          std::fill(shown.meta.begin() + zero, shown.meta.begin() + zero + (zero == kSoundPitchRanges + 4 ? 4 : 2), 0);
        dataField = truth.base;
        break;
      }
    }
    truth.size = static_cast<std::uint32_t>(shown.meta.size());
    if (tag.home == Home::Map || tag.home == Home::ExternalSound)
      std::memcpy(bytes.data() + truth.metaOffset, shown.meta.data(), shown.meta.size());
    if (tag.home == Home::Bsp) std::memcpy(bytes.data() + bspOffset[g], shown.meta.data(), shown.meta.size());
    const std::size_t e = indexOffset + headerSize + 32 * i;
    PutClassCode(bytes, e + 0x00, tag.class1);
    PutClassCode(bytes, e + 0x04, tag.class2);
    PutClassCode(bytes, e + 0x08, tag.class3);
    PutLe32(bytes, e + 0x0C, shown.identifier);
    PutLe32(bytes, e + 0x10, nameOffset[g] + magic);
    PutLe32(bytes, e + 0x14, dataField);
    if (!xbox && (tag.home == Home::External || tag.home == Home::ExternalSound)) PutLe32(bytes, e + 0x18, 1);
    std::memcpy(bytes.data() + nameOffset[g], tag.path.data(), tag.path.size());
  }

  if (!xbox) {
    // CRC32 of every BSP section in scenario order, the model data and the tag
    // data, stored NOT-ed.
    uLong crc = crc32(0, nullptr, 0);
    for (std::size_t g : bspTags)
      crc = crc32(crc, bytes.data() + bspOffset[g], static_cast<uInt>(tags[g].meta.size()));
    crc = crc32(crc, bytes.data() + modelOffset, modelSize);
    crc = crc32(crc, bytes.data() + indexOffset, tagDataEnd - indexOffset);
    PutLe32(bytes, 0x64, ~static_cast<std::uint32_t>(crc));
  }
  if (ce) {
    out.resources["bitmaps.map"] = bitmaps.Write();
    out.resources["sounds.map"] = sounds.Write();
    out.resources["loc.map"] = loc.Write();
  }
  return out;
}

}  // namespace jov
