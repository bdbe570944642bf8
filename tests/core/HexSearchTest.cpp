#include <gtest/gtest.h>

#include <random>

#include "map/ValueText.h"
#include "scanner/HexSearch.h"
#include "support/LiteralSearch.h"

namespace jov {
namespace {

std::string RandomHexText(std::mt19937& rng, std::size_t bytes) {
  std::vector<unsigned char> data(bytes);
  // Few distinct byte values make accidental and overlapping hits common.
  const int alphabet = 1 + static_cast<int>(rng() % 256);
  for (auto& b : data) b = static_cast<unsigned char>(rng() % static_cast<unsigned>(alphabet));
  return BytesToHex(data.data(), static_cast<long>(data.size()));
}

void Plant(std::mt19937& rng, std::string& text, const std::string& piece) {
  if (text.size() < piece.size()) return;
  const std::size_t at = rng() % (text.size() - piece.size() + 1);  // odd positions too
  text.replace(at, piece.size(), piece);
}

TEST(HexSearch, OverlappingAndOddHitsAreAllFound) {
  const auto hits = FindAllNeedles("010101", {"01", "0101", "10"});
  const std::vector<NeedleHit> expected = {{0, 0}, {0, 2}, {0, 4}, {1, 0}, {1, 2}, {2, 1}, {2, 3}};
  EXPECT_EQ(hits, expected);
}

TEST(HexSearch, DuplicateAndEmptyNeedlesAndEmptyText) {
  EXPECT_EQ(FindAllNeedles("abab", {"ab", "", "ab"}), (std::vector<NeedleHit>{{0, 0}, {0, 2}, {2, 0}, {2, 2}}));
  EXPECT_TRUE(FindAllNeedles("", {"01", "0"}).empty());
  EXPECT_TRUE(FindAddressRange("", 0x40440000, 10).empty());
}

TEST(HexSearch, AddressesBelowTheEightDigitRangeGiveShortNeedles) {
  // 0x00123456 is stored as 56 34 12 (the needle "563412"); the text here holds
  // it at character 3, straddling bytes.
  const std::string text = "abc5634120000";
  const auto hits = FindAddressRange(text, 0x00123450, 0x10);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].needle, 6u);
  EXPECT_EQ(hits[0].pos, 3u);
}

TEST(HexSearch, ManyNeedlesAgreeWithTheLiteralSearch) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text = RandomHexText(rng, rng() % 300);
    std::vector<std::string> needles;
    const int count = 1 + static_cast<int>(rng() % 40);
    for (int n = 0; n < count; ++n) {
      const std::uint32_t value = rng() % 3 == 0 ? rng() % 300 : static_cast<std::uint32_t>(rng());
      std::string needle;
      switch (rng() % 4) {
        case 0: needle = SwapHexBytes(UIntToHex(value)); break;      // 2 to 8 digits
        case 1: needle = UIntToHex(value).substr(0, 1 + rng() % 8); break;  // odd lengths
        case 2: needle = SwapHexBytes(TextToHex("weap")); break;
        default: needle = text.substr(rng() % (text.size() + 1), 1 + rng() % 8);  // taken from the text
      }
      needles.push_back(needle);
      if (rng() % 2) Plant(rng, text, needle);
    }
    if (rng() % 50 == 0) needles.push_back("123456789");  // longer than the fast path
    if (rng() % 50 == 0) needles.push_back("AB");         // never in lowercase text
    ASSERT_EQ(FindAllNeedles(text, needles), reference::LiteralFindAllNeedles(text, needles)) << text;
  }
}

TEST(HexSearch, AddressRangesAgreeWithTheLiteralSearch) {
  std::mt19937 rng(11);
  for (int round = 0; round < 1500; ++round) {
    std::string text = RandomHexText(rng, rng() % 200);
    std::uint32_t base;
    switch (rng() % 5) {
      case 0: base = rng() % 0x200; break;                          // one- and two-byte needles
      case 1: base = 0x00FFFF00u + rng() % 0x200; break;            // needle length changes inside
      case 2: base = 0xFFFFFFFFu - rng() % 0x100; break;            // wraps past 0xFFFFFFFF
      case 3: base = 0x0FFFFFF0u + rng() % 0x40; break;             // 7 to 8 digits
      default: base = static_cast<std::uint32_t>(rng());
    }
    const std::uint32_t count = static_cast<std::uint32_t>(rng() % 300);
    for (int plant = static_cast<int>(rng() % 6); plant > 0 && count > 0; --plant)
      Plant(rng, text, SwapHexBytes(UIntToHex(base + static_cast<std::uint32_t>(rng() % count))));
    ASSERT_EQ(FindAddressRange(text, base, count), reference::LiteralFindAddressRange(text, base, count))
        << "base " << base << " count " << count << " text " << text;
  }
}

}  // namespace
}  // namespace jov
