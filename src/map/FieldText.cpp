#include "map/FieldText.h"

#include <charconv>

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

namespace {

// The number's text without blanks around it and without a leading "+" (which
// from_chars does not take); nothing when no number can start there.
std::optional<std::string_view> NumberText(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::int64_t> ParseIntegerField(std::string_view text, std::int64_t min, std::int64_t max) {
  const auto number = NumberText(text);
  if (!number) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(number->data(), number->data() + number->size(), value);
  if (error != std::errc{} || end != number->data() + number->size() || value < min || value > max)
    return std::nullopt;
  return value;
}

std::optional<float> ParseNumberField(std::string_view text) {
  // from_chars ignores the C locale and, in the general format, takes no hex.
  // A value out of a float's range is an error, not infinity.
  const auto number = NumberText(text);
  if (!number) return std::nullopt;
  float value = 0;
  const auto [end, error] =
      std::from_chars(number->data(), number->data() + number->size(), value, std::chars_format::general);
  if (error != std::errc{} || end != number->data() + number->size()) return std::nullopt;
  return value;
}

std::optional<float> ParseFloatField(std::string_view text) {
  const auto value = ParseNumberField(text);
  if (!value) return std::nullopt;
  const std::string_view trimmed = TrimBlanks(text);
  if (*value == 0.0f && trimmed.front() != '0') return std::nullopt;
  return value;
}

bool FitsLimit(std::string_view text, int limit) { return static_cast<long>(text.size()) <= limit; }

}  // namespace jov
