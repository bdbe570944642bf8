#include "scanner/ScanMetadata.h"

#include <algorithm>
#include <optional>
#include <span>
#include <unordered_map>

#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "platform/AlphaOrder.h"
#include "scanner/FloatSeries.h"
#include "scanner/HexSearch.h"
#include "scanner/MetaHex.h"

namespace jov {

namespace {

constexpr std::string_view kNulledIdentifier = "ffffffff";

// The text's characters from pos on, at most n; empty when pos lies past the end.
std::string_view Slice(std::string_view text, std::size_t pos, std::size_t n) {
  return pos >= text.size() ? std::string_view() : text.substr(pos, n);
}

// The needles of the kinds that search fixed patterns, gathered into one list
// so that one pass over the text finds them all. Hits come back ordered by
// needle, so each kind's hits form one run, in the kinds' order.
struct PatternSearch {
  std::vector<std::string> needles;
  struct Range {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
  };
  Range Add(std::vector<std::string> kindNeedles) {
    Range range{static_cast<std::uint32_t>(needles.size()), 0};
    for (std::string& needle : kindNeedles) needles.push_back(std::move(needle));
    range.end = static_cast<std::uint32_t>(needles.size());
    return range;
  }
};

using HitSpan = std::span<const NeedleHit>;

// SwapHexBytes of a word's 8 digits without its padding and copying; shorter
// texts (cut by the end of the metadata) go the general way.
std::string SwapPairs(std::string_view hex) {
  if (hex.size() != 8) return SwapHexBytes(hex);
  return {hex[6], hex[7], hex[4], hex[5], hex[2], hex[3], hex[0], hex[1]};
}

HitSpan HitsOf(const std::vector<NeedleHit>& hits, PatternSearch::Range range) {
  const auto byNeedle = [](const NeedleHit& hit, std::uint32_t needle) { return hit.needle < needle; };
  const auto first = std::lower_bound(hits.begin(), hits.end(), range.first, byNeedle);
  const auto end = std::lower_bound(first, hits.end(), range.end, byNeedle);
  return HitSpan(hits.data() + (first - hits.begin()), static_cast<std::size_t>(end - first));
}

}  // namespace

std::vector<std::string> DependencyNeedles() {
  std::vector<std::string> needles;
  for (int row = 0; row < TagClassTable::kSearchRows; ++row)
    needles.push_back(SwapHexBytes(TextToHex(TagClassTable::Rows()[static_cast<std::size_t>(row)].code)));
  return needles;
}

std::vector<std::string> LoneIdNeedles(const CMapFile& map) {
  std::vector<std::string> needles;
  const int count = std::min<int>(map.m_nTagCount, static_cast<int>(map.m_tags.size()));
  for (int t = 0; t < count; ++t) needles.push_back(SwapHexBytes(map.m_tags[static_cast<std::size_t>(t)].strIdentifier));
  return needles;
}

std::unordered_map<std::string, int> IdentifierIndex(const CMapFile& map) {
  std::unordered_map<std::string, int> index;
  const int count = std::min<int>(map.m_nTagCount, static_cast<int>(map.m_tags.size()));
  for (int t = 0; t < count; ++t) index.emplace(map.m_tags[static_cast<std::size_t>(t)].strIdentifier, t);
  return index;
}

std::string DependencyIdentifier(std::string_view text, std::uint32_t pos) {
  // The identifier stands 12 bytes after the class code; near the end of the
  // text fewer digits are left and no tag can match them.
  return SwapPairs(Slice(text, std::size_t{pos} + 24, 8));
}

bool FollowsKnownClass(std::string_view text, std::uint32_t pos) {
  // An identifier 12 bytes after a known class code belongs to a dependency.
  // Close to the start the code is read from the text's first bytes instead.
  const std::string hex = SwapPairs(Slice(text, pos >= 24 ? pos - 24 : 0, 8));
  std::vector<unsigned char> bytes((hex.size() + 1) / 2);
  HexToBytes(hex, bytes.data());
  std::string code;
  for (const unsigned char b : bytes) {
    if (b == 0) break;
    code += static_cast<char>(b);
  }
  return TagClassTable::IsKnownReferenceClass(code);
}

namespace {

class Scanner {
 public:
  Scanner(const CMapFile& map, int tag, std::string_view text, ScanResult& result)
      : m_map(map), m_tag(tag), m_text(text), m_result(result) {}

  static std::vector<std::string> ShortNeedles(int limit) {
    std::vector<std::string> needles;
    for (int v = 1; v < limit; ++v) needles.push_back(SwapHexBytes(UIntToHex(static_cast<std::uint32_t>(v))));
    return needles;
  }

  static std::vector<std::string> FloatNeedles(const std::vector<float>& values) {
    std::vector<std::string> needles;
    for (const float f : values) needles.push_back(SwapHexBytes(UIntToHex(FloatBits(f))));
    return needles;
  }

  // hit.needle - first is the class table row.
  void Dependencies(HitSpan hits, std::uint32_t first) {
    if (hits.empty()) return;
    const auto identifiers = IdentifierIndex(m_map);
    for (const NeedleHit& hit : hits) {
      const std::string& code = TagClassTable::Rows()[hit.needle - first].code;
      const std::string id = DependencyIdentifier(m_text, hit.pos);
      ScanItem& item = Add(hit.pos, "Dependency -- 0x");
      item.strClass = code;
      item.strLabel += " -- ";
      item.strLabel += code;
      if (id == kNulledIdentifier) {
        item.chKind = kKindNulled;
        item.strLabel += " -- Nulled Out";
      } else if (const auto it = identifiers.find(id); it != identifiers.end()) {
        item.chKind = kKindDependency;
        item.nTagIndex = it->second;
        item.strLabel += " -- ";
        item.strLabel += Tag(it->second).strName;
      } else {
        item.chKind = kKindUnknown;
        item.strLabel += " -- Unknown Identifier";
      }
    }
  }

  // hit.needle - first is the tag index.
  void LoneIds(HitSpan hits, std::uint32_t first) {
    for (const NeedleHit& hit : hits) {
      if (FollowsKnownClass(m_text, hit.pos)) continue;
      const auto t = static_cast<int>(hit.needle - first);
      ScanItem& item = Add(hit.pos, "LoneID -- 0x");
      item.chKind = kKindLoneId;
      item.nTagIndex = t;
      item.strLabel += " -- ";
      item.strLabel += Tag(t).strClass1;
      item.strLabel += " -- ";
      item.strLabel += Tag(t).strName;
    }
  }

  // The pointers to every byte of the tag's own metadata, by target offset.
  std::vector<NeedleHit> FindReflexives() const {
    // The text's own length: a CE external tag's bytes came from its resource map.
    const auto size = static_cast<std::uint32_t>(m_text.size() / 2);
    if (size == 0) return {};
    const std::uint32_t base = m_map.MetaBase(m_tag);  // wraps at 32 bits
    return FindAddressRange(m_text, base, size);
  }

  // hit.needle is the target offset.
  void Reflexives(const std::vector<NeedleHit>& hits) {
    for (const NeedleHit& hit : hits) {
      // The count is the 32-bit word before the pointer; only its lowest byte
      // is read. Too close to the start, the text's first byte stands in.
      const std::size_t countAt = hit.pos >= 8 ? hit.pos - 8 : 0;
      const auto count = static_cast<std::int16_t>(HexToUInt(Slice(m_text, countAt, 2)));
      ScanItem& item = Add(hit.pos, "Reflexive -- 0x");
      item.chKind = kKindReflexive;
      item.nChunkCount = count;
      item.nTargetOffset = static_cast<std::int32_t>(hit.needle);
      item.strLabel += " -- 0x";
      item.strLabel += UIntToHex(hit.needle);
      item.strLabel += " -- Chunk Count: ";
      item.strLabel += IntToDecimal(count);
    }
  }

  // hit.needle - first + 1 is the value.
  void Shorts(HitSpan hits, std::uint32_t first) {
    for (const NeedleHit& hit : hits) {
      const auto v = static_cast<std::int16_t>(hit.needle - first + 1);
      ScanItem& item = Add(hit.pos, "Short -- 0x");
      item.chKind = kKindShort;
      item.nShort = v;
      item.strLabel += " -- ";
      item.strLabel += IntToDecimal(v);
    }
  }

  // hit.needle - first indexes values.
  void Floats(HitSpan hits, std::uint32_t first, const std::vector<float>& values) {
    std::vector<std::string> texts;
    for (const float f : values) texts.push_back(FloatToText(f));
    for (const NeedleHit& hit : hits) {
      const std::uint32_t n = hit.needle - first;
      ScanItem& item = Add(hit.pos, "Float -- 0x");
      item.chKind = kKindFloat;
      item.dwFloatBits = FloatBits(values[n]);
      item.strLabel += " -- ";
      item.strLabel += texts[n];
    }
  }

 private:
  int TagCount() const { return std::min<int>(m_map.m_nTagCount, static_cast<int>(m_map.m_tags.size())); }
  const TagEntry& Tag(int t) const { return m_map.m_tags[static_cast<std::size_t>(t)]; }

  // A new record at pos, its label begun with the kind's words and the offset.
  ScanItem& Add(std::uint32_t pos, std::string_view labelStart) {
    ScanItem& item = m_result.items.emplace_back();
    item.nPos = static_cast<std::int32_t>(pos);
    item.strLabel.reserve(64);
    item.strLabel += labelStart;
    item.strLabel += OffsetText(pos);
    return item;
  }

  const CMapFile& m_map;
  int m_tag;
  std::string_view m_text;
  ScanResult& m_result;
};

// The results tree's order. Every label is the kind's words, " -- 0x", the
// 8-digit byte offset, then the rest; the five kinds' words differ in their
// first letter (Dependency, Float, LoneID, Reflexive, Short) and the offset
// digits sort as numbers, so the alphabetical order is by kind, then offset,
// then the rest of the label. Sorting on the first two as a number leaves only
// the few lines at one offset to compare as text.
std::vector<std::size_t> DisplayOrder(const std::vector<ScanItem>& items) {
  // One number per line: kind rank (3 bits), byte offset (25 bits), index (36 bits).
  auto rank = [](char kind) -> std::uint64_t {
    switch (kind) {
      case kKindDependency:
      case kKindNulled:
      case kKindUnknown: return 0;
      case kKindFloat: return 1;
      case kKindLoneId: return 2;
      case kKindReflexive: return 3;
      default: return 4;
    }
  };
  constexpr int kIndexBits = 36;
  constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kIndexBits) - 1;
  std::vector<std::uint64_t> keys(items.size());
  for (std::size_t n = 0; n < items.size(); ++n)
    keys[n] = rank(items[n].chKind) << 61 | std::uint64_t{static_cast<std::uint32_t>(items[n].nPos) / 2} << kIndexBits | n;
  std::sort(keys.begin(), keys.end());
  std::vector<std::size_t> order(items.size());
  for (std::size_t n = 0; n < keys.size(); ++n) order[n] = static_cast<std::size_t>(keys[n] & kIndexMask);
  // Lines at one offset of one kind: by text, equal texts in discovery order.
  for (std::size_t first = 0; first < keys.size();) {
    std::size_t end = first + 1;
    while (end < keys.size() && keys[end] >> kIndexBits == keys[first] >> kIndexBits) ++end;
    if (end - first > 1)
      std::stable_sort(order.begin() + static_cast<long>(first), order.begin() + static_cast<long>(end),
                       [&](std::size_t a, std::size_t b) { return AlphaLess(items[a].strLabel, items[b].strLabel); });
    first = end;
  }
  return order;
}

}  // namespace

std::string OffsetText(std::uint32_t pos) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(8, '0');
  std::uint32_t offset = pos / 2;
  for (int i = 7; i >= 0; --i, offset >>= 4) text[static_cast<std::size_t>(i)] = kDigits[offset & 15];
  return text;
}

ScanResult ScanMetadataText(const CMapFile& map, int tag, std::string_view text, const ScanOptions& options) {
  ScanResult result;
  if (text.size() > 2 * std::size_t{kMetaBufferSize}) {
    result.message = kTagTooLarge;
    return result;
  }
  Scanner scanner(map, tag, text, result);
  std::optional<std::vector<float>> floats;
  if (options.bFloats) {
    floats = FloatSeries(options.fStep);
    if (!floats) result.message = kFloatStepRefused;
  }
  // Every kind but the reflexives in one search, the reflexives in another.
  PatternSearch search;
  const auto dependencies = search.Add(options.bDependencies ? DependencyNeedles() : std::vector<std::string>());
  const auto loneIds = search.Add(options.bLoneIDs ? LoneIdNeedles(map) : std::vector<std::string>());
  const auto shorts = search.Add(options.bShorts ? Scanner::ShortNeedles(options.nShortsLimit) : std::vector<std::string>());
  const auto floatRange = search.Add(floats ? Scanner::FloatNeedles(*floats) : std::vector<std::string>());
  const std::vector<NeedleHit> hits = FindAllNeedles(text, search.needles);
  const std::vector<NeedleHit> reflexives = options.bReflexives ? scanner.FindReflexives() : std::vector<NeedleHit>();
  result.items.reserve(hits.size() + reflexives.size());

  scanner.Dependencies(HitsOf(hits, dependencies), dependencies.first);
  scanner.LoneIds(HitsOf(hits, loneIds), loneIds.first);
  scanner.Reflexives(reflexives);
  scanner.Shorts(HitsOf(hits, shorts), shorts.first);
  if (floats) scanner.Floats(HitsOf(hits, floatRange), floatRange.first, *floats);
  result.order = DisplayOrder(result.items);
  return result;
}

ScanResult ScanMetadata(CMapFile& map, int tag, const ScanOptions& options) {
  if (map.m_tags[static_cast<std::size_t>(tag)].nSize > kMetaBufferSize) {
    ScanResult refused;
    refused.message = kTagTooLarge;
    return refused;
  }
  const std::string text = ReadMetaHex(map, tag);
  return ScanMetadataText(map, tag, text, options);
}

}  // namespace jov
