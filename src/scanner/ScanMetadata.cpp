#include "scanner/ScanMetadata.h"

#include <algorithm>
#include <numeric>
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

class Scanner {
 public:
  Scanner(const CMapFile& map, int tag, std::string_view text, ScanResult& result)
      : m_map(map), m_tag(tag), m_text(text), m_result(result) {}

  void Dependencies() {
    std::vector<std::string> needles;
    for (int row = 0; row < TagClassTable::kSearchRows; ++row)
      needles.push_back(SwapHexBytes(TextToHex(TagClassTable::Rows()[static_cast<std::size_t>(row)].code)));
    const auto identifiers = IdentifierIndex();
    for (const NeedleHit& hit : FindAllNeedles(m_text, needles)) {
      const std::string& code = TagClassTable::Rows()[hit.needle].code;
      // The identifier stands 12 bytes after the class code; near the end of the
      // text fewer digits are left and no tag can match them.
      const std::string id = SwapHexBytes(Slice(m_text, hit.pos + 24, 8));
      ScanItem& item = Add(hit.pos);
      item.strClass = code;
      std::string target;
      if (id == kNulledIdentifier) {
        item.chKind = kKindNulled;
        target = " -- Nulled Out";
      } else if (const auto it = identifiers.find(id); it != identifiers.end()) {
        item.chKind = kKindDependency;
        item.nTagIndex = it->second;
        target = " -- " + Tag(it->second).strName;
      } else {
        item.chKind = kKindUnknown;
        target = " -- Unknown Identifier";
      }
      item.strLabel = "Dependency -- 0x" + OffsetText(hit.pos) + " -- " + code + target;
    }
  }

  void LoneIds() {
    std::vector<std::string> needles;
    for (int t = 0; t < TagCount(); ++t) needles.push_back(SwapHexBytes(Tag(t).strIdentifier));
    for (const NeedleHit& hit : FindAllNeedles(m_text, needles)) {
      // An identifier 12 bytes after a known class code belongs to a dependency.
      // Close to the start the code is read from the text's first bytes instead.
      if (TagClassTable::IsKnownReferenceClass(ClassCodeBefore(hit.pos))) continue;
      const auto t = static_cast<int>(hit.needle);
      ScanItem& item = Add(hit.pos);
      item.chKind = kKindLoneId;
      item.nTagIndex = t;
      item.strLabel = "LoneID -- 0x" + OffsetText(hit.pos) + " -- " + Tag(t).strClass1 + " -- " + Tag(t).strName;
    }
  }

  void Reflexives() {
    const std::uint32_t size = Tag(m_tag).nSize;
    if (size == 0) return;
    const std::uint32_t base = m_map.Magic() + m_map.MetaOffset(m_tag);  // wraps at 32 bits
    for (const NeedleHit& hit : FindAddressRange(m_text, base, size)) {
      // The count is the 32-bit word before the pointer; only its lowest byte
      // is read. Too close to the start, the text's first byte stands in.
      const std::size_t countAt = hit.pos >= 8 ? hit.pos - 8 : 0;
      const auto count = static_cast<std::int16_t>(HexToUInt(Slice(m_text, countAt, 2)));
      ScanItem& item = Add(hit.pos);
      item.chKind = kKindReflexive;
      item.nChunkCount = count;
      item.nTargetOffset = static_cast<std::int32_t>(hit.needle);
      item.strLabel = "Reflexive -- 0x" + OffsetText(hit.pos) + " -- 0x" + UIntToHex(hit.needle) +
                      " -- Chunk Count: " + IntToDecimal(count);
    }
  }

  void Shorts(int limit) {
    std::vector<std::string> needles;
    for (int v = 1; v < limit; ++v) needles.push_back(SwapHexBytes(UIntToHex(static_cast<std::uint32_t>(v))));
    for (const NeedleHit& hit : FindAllNeedles(m_text, needles)) {
      const auto v = static_cast<std::int16_t>(hit.needle + 1);
      ScanItem& item = Add(hit.pos);
      item.chKind = kKindShort;
      item.nShort = v;
      item.strLabel = "Short -- 0x" + OffsetText(hit.pos) + " -- " + IntToDecimal(v);
    }
  }

  void Floats(const std::vector<float>& values) {
    std::vector<std::string> needles;
    std::vector<std::string> texts;
    for (const float f : values) {
      needles.push_back(SwapHexBytes(UIntToHex(FloatBits(f))));
      texts.push_back(FloatToText(f));
    }
    for (const NeedleHit& hit : FindAllNeedles(m_text, needles)) {
      ScanItem& item = Add(hit.pos);
      item.chKind = kKindFloat;
      item.dwFloatBits = FloatBits(values[hit.needle]);
      item.strLabel = "Float -- 0x" + OffsetText(hit.pos) + " -- " + texts[hit.needle];
    }
  }

 private:
  int TagCount() const { return std::min<int>(m_map.m_nTagCount, static_cast<int>(m_map.m_tags.size())); }
  const TagEntry& Tag(int t) const { return m_map.m_tags[static_cast<std::size_t>(t)]; }

  ScanItem& Add(std::uint32_t pos) {
    ScanItem& item = m_result.items.emplace_back();
    item.nPos = static_cast<std::int32_t>(pos);
    return item;
  }

  // Identifier text to the lowest tag index that has it.
  std::unordered_map<std::string, int> IdentifierIndex() const {
    std::unordered_map<std::string, int> index;
    for (int t = 0; t < TagCount(); ++t) index.emplace(Tag(t).strIdentifier, t);
    return index;
  }

  // The 4 bytes 12 bytes before pos as characters, up to the first zero byte.
  std::string ClassCodeBefore(std::uint32_t pos) const {
    const std::string hex = SwapHexBytes(Slice(m_text, pos >= 24 ? pos - 24 : 0, 8));
    std::vector<unsigned char> bytes((hex.size() + 1) / 2);
    HexToBytes(hex, bytes.data());
    std::string code;
    for (const unsigned char b : bytes) {
      if (b == 0) break;
      code += static_cast<char>(b);
    }
    return code;
  }

  const CMapFile& m_map;
  int m_tag;
  std::string_view m_text;
  ScanResult& m_result;
};

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
  Scanner scanner(map, tag, text, result);
  if (options.bDependencies) scanner.Dependencies();
  if (options.bLoneIDs) scanner.LoneIds();
  if (options.bReflexives) scanner.Reflexives();
  if (options.bShorts) scanner.Shorts(options.nShortsLimit);
  if (options.bFloats) {
    if (const auto values = FloatSeries(options.fStep))
      scanner.Floats(*values);
    else
      result.message = kFloatStepRefused;
  }
  result.order.resize(result.items.size());
  std::iota(result.order.begin(), result.order.end(), std::size_t{0});
  std::stable_sort(result.order.begin(), result.order.end(), [&](std::size_t a, std::size_t b) {
    return AlphaLess(result.items[a].strLabel, result.items[b].strLabel);
  });
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
