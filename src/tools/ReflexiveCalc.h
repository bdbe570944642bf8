#pragma once
#include <string>
#include <string_view>

// The "Reflexive Calculator": a file offset and the pointer a map stores for it
// (offset + magic), the pointer written as the map's bytes, least significant
// first. Any text is accepted; a non-hex character counts as digit 0, an empty
// text as 0, and all sums wrap at 32 bits.
namespace jov {

inline constexpr const char* kReflexiveTitle = "Reflexive Calculator";
inline constexpr const char* kReflexiveGroup = "Reflexive Calculator";
inline constexpr const char* kReflexiveOffsetLabel = "Offset";
inline constexpr const char* kReflexiveReflexiveLabel = "Reflexive";
inline constexpr const char* kReflexiveMagicLabel = "Magic";
inline constexpr const char* kReflexiveToOffsetButton = "&Reflexive to Offset";
inline constexpr const char* kOffsetToReflexiveButton = "&Offset to Reflexive";

// The reflexive text with every space removed ("00 60 3A 80" gives 00603A80).
std::string CleanReflexive(std::string_view reflexive);
// UIntToHex(HexToUInt(SwapHexBytes(reflexive without spaces)) - HexToUInt(magic)).
std::string ReflexiveToOffset(std::string_view reflexive, std::string_view magic);
// SwapHexBytes(UIntToHex(HexToUInt(offset) + HexToUInt(magic))): digit pairs
// without spaces, fewer than four pairs for a small pointer.
std::string OffsetToReflexive(std::string_view offset, std::string_view magic);

// The dialog's three members and its two buttons (the members are the fields'
// texts as read; they are shown again afterwards).
struct ReflexiveValues {
  std::string offset;
  std::string reflexive;
  std::string magic;

  // The "Reflexive" field shows the cleaned text afterwards.
  void ReflexiveToOffset() {
    reflexive = CleanReflexive(reflexive);
    offset = jov::ReflexiveToOffset(reflexive, magic);
  }
  void OffsetToReflexive() { reflexive = jov::OffsetToReflexive(offset, magic); }
};

}  // namespace jov
