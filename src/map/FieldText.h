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
// Every number field of the editor and every number jov-cli takes for one (the
// scanner value, its step) is read here.
//
// An integer field: blanks and tabs around it, an optional sign, decimal digits,
// and a value from min to max; anything else is refused (kEnterInteger).
std::optional<std::int64_t> ParseIntegerField(std::string_view text, std::int64_t min, std::int64_t max);
// A number field: blanks and tabs around it, an optional sign, decimal digits
// with an optional point and exponent, or "inf" and "nan" (how a float taken from
// a map is shown, so it loads and saves again). Hexadecimal ("0x10") and values
// beyond a float's range ("1e39") are refused (kEnterNumber). The C locale's
// point is used whatever the user's locale.
std::optional<float> ParseNumberField(std::string_view text);
// The calculators' number: a number field whose value is zero only when the text
// starts with "0" ("-0" and "+0.0" count as not a number).
std::optional<float> ParseFloatField(std::string_view text);
// True when text has at most limit characters (bytes).
bool FitsLimit(std::string_view text, int limit);

}  // namespace jov
