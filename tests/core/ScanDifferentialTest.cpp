// The one-pass scanner against the literal, needle-after-needle scan on many
// generated maps: the same records in the same order, the same lines.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "scanner/FloatSeries.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"
#include "support/LiteralScan.h"
#include "support/ScanMap.h"

namespace jov {
namespace {

using testing::ScanMap;

struct Generator {
  std::mt19937 rng;

  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }

  std::string ClassCode() {
    switch (Below(6)) {
      case 0: return "scex";  // x is a letter like any other
      case 1: return "abcd";  // no row of the class table
      case 2: return std::string(4, '\xFF');
      default: return TagClassTable::Rows()[Below(TagClassTable::kSearchRows)].code;
    }
  }

  // Low magics give addresses of fewer than 8 digits; high ones wrap past 0xFFFFFFFF.
  std::uint32_t Magic(std::uint32_t firstMeta) {
    switch (Below(7)) {
      case 0: return 0x40440000u;
      case 1: return 0x803A6000u;
      case 2: return Below(0x100);                             // 2- and 3-digit-pair addresses
      case 3: return 0x00FFF000u - firstMeta + Below(0x800);   // 3 to 4 pairs inside one tag
      case 4: return 0x0000FF00u - firstMeta + Below(0x80);    // 2 to 3 pairs
      case 5: return 0u - firstMeta - Below(0x200);            // wraps inside the metadata
      default: return static_cast<std::uint32_t>(rng());
    }
  }

  SampleMapPlan Map() {
    SampleMapPlan plan;
    plan.version = OneIn(2) ? 7 : 5;
    const int count = 2 + static_cast<int>(Below(6));
    for (int t = 0; t < count; ++t) {
      SampleTag tag;
      tag.class1 = OneIn(8) ? "sbsp" : ClassCode();  // sbsp tags have no metadata size
      tag.name = "tag\\" + std::to_string(Below(4)) + (OneIn(3) ? "X" : "x");
      // Identifiers repeat now and then, and some look like class codes or FFFFFFFF.
      switch (Below(6)) {
        case 0: tag.identifier = t > 0 ? plan.tags[Below(static_cast<std::uint32_t>(t))].identifier : 0xE1740000u; break;
        case 1: tag.identifier = 0xFFFFFFFFu; break;
        case 2: tag.identifier = Below(0x100); break;
        default: tag.identifier = 0xE1740000u + (static_cast<std::uint32_t>(t) << 16) + static_cast<std::uint32_t>(t);
      }
      tag.meta.resize(OneIn(6) ? Below(8) : Below(300));
      plan.tags.push_back(std::move(tag));
    }
    const SampleLayout layout = LayoutOf(plan);
    plan.magic = Magic(layout.metaOffsets.front());
    for (std::size_t t = 0; t < plan.tags.size(); ++t) FillMeta(plan, t, layout.metaOffsets[t] + plan.magic);
    return plan;
  }

  // Random bytes from a small alphabet (overlaps and accidental hits), then
  // pieces planted at any character, odd ones included.
  void FillMeta(SampleMapPlan& plan, std::size_t t, std::uint32_t base) {
    auto& meta = plan.tags[t].meta;
    const std::uint32_t alphabet = 1 + Below(OneIn(2) ? 6 : 256);
    for (auto& b : meta) b = static_cast<unsigned char>(Below(alphabet));
    std::string text = BytesToHex(meta.data(), static_cast<long>(meta.size()));
    const int plants = static_cast<int>(Below(12));
    for (int n = 0; n < plants && !text.empty(); ++n) {
      std::string piece;
      const SampleTag& other = plan.tags[Below(static_cast<std::uint32_t>(plan.tags.size()))];
      const std::string id = SwapHexBytes(UIntToHex(other.identifier).insert(0, 8 - UIntToHex(other.identifier).size(), '0'));
      switch (Below(5)) {
        case 0:  // a dependency, maybe with the identifier cut off by the end
          piece = SwapHexBytes(TextToHex(ClassCode())) + std::string(16, '0') + (OneIn(4) ? "ffffffff" : id);
          break;
        case 1: piece = id; break;
        case 2:  // a reflexive: count, then a pointer into this tag
          piece = SwapHexBytes(UIntToHex(Below(0x200))).append("00") + "0000" +
                  SwapHexBytes(UIntToHex(base + Below(static_cast<std::uint32_t>(meta.size()) + 1)));
          break;
        case 3: piece = SwapHexBytes(UIntToHex(FloatBits(static_cast<float>(Below(40)) * 0.25f))); break;
        default: piece = SwapHexBytes(UIntToHex(1 + Below(15))); break;
      }
      const std::size_t at = Below(static_cast<std::uint32_t>(text.size()));
      text.replace(at, std::min(piece.size(), text.size() - at), piece.substr(0, text.size() - at));
    }
    HexToBytes(text, meta.data());
  }

  ScanOptions Options() {
    ScanOptions o;
    o.bDependencies = !OneIn(4);
    o.bLoneIDs = !OneIn(4);
    o.bReflexives = !OneIn(4);
    o.bShorts = OneIn(2);
    o.bFloats = OneIn(2);
    o.nShortsLimit = OneIn(2) ? kShortsLimitPanel1 : kShortsLimitPanel2;
    static const float kSteps[] = {0.01f, 0.25f, 2.5f, 0.1f, 0.37f, 3.0f, 10.0f, 12.5f};
    o.fStep = kSteps[Below(8)];
    return o;
  }
};

void ExpectSameScan(const ScanResult& fast, const reference::LiteralScanResult& literal, const std::string& where) {
  ASSERT_EQ(fast.items.size(), literal.items.size()) << where;
  for (std::size_t n = 0; n < fast.items.size(); ++n)
    ASSERT_EQ(fast.items[n], literal.items[n]) << where << " record " << n << ": " << fast.items[n].strLabel
                                               << " / " << literal.items[n].strLabel;
  ASSERT_EQ(fast.order.size(), literal.lines.size()) << where;
  for (std::size_t n = 0; n < fast.order.size(); ++n)
    ASSERT_EQ(fast.items[fast.order[n]].strLabel, literal.lines[n]) << where << " line " << n;
}

TEST(ScanDifferential, GeneratedMapsScanAsTheLiteralSearchesDo) {
  Generator gen{std::mt19937(20240607)};
  int scans = 0;
  int hits = 0;
  std::map<char, int> byKind;       // what the comparison covered
  std::map<char, int> oddByKind;
  int shortAddressHits = 0;         // reflexive needles of fewer than 8 digits
  int wrappedAddressHits = 0;       // addresses past 0xFFFFFFFF
  for (int round = 0; round < 300; ++round) {
    ScanMap m(gen.Map());
    for (int t = 0; t < m.map.m_nTagCount; ++t) {
      const std::string text = ReadMetaHex(m.map, t);
      for (int pass = 0; pass < 2; ++pass) {
        const ScanOptions options = gen.Options();
        const ScanResult fast = ScanMetadata(m.map, t, options);
        EXPECT_TRUE(fast.message.empty());
        ExpectSameScan(fast, reference::LiteralScan(m.map, t, text, options),
                       "round " + std::to_string(round) + " tag " + std::to_string(t) + " magic " + m.map.m_strMagic);
        if (::testing::Test::HasFatalFailure()) return;
        ++scans;
        hits += static_cast<int>(fast.items.size());
        const std::uint32_t base = m.map.Magic() + m.map.MetaOffset(t);
        for (const ScanItem& item : fast.items) {
          ++byKind[item.chKind];
          if (item.nPos % 2) ++oddByKind[item.chKind];
          if (item.chKind != kKindReflexive) continue;
          const std::uint32_t address = base + static_cast<std::uint32_t>(item.nTargetOffset);
          if (address < 0x10000000u) ++shortAddressHits;
          if (address < base) ++wrappedAddressHits;
        }
      }
    }
  }
  EXPECT_GT(scans, 2000);
  EXPECT_GT(hits, 40000);  // the comparison is not on empty results
  for (const char kind : std::string("dnulrsf")) {
    EXPECT_GT(byKind[kind], 20) << kind;
    EXPECT_GT(oddByKind[kind], 0) << kind;
  }
  EXPECT_GT(shortAddressHits, 20);
  EXPECT_GT(wrappedAddressHits, 0);
}

TEST(ScanDifferential, SampleMapsOfEveryVersionWithAllKindsInBothPanels) {
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    ScanMap m(GenerateSampleMap(version, 24, version, 512));
    for (int t = 0; t < m.map.m_nTagCount; ++t) {
      const std::string text = ReadMetaHex(m.map, t);
      for (const int limit : {kShortsLimitPanel1, kShortsLimitPanel2}) {
        ScanOptions all;
        all.bShorts = all.bFloats = true;
        all.nShortsLimit = limit;
        all.fStep = 0.01f;
        ExpectSameScan(ScanMetadata(m.map, t, all), reference::LiteralScan(m.map, t, text, all),
                       "version " + std::to_string(version) + " tag " + std::to_string(t));
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace jov
