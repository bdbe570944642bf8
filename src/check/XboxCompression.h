#pragma once
#include <span>
#include <string>

// Xbox maps as shipped: the 0x800-byte header (0x008 holding the decompressed
// length, 0x00C the pad length), then one zlib stream of the decompressed bytes
// from 0x800 on, and zeros up to a multiple of 4096 bytes.
namespace jov {

inline constexpr const char* kDecompressCommand = "jov-cli xbox-decompress";

// Version 5 and a zlib stream at 0x800 that starts to inflate.
bool IsCompressedXboxMap(std::span<const unsigned char> file);

// Both write OUT whole to a temporary file beside it and rename it into place;
// IN is never changed. Refused: OUT is IN, IN is not an Xbox map (or not a
// compressed / decompressed one), the stream is damaged or its length is not the
// header's. FileError: a file cannot be read or written.
void DecompressXboxMap(const std::string& in, const std::string& out);
void CompressXboxMap(const std::string& in, const std::string& out);

}  // namespace jov
