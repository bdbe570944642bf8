#include "tools/HexEditorText.h"

#include "map/HexTextInput.h"
#include "map/Refused.h"
#include "scanner/MetaHex.h"

namespace jov {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

}  // namespace

std::string SpacedHexOfBytes(const unsigned char* bytes, std::size_t n) {
  std::string out(n * 3, ' ');
  char* at = out.data();
  for (std::size_t i = 0; i < n; ++i, at += 3) {
    at[0] = kDigits[bytes[i] >> 4];
    at[1] = kDigits[bytes[i] & 0x0F];
  }
  return out;
}

std::string SpaceHexText(std::string_view hex) {
  // Pairs are counted from the end: an odd text's first character stays in
  // front of the first pair, without a space of its own.
  const std::size_t n = hex.size();
  std::string out(n + n / 2, ' ');
  char* at = out.data();
  std::size_t i = 0;
  if (n % 2 == 1) *at++ = hex[i++];
  for (; i < n; i += 2, at += 3) {
    at[0] = hex[i];
    at[1] = hex[i + 1];
  }
  return out;
}

std::string HexEditorText(CMapFile& map, int i) { return SpaceHexText(ReadMetaHex(map, i)); }

std::string HexEditorDigits(std::string_view text) {
  std::string digits(text.size(), '\0');
  char* out = digits.data();
  bool foreign = false;
  for (const char c : text) {
    if (IsTextWhitespace(c)) continue;
    foreign |= !IsHexDigit(c);
    *out++ = c;
  }
  if (foreign) throw Refused(kHexTextNotHex);
  digits.resize(static_cast<std::size_t>(out - digits.data()));
  if (digits.size() % 2 == 1) throw Refused(kHexTextOddDigits);
  if (digits.size() / 2 > kMetaBufferSize) throw Refused(kHexTextTooLarge);
  return digits;
}

void SaveHexEditorText(CMapFile& map, int i, std::string_view text) {
  const std::string digits = HexEditorDigits(text);
  WriteMetaHex(map, i, digits, -1);
}

}  // namespace jov
