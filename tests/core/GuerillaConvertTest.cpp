#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <random>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "platform/FileError.h"
#include "support/LiteralFixShorts.h"
#include "support/TempDir.h"
#include "tools/GuerillaConvert.h"
#include "tools/GuerillaConverter.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

// A tag file: a 64-byte header of its own (never part of the output), then data.
Bytes TagFile(const Bytes& data) {
  Bytes bytes(kGuerillaHeaderSize + data.size(), 0xEE);
  std::copy(data.begin(), data.end(), bytes.begin() + kGuerillaHeaderSize);
  return bytes;
}

Bytes FixedShorts(Bytes data, std::uint32_t limit) {
  FixShorts(data.data(), data.size(), limit);
  return data;
}

Bytes LiteralFixedShorts(Bytes data, std::uint32_t limit) {
  testing::LiteralFixShorts(data.data(), data.size(), limit);
  return data;
}

TEST(GuerillaConvert, DropsTheHeaderAndReversesEveryCompleteWord) {
  EXPECT_EQ(ConvertGuerillaTag(TagFile({0x00, 0x00, 0x00, 0x01, 0x3F, 0x80, 0x00, 0x00}), {}),
            (Bytes{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F}));
  // A trailing group of fewer than 4 bytes stays as it is.
  EXPECT_EQ(ConvertGuerillaTag(TagFile({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}), {}),
            (Bytes{0x44, 0x33, 0x22, 0x11, 0x55, 0x66}));
  EXPECT_EQ(ConvertGuerillaTag(TagFile({}), {}), Bytes{});
}

TEST(GuerillaConvert, RefusesInputsOutsideTheHeaderAndTheWorkBuffer) {
  EXPECT_THROW(
      {
        try {
          ConvertGuerillaTag(Bytes(63), {});
        } catch (const Refused& e) {
          EXPECT_STREQ(e.what(), kGuerillaTooShort);
          throw;
        }
      },
      Refused);
  EXPECT_THROW(
      {
        try {
          ConvertGuerillaTag(Bytes(kGuerillaMaxInput + 1), {});
        } catch (const Refused& e) {
          EXPECT_STREQ(e.what(), kGuerillaTooLong);
          throw;
        }
      },
      Refused);
  EXPECT_EQ(ConvertGuerillaTag(Bytes(kGuerillaMaxInput, 1), {}).size(), kGuerillaMaxInput - 64);
}

TEST(GuerillaConvert, FixShortsMovesASmallValueTwoBytesOnWithinTheLimit) {
  GuerillaOptions options{true, 4};
  // The data 07 00 03 00 reads 00 03 00 07 once its word is reversed.
  EXPECT_EQ(ConvertGuerillaTag(TagFile({0x07, 0x00, 0x03, 0x00}), options), (Bytes{0x00, 0x00, 0x00, 0x03}));
  options.shortLimit = 2;
  EXPECT_EQ(ConvertGuerillaTag(TagFile({0x07, 0x00, 0x03, 0x00}), options), (Bytes{0x00, 0x03, 0x00, 0x07}));
  options.fixShorts = false;
  options.shortLimit = 4;
  EXPECT_EQ(ConvertGuerillaTag(TagFile({0x07, 0x00, 0x03, 0x00}), options), (Bytes{0x00, 0x03, 0x00, 0x07}));
}

TEST(GuerillaConvert, FixShortsNeverMatchesZeroOrBytesFrom128) {
  const Bytes zeros(16, 0);
  EXPECT_EQ(FixedShorts(zeros, 0), zeros);
  EXPECT_EQ(FixedShorts(zeros, 1000), zeros);  // k = 256, 512, ... read as 0 and never match
  const Bytes high{0x00, 0x80, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00};
  EXPECT_EQ(FixedShorts(high, 1000), high);
  EXPECT_EQ(FixedShorts(Bytes{0x00, 0x01, 0x00, 0x00}, 0), (Bytes{0x00, 0x01, 0x00, 0x00}));
}

TEST(GuerillaConvert, FixShortsCountsTheByteBeforeTheDataAsZeroAndWritesNothingPastTheEnd) {
  EXPECT_EQ(FixedShorts({0x02, 0x00, 0x00, 0x00}, 4), (Bytes{0x00, 0x00, 0x02, 0x00}));
  // A match at the last byte clears it; the moved value would land past the end.
  EXPECT_EQ(FixedShorts({0x00, 0x00, 0x00, 0x03}, 4), (Bytes{0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(FixedShorts({0x00, 0x00, 0x03, 0x00}, 4), (Bytes{0x00, 0x00, 0x00, 0x00}));
  // Exactly sized buffers, so the sanitizers see any access past them.
  for (std::size_t n = 0; n < 6; ++n) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = i % 2 ? 0 : 1;
    FixShorts(data.data(), data.size(), 300);
  }
}

TEST(GuerillaConvert, FixShortsChainsWhenTheLimitReachesTheSameLowByteAgain) {
  // k = 3 moves the 3 to byte 3, where k = 259 (low byte 3) moves it on to byte 5.
  EXPECT_EQ(FixedShorts({0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, 259),
            (Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00}));
  EXPECT_EQ(FixedShorts({0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, 258),
            (Bytes{0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00}));
}

// Data that makes matches likely: mostly zeros and small values.
Bytes ShortHeavyData(std::mt19937& rng, std::size_t n) {
  Bytes data(n);
  for (auto& b : data) {
    const auto pick = rng() % 10;
    b = pick < 5 ? 0 : pick < 8 ? static_cast<unsigned char>(1 + rng() % 6) : static_cast<unsigned char>(rng());
  }
  return data;
}

TEST(GuerillaConvert, FixShortsAgreesWithTheLiteralPassOnGeneratedData) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 400; ++round) {
    const Bytes data = ShortHeavyData(rng, rng() % 120);
    const std::uint32_t limit = round % 4 == 0 ? static_cast<std::uint32_t>(rng() % 8) : static_cast<std::uint32_t>(rng() % 700);
    ASSERT_EQ(FixedShorts(data, limit), LiteralFixedShorts(data, limit)) << "round " << round << " limit " << limit;
  }
}

TEST(GuerillaConvert, FixShortsWithTheLargestLimitMatchesTheLiteralPassWithAnyLimitBeyondReach) {
  // Each position matches at most once per chain step, and a chain has at most
  // n / 2 steps, so no k beyond 256 * (n + 2) can ever be reached.
  std::mt19937 rng(99);
  for (int round = 0; round < 30; ++round) {
    const Bytes data = ShortHeavyData(rng, 1 + rng() % 24);
    const auto reach = static_cast<std::uint32_t>(256 * (data.size() + 2));
    ASSERT_EQ(FixedShorts(data, 0xFFFFFFFFu), LiteralFixedShorts(data, reach)) << "round " << round;
  }
}

class GuerillaConverterTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  GuerillaConverter converter;
  std::string in = dir.File("tag.guerilla");
  std::string out = dir.File("tag.meta");
};

TEST_F(GuerillaConverterTest, ConvertReadsTheInputFromItsStartEveryTime) {
  dir.Write("tag.guerilla", TagFile({0x00, 0x00, 0x00, 0x01, 0x3F, 0x80, 0x00, 0x00}));
  converter.OpenInput(in);
  converter.CreateOutput(out);
  const Bytes expected{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F};
  converter.Convert({});
  EXPECT_EQ(ReadBytesFromFile(out), expected);
  converter.Convert({});  // not the first result converted a second time
  EXPECT_EQ(ReadBytesFromFile(out), expected);

  // The same open input, rewritten shorter: the output follows it and shrinks.
  dir.Write("tag.guerilla", TagFile({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
  converter.Convert({});
  EXPECT_EQ(ReadBytesFromFile(out), (Bytes{0x44, 0x33, 0x22, 0x11, 0x55, 0x66}));
}

TEST_F(GuerillaConverterTest, OutputIsExactlyTheInputLessItsHeaderAtTheLargestSize) {
  std::mt19937 rng(5);
  Bytes input(kGuerillaMaxInput);
  for (auto& b : input) b = static_cast<unsigned char>(rng());
  dir.Write("tag.guerilla", input);
  WriteBytesToFile(out, Bytes(kGuerillaMaxInput + 10, 0xAA));  // an older, longer file
  converter.OpenInput(in);
  converter.CreateOutput(out);
  const GuerillaOptions options{true, 300};
  converter.Convert(options);
  EXPECT_EQ(ReadBytesFromFile(out), ConvertGuerillaTag(input, options));
}

TEST_F(GuerillaConverterTest, RefusedInputsWriteNothing) {
  dir.Write("tag.guerilla", TagFile({1, 2, 3, 4}));
  converter.OpenInput(in);
  converter.CreateOutput(out);
  converter.Convert({});
  const Bytes before = ReadBytesFromFile(out);

  dir.Write("tag.guerilla", Bytes(63, 1));
  EXPECT_THROW(converter.CheckInput(), Refused);
  EXPECT_THROW(converter.Convert({}), Refused);
  EXPECT_EQ(ReadBytesFromFile(out), before);

  dir.Write("tag.guerilla", Bytes(kGuerillaMaxInput + 1, 1));
  EXPECT_THROW(converter.Convert({}), Refused);
  EXPECT_EQ(ReadBytesFromFile(out), before);

  dir.Write("tag.guerilla", Bytes(64, 1));  // just the header: an empty output
  converter.Convert({});
  EXPECT_EQ(ReadBytesFromFile(out), Bytes{});
}

TEST_F(GuerillaConverterTest, ConvertWithoutBothFilesIsAFileErrorBeforeAnyWrite) {
  dir.Write("tag.guerilla", TagFile({1, 2, 3, 4}));
  EXPECT_THROW(converter.Convert({}), FileError);
  converter.OpenInput(in);
  EXPECT_THROW(converter.Convert({}), FileError);
  EXPECT_THROW(converter.OpenInput(dir.File("missing")), FileError);
  EXPECT_FALSE(converter.HasInput());
  converter.CreateOutput(out);
  EXPECT_THROW(converter.Convert({}), FileError);
  EXPECT_FALSE(std::filesystem::exists(out)) << "choosing the output does not create it";
}

TEST_F(GuerillaConverterTest, TheOutputCannotBeTheInputItself) {
  const Bytes input = TagFile({1, 2, 3, 4});
  dir.Write("tag.guerilla", input);
  converter.OpenInput(in);
  EXPECT_THROW(converter.CreateOutput(dir.Path() + "/./tag.guerilla"), Refused);
  EXPECT_EQ(ReadBytesFromFile(in), input);
  EXPECT_FALSE(converter.HasOutput());
}

}  // namespace
}  // namespace jov
