#pragma once
// The searches exactly as the editor defines them: needle after needle, from
// character 0, then one character past each hit. Slow (size squared for an
// address range) and obviously right: the reference for the fast searches.
#include <string>
#include <string_view>
#include <vector>

#include "map/ValueText.h"
#include "scanner/HexSearch.h"

namespace jov::reference {

inline void LiteralFind(std::string_view text, std::string_view needle, std::uint32_t id, std::vector<NeedleHit>& hits) {
  if (needle.empty()) return;
  std::size_t from = 0;
  while (true) {
    const std::size_t p = text.find(needle, from);
    if (p == std::string_view::npos) break;
    hits.push_back({id, static_cast<std::uint32_t>(p)});
    from = p + 1;
  }
}

inline std::vector<NeedleHit> LiteralFindAllNeedles(std::string_view text, const std::vector<std::string>& needles) {
  std::vector<NeedleHit> hits;
  for (std::uint32_t id = 0; id < needles.size(); ++id) LiteralFind(text, needles[id], id, hits);
  return hits;
}

inline std::vector<NeedleHit> LiteralFindAddressRange(std::string_view text, std::uint32_t base, std::uint32_t count) {
  std::vector<NeedleHit> hits;
  for (std::uint32_t k = 0; k < count; ++k) LiteralFind(text, SwapHexBytes(UIntToHex(base + k)), k, hits);
  return hits;
}

}  // namespace jov::reference
