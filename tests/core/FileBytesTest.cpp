// FileBytes reads a file with two threads and takes each whole chunk's CRC-32
// as it goes; a region's CRC put together from those must be the plain one.
#include <gtest/gtest.h>

#include <random>

#include "check/FileBytes.h"
#include "check/MapCrc.h"
#include "support/TempDir.h"

namespace jov {
namespace {

TEST(FileBytes, ChunkCrcsGiveTheSameCrcAsOnePassOverAnyRegions) {
  std::mt19937 rng(77);
  testing::TempDir dir;
  for (const std::size_t length : {std::size_t{0}, std::size_t{100}, FileBytes::kChunk, 9 * FileBytes::kChunk + 12345}) {
    std::vector<unsigned char> bytes(length);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    const FileBytes read(dir.Write("f.bin", bytes));
    ASSERT_EQ(std::vector<unsigned char>(read.Bytes().begin(), read.Bytes().end()), bytes);
    EXPECT_EQ(read.ChunkCrcs().size(), length / FileBytes::kChunk);
    for (int round = 0; round < 40; ++round) {
      std::vector<CrcRegion> regions;
      for (int r = 0; r < 1 + round % 4; ++r) {
        const std::size_t from = length == 0 ? 0 : rng() % length;
        const std::size_t size = length == 0 ? 0 : rng() % (length - from + 1);
        regions.push_back({from, size, "region"});
      }
      EXPECT_EQ(CrcOfRegions(read.Bytes(), regions, read.ChunkCrcs()), CrcOfRegions(read.Bytes(), regions))
          << "length " << length << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace jov
