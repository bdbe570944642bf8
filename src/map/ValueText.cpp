#include "map/ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace jov {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

void AppendByte(std::string& out, unsigned char b) {
  out += kDigits[b >> 4];
  out += kDigits[b & 0x0F];
}

std::uint32_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  return 0;
}

}  // namespace

std::string DwordToHex(const unsigned char* bytes) { return BytesToHex(bytes, 4); }

std::string BytesToHex(const unsigned char* bytes, long n) {
  std::string out;
  if (n <= 0) return out;
  out.reserve(static_cast<std::size_t>(n) * 2);
  for (long i = 0; i < n; ++i) AppendByte(out, bytes[i]);
  return out;
}

std::string TextToHex(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) AppendByte(out, static_cast<unsigned char>(c));
  return out;
}

void HexToBytes(std::string_view hex, unsigned char* out) {
  std::size_t i = 0;
  std::size_t o = 0;
  if (hex.size() % 2 == 1) {
    out[o++] = static_cast<unsigned char>(DigitValue(hex[0]));
    i = 1;
  }
  for (; i < hex.size(); i += 2) {  // the rest has an even length
    // A zero character ends a text for HexToUInt, so a pair starting with one is 0.
    const char hi = hex[i];
    const char lo = hex[i + 1];
    const std::uint32_t value = hi == '\0' ? 0 : (lo == '\0' ? DigitValue(hi) : DigitValue(hi) * 16 + DigitValue(lo));
    out[o++] = static_cast<unsigned char>(value);
  }
}

std::uint32_t HexToUInt(std::string_view hex) {
  const std::size_t end = std::min(hex.size(), hex.find('\0'));
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < end; ++i) value = (value << 4) | DigitValue(hex[i]);
  return value;
}

std::string UIntToHex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string SwapHexBytes(std::string_view hex) {
  std::string padded;
  if (hex.size() % 2 == 1) {
    padded.reserve(hex.size() + 1);
    padded += '0';
    padded += hex;
    hex = padded;
  }
  std::string out;
  out.reserve(hex.size());
  for (std::size_t i = hex.size(); i >= 2; i -= 2) out.append(hex.substr(i - 2, 2));
  return out;
}

std::string IntToDecimal(std::int32_t value) { return std::to_string(value); }

std::string FloatToText(float value) {
  const double wide = value;
  if (std::isnan(wide)) return std::signbit(wide) ? "-nan" : "nan";
  if (std::isinf(wide)) return wide < 0 ? "-inf" : "inf";
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", wide);
  // The exponent is printed with at least three digits, as the maps' own tools do.
  std::string out = text;
  const auto e = out.find('e');
  if (e != std::string::npos) {
    const std::string mantissa = out.substr(0, e + 2);  // digits, 'e' and the sign
    std::string exponent = out.substr(e + 2);
    // Padding by building a new text (not insert at 0) also keeps GCC 12's
    // -Wrestrict false positive away in optimised builds.
    const std::string padding(exponent.size() < 3 ? 3 - exponent.size() : 0, '0');
    out = mantissa + padding + exponent;
  }
  return out;
}

std::string TrimmedHex(std::uint32_t value) { return value == 0 ? std::string() : UIntToHex(value); }

std::string ToUpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string FillText(std::string text, std::initializer_list<std::string> args) {
  int n = 0;
  for (const std::string& arg : args) {
    const std::string mark = "%" + std::to_string(++n);
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + arg.size()))
      text.replace(at, mark.size(), arg);
  }
  return text;
}

std::uint32_t ReadLe32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::uint16_t ReadLe16(const unsigned char* b) {
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

void EncodeHexField(std::string_view hex, unsigned char* out, int n) {
  const std::string swapped = SwapHexBytes(hex);
  unsigned char bytes[64] = {};
  const std::size_t count = std::min<std::size_t>(swapped.size() / 2, sizeof bytes);
  HexToBytes(std::string_view(swapped).substr(0, count * 2), bytes);
  std::memset(out, 0, static_cast<std::size_t>(n));
  std::memcpy(out, bytes, std::min<std::size_t>(count, static_cast<std::size_t>(n)));
}

std::uint32_t FloatBits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FloatFromBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace jov
