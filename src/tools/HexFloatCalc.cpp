#include "tools/HexFloatCalc.h"

#include "map/ValueText.h"

namespace jov {

std::string FloatToHexText(float value) { return UIntToHex(FloatBits(value)); }

std::optional<float> HexTextToFloat(std::string_view hex) {
  if (hex.size() != 8) return std::nullopt;
  return FloatFromBits(HexToUInt(hex));
}

}  // namespace jov
