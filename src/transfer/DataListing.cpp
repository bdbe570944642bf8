#include "transfer/DataListing.h"

#include <vector>

#include "map/ValueText.h"
#include "scanner/HexSearch.h"

namespace jov {

namespace {

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

}  // namespace

std::string DataListingText(const CMapFile& map, int i, std::string_view hex) {
  const TagEntry& tag = map.m_tags[static_cast<std::size_t>(i)];
  std::string out;
  AppendLine(out, tag.strName);
  AppendLine(out, tag.strClass1);
  AppendLine(out, tag.strClass2);
  AppendLine(out, tag.strClass3);

  // Byte k of the tag lives at address base + k (wrapping at 32 bits): the
  // magic plus its Meta Offset, or a structure BSP's own load address.
  const std::uint32_t base = map.MetaBase(i);
  for (const NeedleHit& hit : FindAddressRange(hex, base, tag.nSize)) {
    AppendLine(out, "Reflexive|" + IntToDecimal(static_cast<std::int32_t>(hit.pos / 2)) + "|" +
                        IntToDecimal(static_cast<std::int32_t>(hit.needle)));
  }

  std::vector<std::string> identifiers;
  identifiers.reserve(map.m_nTagCount);
  for (int t = 0; t < map.m_nTagCount; ++t)
    identifiers.push_back(SwapHexBytes(map.m_tags[static_cast<std::size_t>(t)].strIdentifier));
  for (const NeedleHit& hit : FindAllNeedles(hex, identifiers)) {
    const TagEntry& owner = map.m_tags[hit.needle];
    AppendLine(out, "Dependency|" + IntToDecimal(static_cast<std::int32_t>(hit.pos / 2)) + "|" + owner.strName + "|" +
                        owner.strClass1);
  }
  return out;
}

}  // namespace jov
