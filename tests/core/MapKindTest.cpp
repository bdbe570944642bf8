// Telling a map from any other file before anything of it is trusted.
#include <gtest/gtest.h>

#include <random>

#include "check/MapKind.h"
#include "check/XboxCompression.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Random(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes bytes(n);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

TEST(MapKind, TellsMapsFromOtherFilesWithTheReason) {
  const testing::TempDir dir;
  const Bytes sample = WriteSampleMap(GenerateSampleMap(kVersionXbox, 20, 3));
  CompressXboxMap(dir.Write("plain.map", sample), dir.File("packed.map"));
  Bytes noFoot = sample;
  noFoot[0x7FC] = 'x';
  Bytes noHead = sample;
  noHead[0] = 'x';

  struct Case {
    const char* what;
    Bytes bytes;
    MapKind kind;
    const char* reason;  // a piece of it
  };
  const Case cases[] = {
      {"text file", Text(std::string(3000, 'a') + "\nREADME\n"), MapKind::NotAMap, "neither the head signature"},
      {"empty file", {}, MapKind::NotAMap, "the file is empty"},
      {"one byte", Bytes(1, 'd'), MapKind::NotAMap, "1 byte long, shorter than the 2048-byte map header"},
      {"a header less one byte", Bytes(sample.begin(), sample.begin() + 0x7FF), MapKind::NotAMap, "2047 bytes long"},
      {"random bytes", Random(100000, 7), MapKind::NotAMap, "neither the head signature"},
      {"no head", noHead, MapKind::NotAMap, "no head signature at 0x000"},
      {"no foot", noFoot, MapKind::NotAMap, "no foot signature at 0x7FC"},
      {"Xbox sample", sample, MapKind::Map, ""},
      {"PC sample", WriteSampleMap(GenerateSampleMap(kVersionPc, 20, 4)), MapKind::Map, ""},
      {"CE sample", WriteSampleMap(GenerateSampleMap(kVersionCe, 20, 5)), MapKind::Map, ""},
      {"compressed Xbox map", ReadBytesFromFile(dir.File("packed.map")), MapKind::CompressedXbox, "xbox-decompress IN OUT"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write("case.bin", c.bytes);
    const MapVerdict verdict = JudgeMapFile(path);
    EXPECT_EQ(verdict.kind, c.kind) << c.what << ": " << verdict.reason;
    EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << c.what << ": " << verdict.reason;
    EXPECT_EQ(verdict.reason.empty(), c.kind == MapKind::Map) << c.what;
    if (c.kind == MapKind::Map) {
      EXPECT_NO_THROW(RequireMapFile(path, "case.bin")) << c.what;
      continue;
    }
    try {
      RequireMapFile(path, "case.bin");
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const Refused& refused) {
      const std::string expected = "case.bin " + std::string(c.kind == MapKind::NotAMap ? "is not a Halo map: " : "is a compressed Xbox map: ") +
                                   verdict.reason + ".";
      EXPECT_EQ(refused.what(), expected) << c.what;
    }
  }
}

}  // namespace
}  // namespace jov
