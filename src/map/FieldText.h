#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the dialogs read their fields back, with the toolkit's messages. The editor
// and jov-cli both read typed values through these, so a value refused in one is
// refused in the other with the same text.
namespace jov {

inline constexpr const char* kEnterInteger = "Please enter an integer.";
inline constexpr const char* kEnterNumber = "Please enter a number.";
inline constexpr const char* kEnterPositiveInteger = "Please enter a positive integer.";
// %1 is the limit.
std::string EnterNoMoreThan(int limit);

// A signed decimal: blanks and tabs around it, an optional sign, digits. The value
// is kept to the field's width the way a C integer conversion does (so 65535 in a
// 16-bit field reads as -1).
std::optional<std::int32_t> ParseInt32Field(std::string_view text);
std::optional<std::int16_t> ParseInt16Field(std::string_view text);
// Digits only, no sign (blanks and tabs around them allowed).
std::optional<std::uint32_t> ParseUInt32Field(std::string_view text);
// A decimal number as strtod reads it, blanks and tabs around it; a result of
// zero from a text that does not start with "0" counts as not a number.
std::optional<float> ParseFloatField(std::string_view text);
// True when text has at most limit characters (bytes).
bool FitsLimit(std::string_view text, int limit);

}  // namespace jov
