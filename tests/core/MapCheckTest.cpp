#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <random>

#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "check/XboxCompression.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/TestMap.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

struct Sample {
  explicit Sample(std::uint16_t version = kVersionPc, int tags = 12, std::uint32_t seed = 5)
      : plan(GenerateSampleMap(version, tags, seed)), layout(LayoutOf(plan)), bytes(WriteSampleMap(plan)) {}
  std::size_t Entry(int n) const { return layout.firstEntry + 32u * static_cast<std::size_t>(n); }
  std::uint32_t Word(std::size_t at) const { return ReadLe32(bytes.data() + at); }
  SampleMapPlan plan;
  SampleLayout layout;
  Bytes bytes;
};

bool Has(const CheckReport& report, Severity severity, const std::string& where, const std::string& what) {
  for (const Finding& f : report.findings)
    if (f.severity == severity && f.where.rfind(where, 0) == 0 && f.what.find(what) != std::string::npos) return true;
  return false;
}

std::string Dump(const CheckReport& report) {
  std::string text;
  for (const Finding& f : report.findings) text += FindingLine(f) + "\n";
  return text;
}

TEST(CheckMap, SampleMapsOfEveryVersionAndLayoutHaveNoErrorAndNoWarning) {
  std::mt19937 rng(13);
  for (int round = 0; round < 24; ++round) {
    const std::uint16_t version = std::array<std::uint16_t, 3>{kVersionXbox, kVersionPc, kVersionCe}[round % 3];
    // Every other round in another layout (other index order and identifiers).
    const std::uint32_t relayout = round % 2 == 0 ? 0 : 1 + rng() % 50;
    const Bytes bytes = WriteSampleMap(GenerateSampleMap(version, 2 + static_cast<int>(rng() % 200), rng(), 256, relayout));
    const CheckReport report = CheckMapBytes(bytes);
    SCOPED_TRACE(Dump(report));
    EXPECT_EQ(report.errors, 0);
    EXPECT_EQ(report.warnings, 0);
    EXPECT_TRUE(Has(report, Severity::Note, "tag data header +0x00", "the usual address"));
    EXPECT_EQ(report.computedCrc.has_value(), version != kVersionXbox);
    EXPECT_EQ(report.storedCrc, report.computedCrc);
  }
}

// Each map is a sample map with one change, and the finding that change must give.
struct Broken {
  const char* name;
  std::function<void(Sample&)> change;
  Severity severity;
  std::string where;
  std::string what;
};

TEST(CheckMap, EachBrokenMapGivesItsFinding) {
  const std::vector<Broken> cases = {
      {"short file", [](Sample& s) { s.bytes.resize(0x7FF); }, Severity::Error, "header", "shorter than the 0x800-byte header"},
      {"unknown version", [](Sample& s) { PutLe16(s.bytes, 0x04, 8); }, Severity::Error, "header 0x004 version", "version 8 is none of"},
      {"no head", [](Sample& s) { s.bytes[0] = 'x'; }, Severity::Error, "header 0x000 head signature", "78 61 65 68 instead of 64 61 65 68"},
      {"no foot", [](Sample& s) { s.bytes[0x7FF] = 0; }, Severity::Error, "header 0x7FC foot signature", "missing"},
      {"index header outside", [](Sample& s) { PutLe32(s.bytes, 0x10, static_cast<std::uint32_t>(s.bytes.size()) - 8); },
       Severity::Error, "header 0x010 Index Offset", "runs past the end of the file"},
      {"index entries outside", [](Sample& s) { PutLe16(s.bytes, s.plan.indexOffset + 0x0C, 40000); }, Severity::Error,
       "tag data header +0x0C tag count", "only "},
      {"name pointer outside", [](Sample& s) { PutLe32(s.bytes, s.Entry(3) + 0x10, 0x7FFFFFF0u); }, Severity::Error, "tag 3 ",
       "lies outside the file"},
      {"name without end", [](Sample& s) {
         s.bytes.back() = 'x';
         PutLe32(s.bytes, s.Entry(3) + 0x10, static_cast<std::uint32_t>(s.bytes.size() - 1) + s.plan.magic);
       }, Severity::Error, "tag 3 ", "has no zero byte before the end of the file"},
      {"metadata past the end", [](Sample& s) { PutLe32(s.bytes, s.Entry(5) + 0x14, s.Word(s.Entry(5) + 0x14) + 0x100000); },
       Severity::Error, "tag 5 ", "runs past the end of the file"},  // tag 4 runs to tag 6, whose pointer lands
      {"compressed Xbox map", [](Sample& s) {
         s = Sample(kVersionXbox);
         const testing::TempDir dir;
         CompressXboxMap(dir.Write("in.map", s.bytes), dir.File("out.map"));
         s.bytes = ReadBytesFromFile(dir.File("out.map"));
       }, Severity::Error, "file", "the Xbox map is compressed; decompress it to a new file first: jov-cli xbox-decompress IN OUT"},
      {"EoF past the end: room reserved", [](Sample& s) { PutLe32(s.bytes, 0x08, static_cast<std::uint32_t>(s.bytes.size()) + 1); },
       Severity::Note, "header 0x008 EoF Position", "room reserved for a tag's metadata"},
      {"EoF past the last position", [](Sample& s) { PutLe32(s.bytes, 0x08, 0x80000100u); },
       Severity::Error, "header 0x008 EoF Position", "lies past 0x7FFFFFFF"},
      {"overlapping metadata", [](Sample& s) { PutLe32(s.bytes, s.Entry(1) + 0x14, s.Word(s.Entry(3) + 0x14)); },
       Severity::Warning, "tag 2 ", "overlaps tag 0's metadata"},
      {"identifier twice", [](Sample& s) { PutLe32(s.bytes, s.Entry(6) + 0x0C, s.Word(s.Entry(5) + 0x0C)); },
       Severity::Warning, "tag 6 ", "is also tag 5's"},
      {"identifier not its index", [](Sample& s) { PutLe16(s.bytes, s.Entry(6) + 0x0C, 9); }, Severity::Warning, "tag 6 ",
       "does not end in the tag's index (0x6)"},
      {"unknown class", [](Sample& s) { PutClassCode(s.bytes, s.Entry(4), "zzzz"); }, Severity::Warning, "tag 4 zzzz:",
       "class 1 \"zzzz\" is not in the class table"},
      {"nulled-out class", [](Sample& s) { PutLe32(s.bytes, s.Entry(4), 0xFFFFFFFF); }, Severity::Warning, "tag 4 ",
       "class 1 is four 0xFF bytes"},
      {"empty name", [](Sample& s) { s.bytes[s.layout.nameOffsets[5]] = 0; }, Severity::Warning, "tag 5 ", "the name is empty"},
      {"control bytes", [](Sample& s) { s.bytes[s.layout.nameOffsets[5] + 1] = 0x07; }, Severity::Warning, "tag 5 ",
       "the name holds control bytes"},
      {"class and name twice", [](Sample& s) {
         std::copy_n(s.bytes.begin() + static_cast<std::ptrdiff_t>(s.Entry(4)), 4, s.bytes.begin() + static_cast<std::ptrdiff_t>(s.Entry(5)));
         PutLe32(s.bytes, s.Entry(5) + 0x10, s.Word(s.Entry(4) + 0x10));
       }, Severity::Warning, "tag 5 ", "tag 4 has the same class and name"},
      {"stale CRC32", [](Sample& s) { s.bytes[s.layout.metaOffsets[3]] ^= 1; }, Severity::Warning, "header 0x064 CRC32",
       "differs from the computed"},
      {"EoF short of the end", [](Sample& s) { PutLe32(s.bytes, 0x08, static_cast<std::uint32_t>(s.bytes.size()) - 4); },
       Severity::Warning, "header 0x008 EoF Position", "is short of the file's length"},
      {"unusual base address", [](Sample& s) {
         s.plan.magic += 0x10000;
         s.bytes = WriteSampleMap(s.plan);
       }, Severity::Note, "tag data header +0x00", "based at 0x40450000, not at the usual 0x40440000"},
  };
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.name);
    Sample s;
    c.change(s);
    const CheckReport report = CheckMapBytes(s.bytes);
    EXPECT_TRUE(Has(report, c.severity, c.where, c.what)) << Dump(report);
    // A map broken only as far as a warning or a note has no error.
    if (c.severity != Severity::Error) {
      EXPECT_EQ(report.errors, 0) << Dump(report);
    }
    if (c.severity == Severity::Note) {
      EXPECT_EQ(report.warnings, 0) << Dump(report);
    }
  }
}

TEST(CheckMap, SignsOfAProtectedMapAreNamedOnce) {
  Sample s;
  for (const int n : {3, 5, 7}) s.bytes[s.layout.nameOffsets[static_cast<std::size_t>(n)]] = 0;
  const CheckReport report = CheckMapBytes(s.bytes);
  EXPECT_TRUE(Has(report, Severity::Note, "tags", "signs of a protected map")) << Dump(report);
  // Three empty names, and the second and third repeat the first's class and name when the classes agree.
  EXPECT_GE(report.warnings, 3);
}

// Hostile maps: any bytes at all give a report, never a crash or a read past the
// end (the sanitizer build checks that), and the counts add up.
TEST(CheckMap, DamagedMapsAlwaysGiveAConsistentReport) {
  std::mt19937 rng(77);
  for (int round = 0; round < 400; ++round) {
    Sample s(std::array<std::uint16_t, 3>{kVersionXbox, kVersionPc, kVersionCe}[round % 3], 3 + static_cast<int>(rng() % 20), rng());
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      // Mostly the header and the index, where damage matters most.
      const std::size_t limit = rng() % 2 ? std::min<std::size_t>(s.bytes.size(), s.layout.firstEntry + 32 * 4) : s.bytes.size();
      const std::size_t at = rng() % limit;
      s.bytes[at] = static_cast<unsigned char>(rng() % 3 == 0 ? 0xFF : rng());
    }
    if (rng() % 4 == 0) s.bytes.resize(rng() % s.bytes.size());
    const CheckReport report = CheckMapBytes(s.bytes);
    EXPECT_EQ(report.errors + report.warnings + report.notes, static_cast<int>(report.findings.size()));
    for (const Finding& f : report.findings) {
      EXPECT_FALSE(f.where.empty());
      EXPECT_FALSE(f.what.empty());
    }
  }
}

// ---------------------------------------------------------------------------
// CRC32

// The CRC32 as the format describes it, computed here with zlib alone from the
// places the sample writer put things.
std::uint32_t IndependentCrc(const Sample& s) {
  uLong crc = crc32(0, nullptr, 0);
  for (std::size_t n = 0; n < s.plan.bsps.size(); ++n)
    crc = crc32(crc, s.bytes.data() + s.layout.bspOffsets[n], static_cast<uInt>(s.plan.bsps[n].size()));
  crc = crc32(crc, s.bytes.data() + s.layout.modelOffset, static_cast<uInt>(s.plan.modelData.size()));
  crc = crc32(crc, s.bytes.data() + s.plan.indexOffset, s.layout.eofPosition - s.plan.indexOffset);
  return ~static_cast<std::uint32_t>(crc);
}

TEST(MapCrc, MatchesAnIndependentZlibComputation) {
  for (const std::uint16_t version : {kVersionPc, kVersionCe}) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
      Sample s(version, 10 + static_cast<int>(seed) * 20, seed);
      // Change the tag data so the stored value (written by the same sample writer) is not what is checked.
      s.bytes[s.layout.metaOffsets[2] + 1] ^= 0x5A;
      testing::TestMap opened(s.bytes);
      opened.Open();
      const CrcValues values = MapCrcValues(opened.map);
      EXPECT_EQ(values.computed, IndependentCrc(s));
      EXPECT_EQ(values.stored, s.Word(0x64));
      EXPECT_NE(values.stored, values.computed);
    }
  }
}

TEST(MapCrc, FixStoresTheComputedValueAndChangesNothingElse) {
  Sample s(kVersionCe);
  s.bytes[s.layout.bspOffsets[0] + 7] ^= 0xFF;
  testing::TestMap t(s.bytes);
  t.Open();
  const std::uint32_t written = FixMapCrc(t.map);
  Bytes expected = s.bytes;
  PutLe32(expected, 0x64, IndependentCrc(s));
  EXPECT_EQ(written, IndependentCrc(s));
  EXPECT_EQ(ReadBytesFromFile(t.path), expected);
  const CheckReport report = CheckMapFile(t.path);
  EXPECT_EQ(report.warnings, 0) << Dump(report);
}

TEST(MapCrc, ForgedValuesCheckAsEqualAndOnlyTheFreeValueAndTheCrcChange) {
  std::mt19937 rng(99);
  for (int round = 0; round < 30; ++round) {
    Sample s(round % 2 ? kVersionPc : kVersionCe, 3 + static_cast<int>(rng() % 60), rng());
    testing::TestMap t(s.bytes);
    t.Open();
    const std::uint32_t wanted = round == 0 ? 0 : round == 1 ? 0xFFFFFFFF : static_cast<std::uint32_t>(rng());
    ForgeMapCrc(t.map, wanted);
    const Bytes after = ReadBytesFromFile(t.path);
    ASSERT_EQ(after.size(), s.bytes.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
      const bool freeValue = i >= s.plan.indexOffset + 8 && i < s.plan.indexOffset + 12;
      const bool crcField = i >= 0x64 && i < 0x68;
      if (!freeValue && !crcField) {
        ASSERT_EQ(after[i], s.bytes[i]) << "byte " << i;
      }
    }
    Sample forged = s;
    forged.bytes = after;
    EXPECT_EQ(IndependentCrc(forged), wanted);
    const CheckReport report = CheckMapFile(t.path);
    EXPECT_EQ(report.computedCrc, wanted);
    EXPECT_EQ(report.storedCrc, wanted);
    EXPECT_EQ(report.warnings + report.errors, 0) << Dump(report);
  }
}

TEST(MapCrc, SolvedFreeValueGivesTheWantedCrcForAnyData) {
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    Bytes data(rng() % 300 + 4);
    for (unsigned char& b : data) b = static_cast<unsigned char>(rng());
    const std::size_t at = rng() % (data.size() - 3);
    const std::uint32_t wanted = static_cast<std::uint32_t>(rng());
    const std::uint32_t before = ~static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(at)));
    const std::uint32_t value = SolveFreeValue(before, std::span<const unsigned char>(data).subspan(at + 4), wanted);
    PutLe32(data, at, value);
    EXPECT_EQ(~static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))), wanted);
  }
}

TEST(MapCrc, XboxMapsAndMapsWithoutAScenarioAreRefused) {
  testing::TestMap xbox(Sample(kVersionXbox).bytes);
  xbox.Open();
  EXPECT_THROW(MapCrcValues(xbox.map), Refused);
  Sample s;
  PutClassCode(s.bytes, s.Entry(0), "weap");  // the only scenario is gone
  testing::TestMap t(s.bytes);
  t.Open();
  EXPECT_THROW(FixMapCrc(t.map), Refused);
  EXPECT_EQ(ReadBytesFromFile(t.path), s.bytes);
  EXPECT_TRUE(Has(CheckMapBytes(s.bytes), Severity::Warning, "tag data header +0x04", "no scenario tag"));
}

// ---------------------------------------------------------------------------
// Compressed Xbox maps

TEST(XboxCompression, CompressThenDecompressGivesBackTheSameBytes) {
  std::mt19937 rng(3);
  for (int round = 0; round < 6; ++round) {
    const Sample s(kVersionXbox, 2 + static_cast<int>(rng() % 300), rng());
    const testing::TempDir dir;
    const std::string in = dir.Write("in.map", s.bytes);
    CompressXboxMap(in, dir.File("packed.map"));
    const Bytes packed = ReadBytesFromFile(dir.File("packed.map"));
    EXPECT_EQ(packed.size() % 4096, 0u);
    EXPECT_EQ(ReadLe32(packed.data() + 0x08), s.bytes.size());  // the decompressed length stays
    EXPECT_TRUE(IsCompressedXboxMap(packed));
    EXPECT_FALSE(IsCompressedXboxMap(s.bytes));
    // The pad length counts the zeros after the stream.
    const std::uint32_t pad = ReadLe32(packed.data() + 0x0C);
    EXPECT_LT(pad, 4096u);
    EXPECT_TRUE(std::all_of(packed.end() - pad, packed.end(), [](unsigned char b) { return b == 0; }));
    DecompressXboxMap(dir.File("packed.map"), dir.File("out.map"));
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.map")), s.bytes);
    EXPECT_EQ(ReadBytesFromFile(in), s.bytes);  // IN is never changed
  }
}

TEST(XboxCompression, RefusesWhatItCannotDoAndLeavesOutAlone) {
  const testing::TempDir dir;
  const Sample s(kVersionXbox, 40, 8);
  const std::string plain = dir.Write("plain.map", s.bytes);
  CompressXboxMap(plain, dir.File("packed.map"));
  const Bytes packed = ReadBytesFromFile(dir.File("packed.map"));
  const Bytes old = {1, 2, 3};
  struct Case {
    const char* name;
    Bytes in;
    bool decompress;
  };
  Bytes truncated(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));
  Bytes damaged = packed;
  for (std::size_t i = 0x810; i < 0x900; ++i) damaged[i] ^= 0xA5;
  Bytes longer = packed;
  PutLe32(longer, 0x08, ReadLe32(packed.data() + 0x08) - 1);  // the stream gives one byte more than the header says
  Bytes pcMap = Sample(kVersionPc).bytes;
  Bytes xboxWithFreeSpace = s.bytes;
  xboxWithFreeSpace.resize(xboxWithFreeSpace.size() + 100);
  const std::vector<Case> cases = {
      {"truncated stream", truncated, true}, {"damaged stream", damaged, true}, {"stream longer than the header says", longer, true},
      {"not compressed", s.bytes, true},     {"already compressed", packed, false}, {"a PC map", pcMap, false},
      {"EoF Position short of the length", xboxWithFreeSpace, false}, {"shorter than a header", Bytes(100, 0), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = dir.Write("in.map", c.in);
    const std::string out = dir.Write("out.map", old);
    if (c.decompress)
      EXPECT_THROW(DecompressXboxMap(in, out), Refused);
    else
      EXPECT_THROW(CompressXboxMap(in, out), Refused);
    EXPECT_EQ(ReadBytesFromFile(out), old);
    EXPECT_EQ(ReadBytesFromFile(in), c.in);
  }
  EXPECT_THROW(DecompressXboxMap(dir.File("packed.map"), dir.File("packed.map")), Refused);
  EXPECT_THROW(CompressXboxMap(plain, dir.Path() + "/./plain.map"), Refused);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 4)
      << "no temporary file is left behind";
}

}  // namespace
}  // namespace jov
