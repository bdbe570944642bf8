#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The "Hex - Float Converter": a 32-bit float and the hex text of its bit pattern.
namespace jov {

inline constexpr const char* kHexFloatTitle = "Hex - Float Converter";
inline constexpr const char* kHexFloatGroup = "Hex Float Converter";
inline constexpr const char* kHexFloatDecimalLabel = "Decimal Float";
inline constexpr const char* kHexFloatHexLabel = "Hex Float";
inline constexpr const char* kFloatToHexButton = "&Float to Hex";
inline constexpr const char* kHexToFloatButton = "&Hex to Float";
inline constexpr const char* kCalcCloseButton = "&Close";
// The "Hex Float" field holds at most this many characters.
inline constexpr int kHexFloatLimit = 8;

// UIntToHex of the float's bits: lowercase, no leading zeros (1.0 gives 3f800000,
// 0.0 gives 0).
std::string FloatToHexText(float value);
// The float whose bits are HexToUInt(hex), only for a text of exactly 8
// characters (either case; a non-hex character counts as 0); any other length
// gives nothing.
std::optional<float> HexTextToFloat(std::string_view hex);

// The dialog's two members and its two buttons. Each button reads the fields
// into the members first: "Decimal Float" through ParseFloatField, then "Hex
// Float" checked with FitsLimit(kHexFloatLimit). A float that does not parse is
// refused with kEnterNumber (the field gets the focus) and stops the reading:
// the float keeps its previous value and the hex text is not read; the
// button's conversion still goes on with the members as they stand. Afterwards
// the members are shown again, the float through FloatToText.
struct HexFloatValues {
  float value = 0.0f;
  std::string hex = "00000000";

  void FloatToHex() { hex = FloatToHexText(value); }
  // A hex text of any length but 8 leaves the float as it is.
  void HexToFloat() {
    if (const auto parsed = HexTextToFloat(hex)) value = *parsed;
  }
};

}  // namespace jov
