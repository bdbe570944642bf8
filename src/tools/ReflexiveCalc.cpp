#include "tools/ReflexiveCalc.h"

#include "map/ValueText.h"

namespace jov {

std::string CleanReflexive(std::string_view reflexive) {
  std::string cleaned;
  cleaned.reserve(reflexive.size());
  for (const char c : reflexive)
    if (c != ' ') cleaned.push_back(c);
  return cleaned;
}

std::string ReflexiveToOffset(std::string_view reflexive, std::string_view magic) {
  const std::uint32_t pointer = HexToUInt(SwapHexBytes(CleanReflexive(reflexive)));
  return UIntToHex(pointer - HexToUInt(magic));
}

std::string OffsetToReflexive(std::string_view offset, std::string_view magic) {
  return SwapHexBytes(UIntToHex(HexToUInt(offset) + HexToUInt(magic)));
}

}  // namespace jov
