// Resource maps read with every offset checked: a truncated or hostile file is
// refused with the reason, a map is never taken for one, and one opened as a
// map is named for what it is.
#include <gtest/gtest.h>

#include <random>

#include "check/MapKind.h"
#include "map/MapFile.h"
#include "map/RealSampleMap.h"
#include "map/ResourceMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes With(Bytes bytes, std::size_t at, std::uint32_t value) {
  PutLe32(bytes, at, value);
  return bytes;
}

// A small resource map written by hand: header, data, paths, entries.
Bytes Handmade(const std::vector<std::string>& paths, std::uint32_t type = 3) {
  Bytes data(16 + 8 * paths.size(), 0xAB);
  const auto pathsAt = static_cast<std::uint32_t>(data.size());
  std::vector<std::uint32_t> at;
  for (const std::string& p : paths) {
    at.push_back(static_cast<std::uint32_t>(data.size()) - pathsAt);
    data.insert(data.end(), p.begin(), p.end());
    data.push_back(0);
  }
  const auto entriesAt = static_cast<std::uint32_t>(data.size());
  data.resize(data.size() + 12 * paths.size());
  PutLe32(data, 0, type);
  PutLe32(data, 4, pathsAt);
  PutLe32(data, 8, entriesAt);
  PutLe32(data, 12, static_cast<std::uint32_t>(paths.size()));
  for (std::size_t k = 0; k < paths.size(); ++k) {
    PutLe32(data, entriesAt + 12 * k, at[k]);
    PutLe32(data, entriesAt + 12 * k + 4, 8);
    PutLe32(data, entriesAt + 12 * k + 8, static_cast<std::uint32_t>(16 + 8 * k));
  }
  return data;
}

TEST(ResourceMap, ReadsWhatTheWriterWrote) {
  const RealSampleMap sample = GenerateRealSampleMap(kVersionCe, 120, 11);
  for (const auto& [name, bytes] : sample.resources) {
    SCOPED_TRACE(name);
    const ResourceMapListing listing = ReadResourceMap(bytes, name);
    EXPECT_EQ(ResourceTypeName(listing.type) + ".map", name);
    ASSERT_FALSE(listing.entries.empty());
    for (const ResourceEntry& e : listing.entries) EXPECT_LE(e.offset + e.size, bytes.size());
    EXPECT_TRUE(LooksLikeResourceMap(bytes, bytes.size()));
  }
  const ResourceMapListing paths = ReadResourceMap(Handmade({"a", "bb", "", "ccc"}), "loc.map");
  ASSERT_EQ(paths.entries.size(), 4u);
  EXPECT_EQ(paths.entries[1].path, "bb");
  EXPECT_EQ(paths.entries[2].path, "");
  EXPECT_EQ(paths.entries[3].index, 3u);
  EXPECT_EQ(paths.entries[3].offset, 16u + 24u);
  // A map is never taken for a resource map.
  const Bytes map = WriteSampleMap(GenerateSampleMap(kVersionCe, 10, 1));
  EXPECT_FALSE(LooksLikeResourceMap(map, map.size()));
}

TEST(ResourceMap, RefusesTruncatedAndHostileFilesWithTheReason) {
  const Bytes good = Handmade({"fonts\\large", "ui\\text\\strings"});
  const std::uint32_t entries = ReadLe32(good.data() + 8);
  ASSERT_EQ(entries, 0x3Cu);
  ASSERT_EQ(good.size(), 0x54u);
  // Header, two entries, then the paths, the last one running into the end of
  // the file without its terminating zero.
  Bytes noTerminator(16 + 24, 0);
  PutLe32(noTerminator, 0, 2);
  PutLe32(noTerminator, 4, 16 + 24);
  PutLe32(noTerminator, 8, 16);
  PutLe32(noTerminator, 12, 2);
  PutLe32(noTerminator, 16 + 12, 3);
  for (const char c : std::string("ok\0no\\end", 9)) noTerminator.push_back(static_cast<unsigned char>(c));
  Bytes longPath = Handmade({std::string(3000, 'x')});

  const struct {
    const char* what;
    Bytes bytes;
    const char* reason;  // a piece of it
  } cases[] = {
      {"empty", {}, "0 bytes long, shorter than the 16-byte resource map header"},
      {"a short header", Bytes(good.begin(), good.begin() + 15), "15 bytes long"},
      {"a map", WriteSampleMap(GenerateSampleMap(kVersionPc, 8, 2)), "not 1 (bitmaps), 2 (sounds) or 3 (loc)"},
      {"type 0", With(good, 0, 0), "its type is 0"},
      {"a huge count", With(good, 12, 0x40000000), "its entry count 1073741824 is beyond any resource map's (at most 16777216)"},
      {"a count past the end", With(good, 12, 3), "its 3 entries at 0x3c run past its end at 0x54"},
      {"entries past the end", With(good, 8, 0x10000), "entries at 0x10000 run past its end"},
      {"cut in the entries", Bytes(good.begin(), good.end() - 5), "its 2 entries at 0x3c run past its end at 0x4f"},
      {"paths past the end", With(good, 4, 0x7FFFFFFF), "its paths start at 0x7fffffff, past its end"},
      {"a path past the end", With(good, entries + 12, 0xFFFFFFF0), "entry 1's path starts at 0x100000010, past its end"},
      {"data past the end", With(good, entries + 12 + 8, 0x55), "entry 1's data (8 bytes at 0x55) runs past its end at 0x54"},
      {"a huge size", With(good, entries + 4, 0xFFFFFFFF), "entry 0's data (4294967295 bytes at 0x10)"},
      {"no terminator", noTerminator, "entry 1's path has no terminating zero byte before the end of the file"},
      {"a path too long", longPath, "entry 0's path has no terminating zero byte within 1024 bytes"},
  };
  const testing::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ReadResourceMap(c.bytes, "x.map");
      ADD_FAILURE() << "read";
    } catch (const BadResourceMap& e) {
      EXPECT_NE(e.Reason().find(c.reason), std::string::npos) << e.Reason();
      EXPECT_EQ(std::string(e.what()), "x.map is not a usable resource map: " + e.Reason() + ".");
    }
    // The same from a file, through the reader that reads only what it checked.
    ResourceMapFile file;
    EXPECT_THROW(file.Open(dir.Write("case.map", c.bytes), "case.map"), BadResourceMap);
  }
}

// Any damage to a resource map's header, entry table or paths, or any cut: it
// reads with every entry inside the file, or it is refused; never more.
TEST(ResourceMap, DamagedFilesReadWithinThemselvesOrAreRefused) {
  const Bytes good = GenerateRealSampleMap(kVersionCe, 40, 21).resources.at("sounds.map");
  const std::uint32_t table = ReadLe32(good.data() + 8);
  std::mt19937 rng(77);
  int refused = 0, read = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = good;
    switch (round % 3) {
      case 0:  // header words
        PutLe32(bytes, 4 * (rng() % 4), rng() % 2 ? static_cast<std::uint32_t>(rng()) : static_cast<std::uint32_t>(rng() % bytes.size()));
        break;
      case 1:  // a word of the entry table or the paths before it
        PutLe32(bytes, table - 64 + 4 * (rng() % ((bytes.size() - table + 64) / 4)), static_cast<std::uint32_t>(rng() % (2 * bytes.size())));
        break;
      default:  // cut short
        bytes.resize(rng() % bytes.size());
    }
    try {
      const ResourceMapListing listing = ReadResourceMap(bytes, "sounds.map");
      ++read;
      for (const ResourceEntry& e : listing.entries) {
        EXPECT_LE(std::uint64_t{e.offset} + e.size, bytes.size());
        EXPECT_EQ(e.path.find('\0'), std::string::npos);
        EXPECT_LE(e.path.size(), kMaxResourcePathLength);
      }
    } catch (const BadResourceMap& e) {
      ++refused;
      EXPECT_NE(e.Reason(), "");
    }
  }
  // Both outcomes happen: the damage is neither always harmless nor always fatal.
  EXPECT_GT(refused, 300);
  EXPECT_GT(read, 300);
}

TEST(ResourceMap, AFileReadsItsEntriesAndRefusesOnePastThem) {
  const RealSampleMap sample = GenerateRealSampleMap(kVersionCe, 40, 6);
  const testing::TempDir dir;
  ResourceMapFile file;
  file.Open(dir.Write("bitmaps.map", sample.resources.at("bitmaps.map")), "bitmaps.map");
  const auto& entries = file.Listing().entries;
  ASSERT_GE(entries.size(), 2u);
  for (std::size_t i = 0; i < sample.tags.size(); ++i) {
    const RealTagTruth& t = sample.truth[i];
    if (t.resourceFile != "bitmaps.map") continue;
    EXPECT_EQ(entries[t.resourceIndex].path, sample.tags[i].name);
    EXPECT_EQ(FindResourceEntry(file.Listing(), sample.tags[i].name), &entries[t.resourceIndex]);
    EXPECT_EQ(file.ReadEntry(t.resourceIndex), sample.tags[i].meta);
  }
  EXPECT_EQ(FindResourceEntry(file.Listing(), "no\\such\\bitmap"), nullptr);
  try {
    file.ReadEntry(entries.size());
    ADD_FAILURE() << "read";
  } catch (const BadResourceMap& e) {
    EXPECT_EQ(e.Reason(), "it has no entry " + std::to_string(entries.size()) + ", only " + std::to_string(entries.size()));
  }
}

TEST(ResourceMap, OneOpenedAsAMapIsNamedAsOne) {
  const RealSampleMap sample = GenerateRealSampleMap(kVersionCe, 30, 2);
  const testing::TempDir dir;
  const std::string path = dir.Write("sounds.map", sample.resources.at("sounds.map"));
  const ResourceMapListing listing = ReadResourceMap(sample.resources.at("sounds.map"), "sounds.map");
  const MapVerdict verdict = JudgeMapFile(path);
  EXPECT_EQ(verdict.kind, MapKind::ResourceMap);
  const std::string reason = "sounds, " + std::to_string(listing.entries.size()) + " entries";
  EXPECT_EQ(verdict.reason, reason);
  try {
    RequireMapFile(path, "sounds.map");
    ADD_FAILURE() << "opened";
  } catch (const Refused& e) {
    EXPECT_EQ(std::string(e.what()), "sounds.map is a resource map (" + reason + "), see jov-cli resources.");
  }
  // Cut short, it is no longer taken for one.
  const Bytes& whole = sample.resources.at("sounds.map");
  EXPECT_EQ(JudgeMapFile(dir.Write("cut.map", Bytes(whole.begin(), whole.begin() + 40))).kind, MapKind::NotAMap);
}

}  // namespace
}  // namespace jov
