#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// The conversions between bytes, numbers and the hexadecimal texts in which the
// editor holds offsets, pointers, identifiers and metadata. Their exact forms
// (lower case, padding, byte order) are what the panels show and what gets
// compared and written back.
namespace jov {

// 8 lowercase digits, the 4 bytes in memory order.
std::string DwordToHex(const unsigned char* bytes);
// 2n lowercase digits, the bytes in memory order; empty for n <= 0.
std::string BytesToHex(const unsigned char* bytes, long n);
// Each character's code as two lowercase digits (class codes as stored bytes).
std::string TextToHex(std::string_view text);
// One byte per digit pair into out; an odd-length text gets a "0" in front.
// out must hold (length + 1) / 2 bytes.
void HexToBytes(std::string_view hex, unsigned char* out);
// Digits up to the end or a zero character; a non-hex character counts as 0 but
// keeps its place; only the last 8 digits matter.
std::uint32_t HexToUInt(std::string_view hex);
// Lowercase, no leading zeros, "0" for 0.
std::string UIntToHex(std::uint32_t value);
// The digit pairs in reverse order; an odd-length text gets a "0" in front.
std::string SwapHexBytes(std::string_view hex);
std::string IntToDecimal(std::int32_t value);
// General notation, 6 significant digits, three-digit exponent (1.23457e+006).
std::string FloatToText(float value);

// The value of a hex text as the header readers print it: 8 digits with the
// leading zeros removed, so 0 gives an empty text.
std::string TrimmedHex(std::uint32_t value);
std::string ToUpperAscii(std::string text);
// A message template with its marks filled: every "%1" by args[0], "%2" by
// args[1], ... (texts such as "%1 is not a Halo map: %2.").
std::string FillText(std::string text, std::initializer_list<std::string> args);
// The 4 bytes of a little-endian word.
std::uint32_t ReadLe32(const unsigned char* bytes);
std::uint16_t ReadLe16(const unsigned char* bytes);
// A value as N little-endian bytes written through the hex-text path of the
// header and record writers: the text's digit pairs reversed and converted,
// then zero bytes up to n. A non-hex character counts as 0.
void EncodeHexField(std::string_view hex, unsigned char* out, int n);
// Bits of a float and back.
std::uint32_t FloatBits(float value);
float FloatFromBits(std::uint32_t bits);

}  // namespace jov
