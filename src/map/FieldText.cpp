#include "map/FieldText.h"

#include <cerrno>
#include <cstdlib>

namespace jov {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Sign and digits; the value wraps like an unsigned conversion of its width.
std::optional<std::int64_t> ParseDecimal(std::string_view text, bool allowSign) {
  text = TrimBlanks(text);
  bool negative = false;
  if (allowSign && !text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    value &= 0xFFFFFFFFFFull;  // keep it bounded; only the low 32 bits are used
  }
  const auto v = static_cast<std::int64_t>(value);
  return negative ? -v : v;
}

}  // namespace

std::string EnterNoMoreThan(int limit) {
  return "Please enter no more than " + std::to_string(limit) + " characters.";
}

std::optional<std::int32_t> ParseInt32Field(std::string_view text) {
  const auto value = ParseDecimal(text, true);
  if (!value) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

std::optional<std::int16_t> ParseInt16Field(std::string_view text) {
  const auto value = ParseDecimal(text, true);
  if (!value) return std::nullopt;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(*value));
}

std::optional<std::uint32_t> ParseUInt32Field(std::string_view text) {
  const auto value = ParseDecimal(text, false);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

std::optional<float> ParseFloatField(std::string_view text) {
  const std::string trimmed(TrimBlanks(text));
  if (trimmed.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size()) return std::nullopt;
  if (value == 0.0 && trimmed.front() != '0') return std::nullopt;
  return static_cast<float>(value);
}

bool FitsLimit(std::string_view text, int limit) { return static_cast<long>(text.size()) <= limit; }

}  // namespace jov
