#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Turning a Guerilla tag file into raw Xbox metadata: the tag file's 64-byte
// header is dropped, every complete 32-bit word of the rest has its bytes
// reversed (the tag kit writes big-endian, the maps are little-endian), and
// optionally 16-bit values split across a word boundary are mended.
namespace jov {

inline constexpr std::size_t kGuerillaHeaderSize = 64;
// The converter's work buffer; a larger input is refused.
inline constexpr std::size_t kGuerillaMaxInput = 1'000'000;
inline constexpr std::uint32_t kDefaultShortLimit = 4;

inline constexpr const char* kGuerillaTooShort =
    "The Guerilla tag is shorter than its 64-byte header; there is nothing to convert.";
inline constexpr const char* kGuerillaTooLong =
    "The Guerilla tag is larger than 1,000,000 bytes, more than the converter can hold.";

struct GuerillaOptions {
  bool fixShorts = false;
  std::uint32_t shortLimit = kDefaultShortLimit;  // K
};

// Reverses the four bytes of each complete 4-byte group; a trailing group of
// fewer than 4 bytes stays as it is.
void SwapWords(unsigned char* data, std::size_t n);

// The "Fix Shorts" pass over data[0, n), one position i at a time from 0: for
// k = 1 .. limit in turn, when data[i] equals k's low 8 bits taken as a signed
// byte (so a k whose low byte is 0 or 128..255 never matches) and the bytes
// before and after it are zero, the value moves two bytes on (data[i] := 0,
// data[i + 2] := k) and i advances by 2 before the next k; after the last k, i
// advances by 1. A byte outside the data (the one before the first, those past
// the end) reads as zero and is never written.
//
// Tried literally this costs n * limit steps, and limit may be in the billions;
// here each position jumps straight to the next k that can match, so the pass
// is linear in n whatever the limit.
void FixShorts(unsigned char* data, std::size_t n, std::uint32_t limit);

// The conversion in place: buffer holds length input bytes (64 <= length);
// afterwards its first length - 64 bytes are the converted data, which is what
// the call returns the length of.
std::size_t ConvertGuerillaBuffer(unsigned char* buffer, std::size_t length, const GuerillaOptions& options);

// The whole conversion of a tag file's bytes. Throws Refused (kGuerillaTooShort,
// kGuerillaTooLong) for an input outside 64 .. 1,000,000 bytes.
std::vector<unsigned char> ConvertGuerillaTag(const std::vector<unsigned char>& input, const GuerillaOptions& options);

// Throws Refused unless an input of this length can be converted.
void CheckGuerillaLength(std::uint64_t length);

}  // namespace jov
