// Maps laid out as the game's tools write them, read back by a reader of this
// test's own that knows only the file format: the header, the tag data header,
// the tag array, the scenario's structure BSPs, raw and model data, the
// resource maps, and the CRC32 by zlib.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include <zlib.h>

#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "map/ResourceMap.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using Home = RealTagTruth::Home;

std::uint32_t U32(const Bytes& b, std::size_t at) {
  EXPECT_LE(at + 4, b.size());
  if (at + 4 > b.size()) return 0;
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::string Four(const Bytes& b, std::size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }
std::string CString(const Bytes& b, std::size_t at) { return std::string(reinterpret_cast<const char*>(b.data() + at)); }
std::uint32_t Crc(const Bytes& b, std::size_t at, std::size_t n) {
  return static_cast<std::uint32_t>(crc32(0, b.data() + at, static_cast<uInt>(n)));
}

// What this test's reader finds in a map.
struct Read {
  std::uint32_t address = 0, tagSpace = 0, indexOffset = 0, magic = 0, count = 0, tagDataEnd = 0, entries = 0;
  std::vector<std::string> paths;
  std::vector<std::string> classes;
  std::vector<std::uint32_t> data, external;
  struct Bsp {
    std::uint32_t offset, size, address, tag;
  };
  std::vector<Bsp> bsps;
  std::uint32_t modelOffset = 0, modelSize = 0;  // PC, CE: file offset; Xbox: address of the tables
};

Read ReadMap(const Bytes& m) {
  Read r;
  const std::uint32_t version = U32(m, 4);
  const bool xbox = version == 5;
  r.address = xbox ? 0x803A6000u : 0x40440000u;
  r.tagSpace = xbox ? 0x1600000u : 0x1700000u;
  EXPECT_EQ(Four(m, 0), "daeh");
  EXPECT_EQ(Four(m, 0x7FC), "toof");
  EXPECT_EQ(U32(m, 8), m.size()) << "file size";
  r.indexOffset = U32(m, 0x10);
  r.magic = r.address - r.indexOffset;
  r.tagDataEnd = r.indexOffset + U32(m, 0x14);
  const std::uint32_t header = xbox ? 0x24 : 0x28;
  EXPECT_EQ(U32(m, r.indexOffset), r.address + header);
  EXPECT_EQ(Four(m, r.indexOffset + header - 4), "sgat");
  r.count = U32(m, r.indexOffset + 0xC);
  r.entries = r.indexOffset + header;
  if (xbox) {
    EXPECT_EQ(m.size() % 512, 0u);
    EXPECT_EQ(r.indexOffset % 512, 0u);
    EXPECT_LE(r.tagDataEnd, m.size());
    r.modelOffset = U32(m, r.indexOffset + 0x14);
  } else {
    EXPECT_EQ(r.tagDataEnd, m.size()) << "PC and CE tag data runs to the end of the file";
    r.modelOffset = U32(m, r.indexOffset + 0x14);
    r.modelSize = U32(m, r.indexOffset + 0x20);
    EXPECT_LE(r.modelOffset + r.modelSize, r.indexOffset);
    EXPECT_LE(U32(m, r.indexOffset + 0x1C), r.modelSize);
  }
  EXPECT_EQ(U32(m, r.indexOffset + 0x10), U32(m, r.indexOffset + 0x18)) << "the model part count twice";
  for (std::uint32_t i = 0; i < r.count; ++i) {
    const std::size_t e = r.entries + 32 * i;
    r.classes.push_back(Four(m, e));
    EXPECT_EQ(U32(m, e + 0xC), (((i + 0x6174u) | 0x8000u) & 0xFFFFu) << 16 | i) << "identifier of tag " << i;
    r.paths.push_back(CString(m, U32(m, e + 0x10) - r.magic));
    r.data.push_back(U32(m, e + 0x14));
    r.external.push_back(U32(m, e + 0x18));
  }
  // The scenario, named by the header; its structure BSPs block at +0x5A4.
  const std::uint32_t scenario = U32(m, r.indexOffset + 4) & 0xFFFF;
  EXPECT_EQ(r.classes[scenario], "rncs");
  const std::uint32_t s = r.data[scenario] - r.magic;
  const std::uint32_t bspCount = U32(m, s + 0x5A4);
  const std::uint32_t list = U32(m, s + 0x5A8) - r.magic;
  EXPECT_EQ(U32(m, s + 0x5AC), 0u);
  for (std::uint32_t k = 0; k < bspCount; ++k) {
    const std::uint32_t e = list + 0x20 * k;
    Read::Bsp bsp{U32(m, e), U32(m, e + 4), U32(m, e + 8), U32(m, e + 0x1C) & 0xFFFF};
    EXPECT_EQ(Four(m, e + 0x10), "psbs");
    EXPECT_EQ(CString(m, U32(m, e + 0x14) - r.magic), r.paths[bsp.tag]);
    EXPECT_EQ(bsp.address, r.address + r.tagSpace - bsp.size);
    EXPECT_LE(bsp.offset + bsp.size, r.indexOffset);
    EXPECT_EQ(U32(m, bsp.offset), bsp.address + 0x18) << "the section header points at the base struct";
    EXPECT_EQ(Four(m, bsp.offset + 0x14), "psbs");
    EXPECT_EQ(r.data[bsp.tag], 0u) << "an sbsp entry holds 0";
    if (xbox) {
      EXPECT_EQ(bsp.size % 0x800, 0u);
    }
    r.bsps.push_back(bsp);
  }
  if (!xbox) {
    uLong crc = crc32(0, nullptr, 0);
    for (const auto& bsp : r.bsps) crc = crc32(crc, m.data() + bsp.offset, bsp.size);
    crc = crc32(crc, m.data() + r.modelOffset, r.modelSize);
    crc = crc32(crc, m.data() + r.indexOffset, static_cast<uInt>(m.size() - r.indexOffset));
    EXPECT_EQ(U32(m, 0x64), ~static_cast<std::uint32_t>(crc)) << "CRC32";
  }
  return r;
}

TEST(RealSampleMap, EveryVersionReadsBackAsTheFactsSay) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
      SCOPED_TRACE(::testing::Message() << "version " << version << " seed " << seed);
      const RealSampleMap sample = GenerateRealSampleMap(version, 60, seed);
      const Bytes& m = sample.map;
      const Read r = ReadMap(m);
      ASSERT_EQ(r.count, sample.tags.size());
      ASSERT_EQ(r.bsps.size(), 2u);
      EXPECT_EQ(sample.indexOffset, r.indexOffset);
      EXPECT_EQ(sample.tagDataEnd, r.tagDataEnd);
      EXPECT_EQ(sample.modelOffset, version == kVersionXbox ? r.modelOffset - r.magic : r.modelOffset);
      if (version != kVersionXbox) {
        EXPECT_EQ(sample.modelSize, r.modelSize);
      } else {
        EXPECT_EQ(sample.modelOffset + sample.modelSize, r.tagDataEnd);
      }
      EXPECT_EQ(sample.resources.empty(), version != kVersionCe);
      std::map<std::string, ResourceMapListing> listings;
      for (const auto& [name, bytes] : sample.resources) listings[name] = ReadResourceMap(bytes, name);
      // In-map metadata, in index order, back to back: each tag's size is the
      // next in-map tag's start less its own; the last runs to the end of the
      // tag data (Xbox: to the model tables after it).
      std::vector<std::uint32_t> inMap;
      std::set<Home> homes;
      for (std::uint32_t i = 0; i < r.count; ++i) {
        const RealTagTruth& t = sample.truth[i];
        homes.insert(t.home);
        EXPECT_EQ(sample.tags[i].name, r.paths[i]);
        EXPECT_EQ(t.size, sample.tags[i].meta.size());
        const bool external = t.home == Home::External || t.home == Home::ExternalSound;
        EXPECT_EQ(r.external[i], version != kVersionXbox && external ? 1u : 0u) << i;
        if (t.home == Home::Map || t.home == Home::ExternalSound) {
          EXPECT_EQ(r.data[i], t.base);
          EXPECT_EQ(t.base, t.metaOffset + r.magic);
          EXPECT_TRUE(std::equal(sample.tags[i].meta.begin(), sample.tags[i].meta.end(), m.begin() + t.metaOffset));
          inMap.push_back(i);
        } else if (t.home == Home::Bsp) {
          const auto bsp = std::find_if(r.bsps.begin(), r.bsps.end(), [i](const Read::Bsp& b) { return b.tag == i; });
          ASSERT_NE(bsp, r.bsps.end()) << i;
          EXPECT_EQ(t.metaOffset, bsp->offset);
          EXPECT_EQ(t.size, bsp->size);
          EXPECT_EQ(t.base, bsp->address);
        }
        if (!external) continue;
        // A CE external tag: bitmaps and loc.map tags by entry index (bitmaps
        // odd, after their pixels), sounds by path among the odd entries.
        const ResourceMapListing& listing = listings.at(t.resourceFile);
        ASSERT_LT(t.resourceIndex, listing.entries.size());
        const ResourceEntry& entry = listing.entries[t.resourceIndex];
        EXPECT_EQ(entry.path, r.paths[i]);
        EXPECT_EQ(entry.offset, t.resourceOffset);
        EXPECT_EQ(entry.size, t.resourceSize);
        if (r.classes[i] == "mtib") {
          EXPECT_EQ(listing.type, 1u);
          EXPECT_EQ(r.data[i], t.resourceIndex);
          EXPECT_EQ(t.resourceIndex % 2, 1u);
          EXPECT_EQ(listing.entries[t.resourceIndex - 1].path, r.paths[i] + "__pixels");
        } else if (r.classes[i] == "!dns") {
          EXPECT_EQ(listing.type, 2u);
          EXPECT_EQ(t.home, Home::ExternalSound);
          EXPECT_EQ(t.size, 0xA4u);
          EXPECT_EQ(t.resourceIndex % 2, 1u);
          const Bytes& whole = sample.resources.at("sounds.map");
          EXPECT_EQ(U32(m, t.metaOffset + 0x98), U32(whole, entry.offset + 0x98)) << "pitch range count kept";
          EXPECT_EQ(U32(m, t.metaOffset + 0x9C), 0u) << "its pointer zeroed";
        } else {
          EXPECT_EQ(listing.type, 3u);
          EXPECT_EQ(r.data[i], t.resourceIndex);
        }
      }
      EXPECT_EQ(homes.size(), version == kVersionCe ? 4u : 2u);
      ASSERT_FALSE(inMap.empty());
      EXPECT_EQ(inMap.back(), r.count - 1) << "the last tag has metadata in the map";
      for (std::size_t k = 0; k + 1 < inMap.size(); ++k)
        EXPECT_EQ(r.data[inMap[k + 1]] - r.data[inMap[k]], sample.truth[inMap[k]].size) << inMap[k];
      const std::uint32_t end = version == kVersionXbox ? r.modelOffset : r.tagDataEnd + r.magic;
      EXPECT_EQ(end - r.data[inMap.back()], sample.truth[inMap.back()].size);
    }
  }
}

// Raw data and model data: every bitmap's pixels and sound's samples lie where
// its fields say (in the map before the tag data, or flagged in its resource
// map), and every model part inside the model data.
TEST(RealSampleMap, RawAndModelDataLieWhereTheTagsSay) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    SCOPED_TRACE(version);
    const RealSampleMap sample = GenerateRealSampleMap(version, 80, 9);
    const Read r = ReadMap(sample.map);
    const std::uint32_t rawStart = std::max(r.bsps[0].offset + r.bsps[0].size, r.bsps[1].offset + r.bsps[1].size);
    int bitmaps = 0, samples = 0, parts = 0;
    for (std::uint32_t i = 0; i < r.count; ++i) {
      const Bytes& meta = sample.tags[i].meta;
      const RealTagTruth& t = sample.truth[i];
      const std::uint32_t base = t.home == Home::ExternalSound ? t.resourceBase : t.base;
      const bool here = t.home == Home::Map || t.home == Home::Bsp;
      const Bytes& file = here ? sample.map : sample.resources.at(t.resourceFile);
      const Bytes& whole = t.home == Home::ExternalSound ? sample.resources.at("sounds.map") : meta;
      const std::uint32_t at0 = t.home == Home::ExternalSound ? t.resourceOffset : 0;
      const auto place = [&](std::uint32_t offset, std::uint32_t size, bool flagged) {
        EXPECT_EQ(flagged, t.home != Home::Map) << i;
        EXPECT_LE(offset + size, file.size()) << i;
        if (t.home == Home::Map) {
          EXPECT_GE(offset, sample.rawOffset) << i;
          EXPECT_LE(offset + size, sample.rawOffset + sample.rawSize) << i;
          EXPECT_GE(offset, rawStart) << i;
          EXPECT_LE(offset + size, version == kVersionXbox ? r.indexOffset : r.modelOffset) << i;
        }
      };
      if (r.classes[i] == "mtib") {
        for (std::uint32_t k = 0; k < U32(meta, 0x60); ++k, ++bitmaps) {
          const std::uint32_t e = U32(meta, 0x64) - base + 0x30 * k;
          EXPECT_EQ(Four(meta, e), "mtib");
          place(U32(meta, e + 0x18), U32(meta, e + 0x1C), (U32(meta, e + 0xC) >> 16 & 0x100) != 0);
        }
      } else if (r.classes[i] == "!dns") {
        const std::uint32_t range = U32(whole, at0 + 0x9C) - base;
        for (std::uint32_t k = 0; k < U32(whole, at0 + range + 0x3C); ++k, ++samples) {
          const std::uint32_t p = at0 + U32(whole, at0 + range + 0x40) - base + 0x7C * k;
          place(U32(whole, p + 0x48), U32(whole, p + 0x40), (U32(whole, p + 0x44) & 1) != 0);
        }
      } else if (r.classes[i] == "2dom" || r.classes[i] == "edom") {
        const std::uint32_t geometry = U32(meta, 0xD4) - base;
        const std::uint32_t partSize = version == kVersionXbox ? 0x68 : 0x84;
        for (std::uint32_t k = 0; k < U32(meta, geometry + 0x24); ++k, ++parts) {
          const std::uint32_t p = U32(meta, geometry + 0x28) - base + partSize * k;
          EXPECT_EQ(U32(meta, p + 0x4C), U32(meta, p + 0x50));
          if (version == kVersionXbox) {
            EXPECT_GE(U32(meta, p + 0x64), r.modelOffset) << "Xbox parts hold addresses past the tag data's tags";
            EXPECT_LT(U32(meta, p + 0x4C), r.tagDataEnd + r.magic);
          } else {
            const std::uint32_t vertexSize = U32(sample.map, r.indexOffset + 0x1C);
            EXPECT_LE(U32(meta, p + 0x64) + U32(meta, p + 0x58) * 0x44, vertexSize);
            EXPECT_LE(vertexSize + U32(meta, p + 0x4C) + U32(meta, p + 0x48) * 2, r.modelSize);
          }
        }
      }
    }
    EXPECT_GT(bitmaps, 0);
    EXPECT_GT(samples, 0);
    EXPECT_EQ(static_cast<std::uint32_t>(parts), U32(sample.map, r.indexOffset + 0x10));
  }
}

// A relayout holds the same tags: every word that differs between the two is
// a pointer into its own tag at the same place, a name pointer or identifier
// naming the same tag, a raw offset to the same bytes or a BSP's file offset;
// resource maps are shared byte for byte.
TEST(RealSampleMap, ARelayoutHoldsTheSameTagsElsewhere) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    const RealSampleMap a = GenerateRealSampleMap(version, 50, 4);
    const Read ra = ReadMap(a.map);
    for (const std::uint32_t relayout : {1u, 2u, 5u}) {
      SCOPED_TRACE(::testing::Message() << "version " << version << " relayout " << relayout);
      const RealSampleMap b = GenerateRealSampleMap(version, 50, 4, 256, relayout);
      const Read rb = ReadMap(b.map);
      EXPECT_EQ(a.resources, b.resources);
      EXPECT_NE(ra.paths, rb.paths);
      EXPECT_NE(ra.bsps[0].offset, rb.bsps[0].offset);
      EXPECT_EQ(rb.classes[0], "rncs");
      std::map<std::string, std::uint32_t> indexOf;
      for (std::uint32_t i = 0; i < rb.count; ++i) indexOf[rb.paths[i]] = i;
      const auto token = [](const RealSampleMap& s, const Read& r, std::uint32_t i, std::uint32_t w) -> std::string {
        const RealTagTruth& t = s.truth[i];
        if (w >= t.base && w < t.base + t.size) return "P" + std::to_string(w - t.base);
        if ((w & 0xFFFF) < r.count && w == (((((w & 0xFFFF) + 0x6174u) | 0x8000u) & 0xFFFFu) << 16 | (w & 0xFFFF)))
          return "I" + r.paths[w & 0xFFFF];
        for (std::uint32_t j = 0; j < r.count; ++j)
          if (w == U32(s.map, r.entries + 32 * j + 0x10)) return "N" + r.paths[j];
        for (const auto& bsp : r.bsps)
          if (w == bsp.offset) return "B" + r.paths[bsp.tag];
        if (w < r.indexOffset) return "R" + std::to_string(Crc(s.map, w, 16));
        if (w >= r.modelOffset && w < r.tagDataEnd + r.magic) return "M" + std::to_string(w - r.modelOffset);
        return "?" + std::to_string(w);
      };
      for (std::uint32_t i = 0; i < ra.count; ++i) {
        const std::uint32_t j = indexOf.at(ra.paths[i]);
        EXPECT_EQ(ra.classes[i], rb.classes[j]);
        ASSERT_EQ(a.truth[i].home, b.truth[j].home);
        const Bytes& ma = a.tags[i].meta;
        const Bytes& mb = b.tags[j].meta;
        ASSERT_EQ(ma.size(), mb.size()) << ra.paths[i];
        if (a.truth[i].home == Home::External) continue;
        for (std::uint32_t at = 0; at + 4 <= ma.size(); at += 4) {
          const std::uint32_t wa = U32(ma, at), wb = U32(mb, at);
          const std::string ta = token(a, ra, i, wa), tb = token(b, rb, j, wb);
          // Equal words may be plain values that happen to look like anything
          // but an identifier; an identifier must name the same tag.
          if (wa == wb && ta[0] != 'I') continue;
          EXPECT_EQ(ta, tb) << ra.paths[i] << " +0x" << std::hex << at;
        }
      }
    }
  }
}

}  // namespace
}  // namespace jov
