#include <gtest/gtest.h>

#include <random>

#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "support/LiteralTransfer.h"
#include "support/TestMap.h"
#include "transfer/DataListing.h"

namespace jov {
namespace {

using testing::TestMap;

std::string AddressNeedle(const CMapFile& map, int tag, std::uint32_t k) {
  return SwapHexBytes(UIntToHex(map.Magic() + map.MetaOffset(tag) + k));
}

std::string Header(const TagEntry& tag) {
  return tag.strName + "\r\n" + tag.strClass1 + "\r\n" + tag.strClass2 + "\r\n" + tag.strClass3 + "\r\n";
}

TEST(DataListing, ReflexivesByOffsetThenPositionAndDependenciesByTagThenPosition) {
  TestMap t(GenerateSampleMap(kVersionPc, 5, 8));
  t.Open();
  std::string hex(80, '0');
  PutHexAt(hex, AddressNeedle(t.map, 0, 5), 0);
  PutHexAt(hex, AddressNeedle(t.map, 0, 2), 9);  // straddles bytes 4 and 5
  PutHexAt(hex, AddressNeedle(t.map, 0, 5), 27);
  PutHexAt(hex, SwapHexBytes(t.Tag(2).strIdentifier), 40);
  PutHexAt(hex, SwapHexBytes(t.Tag(0).strIdentifier), 50);  // the tag's own identifier
  PutHexAt(hex, SwapHexBytes(t.Tag(2).strIdentifier), 61);
  const TagEntry& self = t.Tag(0);
  const TagEntry& other = t.Tag(2);
  EXPECT_EQ(DataListingText(t.map, 0, hex),
            Header(self) + "Reflexive|4|2\r\nReflexive|0|5\r\nReflexive|13|5\r\n" +  //
                "Dependency|25|" + self.strName + "|" + self.strClass1 + "\r\n" +     //
                "Dependency|20|" + other.strName + "|" + other.strClass1 + "\r\n" +   //
                "Dependency|30|" + other.strName + "|" + other.strClass1 + "\r\n");
}

TEST(DataListing, AddressesBelowTheEightDigitRangeMatchTheirTrailingBytesAnywhere) {
  SampleMapPlan plan = GenerateSampleMap(kVersionPc, 5, 8);
  plan.magic = 0x1000;  // addresses of four hex digits
  TestMap t(plan);
  t.Open();
  const std::uint32_t address = t.map.Magic() + t.map.MetaOffset(3) + 7;
  ASSERT_LT(address, 0x10000u);
  ASSERT_GE(address, 0x1000u);
  const std::string needle = SwapHexBytes(UIntToHex(address));  // four digits
  // The stored word (needle + "0000") and a run that merely contains the needle
  // at an odd character.
  const std::string hex = "00" + needle + "0000" + "a" + needle + "b00";
  const std::string listing = DataListingText(t.map, 3, hex);
  EXPECT_NE(listing.find("Reflexive|1|7\r\nReflexive|5|7\r\n"), std::string::npos) << listing;
}

TEST(DataListing, TheTagOfSizeZeroListsItsHeaderOnly) {
  TestMap t(GenerateSampleMap(kVersionCe, 5, 8));
  t.Open();
  EXPECT_EQ(DataListingText(t.map, 4, ""), Header(t.Tag(4)));
}

// Plants stored identifiers and addresses of the map at any character, odd ones
// and overlapping ones included.
void PlantReferences(std::mt19937& rng, const CMapFile& map, int tag, std::string& hex) {
  if (hex.size() < 8) return;
  const int count = static_cast<int>(rng() % 12);
  for (int n = 0; n < count; ++n) {
    std::string piece = rng() % 2 ? SwapHexBytes(map.m_tags[rng() % map.m_nTagCount].strIdentifier)
                                  : AddressNeedle(map, tag, static_cast<std::uint32_t>(rng() % (hex.size() / 2 + 4)));
    PutHexAt(hex, piece, static_cast<long>(rng() % hex.size()));
  }
}

TEST(DataListing, AgreesWithTheNeedleByNeedleListingOnGeneratedTags) {
  std::mt19937 rng(2024);
  const std::uint32_t magics[] = {0, 0x100, 0x00FFF000u, 0x0FFFF800u, 0x40440000u, 0x803A6000u, 0xFFFFF000u};
  int compared = 0;
  for (int round = 0; round < 28; ++round) {
    const std::uint16_t version = round % 3 == 0 ? kVersionXbox : (round % 3 == 1 ? kVersionPc : kVersionCe);
    SampleMapPlan plan = GenerateSampleMap(version, 6 + static_cast<int>(rng() % 30), rng(), 64 + rng() % 400);
    plan.magic = magics[round % std::size(magics)];
    TestMap t(plan);
    t.Open();
    for (int i = 0; i < t.map.m_nTagCount; ++i) {
      std::string hex = ReadMetaHex(t.map, i);
      if (rng() % 2) PlantReferences(rng, t.map, i, hex);
      ASSERT_EQ(DataListingText(t.map, i, hex), reference::LiteralDataListing(t.map, i, hex))
          << "round " << round << " tag " << i;
      ++compared;
    }
  }
  EXPECT_GT(compared, 300);
}

}  // namespace
}  // namespace jov
