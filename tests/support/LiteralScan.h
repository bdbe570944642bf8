#pragma once
// The metadata scan exactly as the editor words it: for each pattern in turn,
// search from character 0, then one character past each hit, and handle every
// hit before the next search; each line goes into the results tree at its
// sorted place. Slow (a reflexive search is the tag's size squared) and plainly
// right: the reference the one-pass scanner is compared with.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "map/MapFile.h"
#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "platform/AlphaOrder.h"
#include "scanner/ScanMetadata.h"

namespace jov::reference {

struct LiteralScanResult {
  std::vector<ScanItem> items;     // in the order the hits were handled
  std::vector<std::string> lines;  // the results tree, top to bottom
};

class LiteralScanner {
 public:
  LiteralScanner(const CMapFile& map, int tag, const std::string& text) : m_map(map), m_tag(tag), m_text(text) {}

  LiteralScanResult Run(const ScanOptions& o) {
    if (o.bDependencies) Dependencies();
    if (o.bLoneIDs) LoneIds();
    if (o.bReflexives) Reflexives();
    if (o.bShorts) Shorts(o.nShortsLimit);
    if (o.bFloats) Floats(o.fStep);
    return m_result;
  }

 private:
  template <typename Handle>
  void ForEachHit(const std::string& pattern, Handle handle) {
    std::size_t from = 0;
    while (true) {
      const std::size_t p = m_text.find(pattern, from);
      if (p == std::string::npos) return;
      handle(p);
      from = p + 1;
    }
  }

  std::string Chars(std::size_t from, std::size_t n) const {
    return from <= m_text.size() ? m_text.substr(from, n) : std::string();
  }

  static std::string Offset(std::size_t p) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(p / 2));
    return text;
  }

  void Add(ScanItem item) {
    const auto at = std::upper_bound(m_result.lines.begin(), m_result.lines.end(), item.strLabel,
                                     [](const std::string& a, const std::string& b) { return AlphaLess(a, b); });
    m_result.lines.insert(at, item.strLabel);
    m_result.items.push_back(std::move(item));
  }

  void Dependencies() {
    for (int row = 0; row < 79; ++row) {
      const std::string c = TagClassTable::Rows()[static_cast<std::size_t>(row)].code;
      ForEachHit(SwapHexBytes(TextToHex(c)), [&](std::size_t p) {
        const std::string id = SwapHexBytes(Chars(p + 24, 8));
        ScanItem item;
        item.nPos = static_cast<std::int32_t>(p);
        item.strClass = c;
        std::string tail;
        if (id == "ffffffff") {
          item.chKind = 'n';
          tail = "Nulled Out";
        } else {
          int found = -1;
          for (int t = 0; t < m_map.m_nTagCount && found < 0; ++t)
            if (m_map.m_tags[static_cast<std::size_t>(t)].strIdentifier == id) found = t;
          if (found >= 0) {
            item.chKind = 'd';
            item.nTagIndex = found;
            tail = m_map.m_tags[static_cast<std::size_t>(found)].strName;
          } else {
            item.chKind = 'u';
            tail = "Unknown Identifier";
          }
        }
        item.strLabel = "Dependency -- 0x" + Offset(p) + " -- " + c + " -- " + tail;
        Add(item);
      });
    }
  }

  void LoneIds() {
    for (int t = 0; t < m_map.m_nTagCount; ++t) {
      const TagEntry& tag = m_map.m_tags[static_cast<std::size_t>(t)];
      ForEachHit(SwapHexBytes(tag.strIdentifier), [&](std::size_t p) {
        const std::string before = SwapHexBytes(p < 24 ? Chars(0, 8) : Chars(p - 24, 8));
        std::vector<unsigned char> bytes(before.size() / 2 + 1, 0);
        HexToBytes(before, bytes.data());
        std::string candidate;
        for (std::size_t i = 0; i < before.size() / 2 && bytes[i] != 0; ++i) candidate += static_cast<char>(bytes[i]);
        for (int row = 0; row < 79; ++row)
          if (TagClassTable::Rows()[static_cast<std::size_t>(row)].code == candidate) return;
        ScanItem item;
        item.nPos = static_cast<std::int32_t>(p);
        item.nTagIndex = t;
        item.chKind = 'l';
        item.strLabel = "LoneID -- 0x" + Offset(p) + " -- " + tag.strClass1 + " -- " + tag.strName;
        Add(item);
      });
    }
  }

  void Reflexives() {
    const TagEntry& tag = m_map.m_tags[static_cast<std::size_t>(m_tag)];
    if (tag.nSize == 0) return;
    const std::uint32_t base = HexToUInt(m_map.m_strMagic) + HexToUInt(tag.strMetaOffset);
    for (std::uint32_t k = 0; k < tag.nSize; ++k) {
      ForEachHit(SwapHexBytes(UIntToHex(base + k)), [&](std::size_t p) {
        const auto count = static_cast<std::int16_t>(HexToUInt(p < 8 ? Chars(0, 2) : Chars(p - 8, 2)));
        ScanItem item;
        item.nPos = static_cast<std::int32_t>(p);
        item.nChunkCount = count;
        item.nTargetOffset = static_cast<std::int32_t>(k);
        item.chKind = 'r';
        item.strLabel = "Reflexive -- 0x" + Offset(p) + " -- 0x" + UIntToHex(k) + " -- Chunk Count: " + IntToDecimal(count);
        Add(item);
      });
    }
  }

  void Shorts(int limit) {
    for (int v = 1; v < limit; ++v) {
      ForEachHit(SwapHexBytes(UIntToHex(static_cast<std::uint32_t>(v))), [&](std::size_t p) {
        ScanItem item;
        item.nPos = static_cast<std::int32_t>(p);
        item.nShort = static_cast<std::int16_t>(v);
        item.chKind = 's';
        item.strLabel = "Short -- 0x" + Offset(p) + " -- " + IntToDecimal(v);
        Add(item);
      });
    }
  }

  // Only for steps the scanner accepts (the literal loop would never end otherwise).
  void Floats(float step) {
    if (!(step < 10.0f)) return;
    for (float f = step; f < 10.0f; f = f + step) {
      ForEachHit(SwapHexBytes(UIntToHex(FloatBits(f))), [&](std::size_t p) {
        ScanItem item;
        item.nPos = static_cast<std::int32_t>(p);
        item.dwFloatBits = FloatBits(f);
        item.chKind = 'f';
        item.strLabel = "Float -- 0x" + Offset(p) + " -- " + FloatToText(f);
        Add(item);
      });
    }
  }

  const CMapFile& m_map;
  int m_tag;
  const std::string& m_text;
  LiteralScanResult m_result;
};

inline LiteralScanResult LiteralScan(const CMapFile& map, int tag, const std::string& text, const ScanOptions& options) {
  return LiteralScanner(map, tag, text).Run(options);
}

}  // namespace jov::reference
