// The Guerilla tag converter on a tag file made of the fuzzer's bytes: in memory
// and through its two files, "&Convert" pressed twice. The output must be the
// input less its 64-byte header, its words reversed, and (with "Fix &Shorts")
// mended exactly as the k-by-k pass mends it; an input shorter than the header
// must be refused with nothing written.
//
// Leading bytes: [0] bit 0 "Fix &Shorts", [1..4] the short limit K; the tag follows.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzSupport.h"
#include "support/LiteralFixShorts.h"
#include "tools/GuerillaConvert.h"
#include "tools/GuerillaConverter.h"

using namespace jov;

namespace {

// The k-by-k pass costs n * K: it is the reference only for limits up to this.
constexpr std::uint32_t kLiteralLimit = 600;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Choices choices(data, size, 5);
  GuerillaOptions options;
  options.fixShorts = choices.Byte(0) & 1;
  options.shortLimit = choices.Dword(1);
  const std::vector<unsigned char> input(data, data + size);

  std::vector<unsigned char> converted;
  try {
    converted = ConvertGuerillaTag(input, options);
  } catch (const Refused&) {
    fuzz::Check(size < kGuerillaHeaderSize, "only a tag shorter than its header is refused here");
  }
  if (size >= kGuerillaHeaderSize) {
    fuzz::Check(converted.size() == size - kGuerillaHeaderSize, "the output is the input less its header");
    std::vector<unsigned char> expected(input.begin() + kGuerillaHeaderSize, input.end());
    for (std::size_t at = 0; at + 4 <= expected.size(); at += 4) {
      std::swap(expected[at], expected[at + 3]);
      std::swap(expected[at + 1], expected[at + 2]);
    }
    if (options.fixShorts) {
      if (options.shortLimit <= kLiteralLimit) {
        testing::LiteralFixShorts(expected.data(), expected.size(), options.shortLimit);
        fuzz::Check(converted == expected, "Fix Shorts mends as the k-by-k pass does");
      }
    } else {
      fuzz::Check(converted == expected, "every complete word reversed, nothing else");
    }
  }

  // The dialog's way: the files chosen, "&Convert" pressed twice.
  static const std::string inputPath = fuzz::ScratchFile("guerilla.tag");
  static const std::string outputPath = fuzz::ScratchFile("xbox.meta");
  fuzz::WriteWholeFile(inputPath, data, size);
  // One converter for every input, as one dialog serves many conversions (and
  // its 1,000,000-byte buffer is not allocated per input).
  static GuerillaConverter converter;
  converter.OpenInput(inputPath);
  converter.CreateOutput(outputPath);
  // What the output held before (the last input's conversion, or no file): a
  // refused conversion must leave it so.
  std::error_code none;
  const bool existed = std::filesystem::exists(outputPath, none);
  const std::vector<unsigned char> held = existed ? fuzz::ReadWholeFile(outputPath) : std::vector<unsigned char>();
  for (int press = 0; press < 2; ++press) {
    try {
      converter.Convert(options);
    } catch (const Refused&) {
      fuzz::Check(size < kGuerillaHeaderSize && std::filesystem::exists(outputPath, none) == existed &&
                      (!existed || fuzz::ReadWholeFile(outputPath) == held),
                  "a refused conversion leaves the output as it was");
      return 0;
    }
    fuzz::Check(fuzz::ReadWholeFile(outputPath) == converted, "the output file holds the conversion, every time");
  }
  return 0;
}
