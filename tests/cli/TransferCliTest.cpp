// jov-cli extract, inject and direct-inject, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "support/ChangedBytes.h"
#include "support/LiteralTransfer.h"
#include "support/TempDir.h"
#include "support/TestMap.h"
#include "transfer/DataListing.h"
#include "transfer/DirectInjectTag.h"

namespace jov {
namespace {

using testing::ChangeOutside;
using testing::RunCli;
using testing::TempDir;

// A map model read from path, as the command reads it.
struct Model {
  explicit Model(const std::string& path) { map.OpenPath(tree, path); }
  MemoryTreeView tree;
  CMapFile map;
};

std::vector<unsigned char> Extent(const std::string& path, const TagEntry& tag, std::size_t n) {
  const auto file = ReadBytesFromFile(path);
  const std::size_t at = HexToUInt(tag.strMetaOffset);
  std::vector<unsigned char> out(n, 0);
  for (std::size_t i = 0; i < n && at + i < file.size(); ++i) out[i] = file[at + i];
  return out;
}

class TransferCli : public ::testing::Test {
 protected:
  TransferCli() : mapPath(dir.File("a.map")) { WriteBytesToFile(mapPath, WriteSampleMap(GenerateSampleMap(kVersionPc, 12, 17))); }
  TempDir dir;
  std::string mapPath;
};

TEST_F(TransferCli, ExtractWritesTheMetaFileAndItsListingByIndexOrByClassAndName) {
  Model model(mapPath);
  const TagEntry& tag = model.map.m_tags[4];
  const std::string byIndex = dir.File("by-index.meta");
  const std::string byName = dir.File("by-name.meta");
  const auto a = RunCli({"extract", mapPath, "4", byIndex});
  const auto b = RunCli({"extract", mapPath, tag.strClass1 + ":" + tag.strName, byName});
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(a.out, "");
  EXPECT_EQ(ReadBytesFromFile(byIndex), Extent(mapPath, tag, tag.nSize));
  EXPECT_EQ(ReadBytesFromFile(byName), ReadBytesFromFile(byIndex));
  const auto listing = ReadBytesFromFile(byIndex + ".data");
  EXPECT_EQ(std::string(listing.begin(), listing.end()), DataListingText(model.map, 4, ReadMetaHex(model.map, 4)));
}

TEST_F(TransferCli, InjectReportsTheOutcomeInItsMessageAndStatus) {
  Model model(mapPath);
  const TagEntry& tag = model.map.m_tags[3];
  const auto before = ReadBytesFromFile(mapPath);
  std::vector<unsigned char> fits(tag.nSize - 1, 0x5A);
  const auto done = RunCli({"inject", mapPath, "3", dir.Write("fits.meta", fits)});
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_EQ(done.out, "Inject completed.\n");
  fits.push_back(0);
  EXPECT_EQ(Extent(mapPath, tag, tag.nSize), fits);
  EXPECT_EQ(ChangeOutside(before, ReadBytesFromFile(mapPath), HexToUInt(tag.strMetaOffset), tag.nSize), std::nullopt);

  const auto injected = ReadBytesFromFile(mapPath);
  const auto full = RunCli({"inject", mapPath, "3", dir.Write("long.meta", std::vector<unsigned char>(tag.nSize + 1, 1))});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.out, "Not enough space to inject.\n");
  const auto missing = RunCli({"inject", mapPath, "3", dir.File("missing.meta")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err, "");
  EXPECT_EQ(ReadBytesFromFile(mapPath), injected);
}

TEST_F(TransferCli, DirectInjectAsksWhenTheSourceIsLargerAndGoesOnOnlyWithYes) {
  const std::string srcPath = dir.File("b.map");
  WriteBytesToFile(srcPath, WriteSampleMap(GenerateSampleMap(kVersionXbox, 12, 18)));
  Model source(srcPath);
  Model destination(mapPath);
  int d = 2, s = 2;
  for (int t = 0; t < source.map.m_nTagCount; ++t)
    if (source.map.m_tags[static_cast<std::size_t>(t)].nSize > destination.map.m_tags[2].nSize) s = t;
  const TagEntry& dst = destination.map.m_tags[2];
  const std::uint32_t size = source.map.m_tags[static_cast<std::size_t>(s)].nSize;
  ASSERT_GT(size, dst.nSize);
  const auto before = ReadBytesFromFile(mapPath);
  // The question names the bytes and the tags whose metadata they overwrite.
  const DirectInjectSpace space = DirectInjectSpaceOf(destination.map, d, source.map, s);
  ASSERT_FALSE(space.overwritten.empty());
  const std::string overwritten = TagListText(destination.map, space.overwritten);
  const std::string question = "Not enough space to inject: " + std::to_string(size) + " bytes of metadata into the " +
                               std::to_string(dst.nSize) + " bytes of " + dst.strClass1 + ":" + dst.strName + ", so the " +
                               std::to_string(size - dst.nSize) + " bytes past its end overwrite the metadata of " +
                               overwritten + ". Unless you are building a map, injection is not advised. Inject?\n";

  const auto no = RunCli({"direct-inject", mapPath, std::to_string(d), srcPath, std::to_string(s)});
  EXPECT_EQ(no.status, 1);
  EXPECT_EQ(no.out, question + "Nothing was written.\n");
  EXPECT_EQ(ReadBytesFromFile(mapPath), before);

  // The two maps share few tags: references to the others refuse the command
  // until the command line says to set them to none.
  const auto refused = RunCli({"direct-inject", mapPath, std::to_string(d), srcPath, std::to_string(s), "--yes"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find(" name tags a.map does not have: "), std::string::npos) << refused.out;
  EXPECT_NE(refused.out.find("Nothing was written. Give --unresolved none to set them to none."), std::string::npos) << refused.out;
  EXPECT_EQ(ReadBytesFromFile(mapPath), before);

  const auto yes = RunCli(
      {"direct-inject", mapPath, std::to_string(d), srcPath, std::to_string(s), "--yes", "--unresolved", "none"});
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(yes.out, question + "Direct injection complete.\nOverwrote the metadata of " + overwritten + ".\n");
  reference::detail::NoneSet nones;
  const std::string expected =
      reference::StepStartTranslation(ReadMetaHex(source.map, s), source.map, s, destination.map, d, &nones);
  EXPECT_FALSE(nones.empty());
  const auto written = Extent(mapPath, dst, size);
  EXPECT_EQ(BytesToHex(written.data(), static_cast<long>(written.size())), expected);
  EXPECT_EQ(ChangeOutside(before, ReadBytesFromFile(mapPath), destination.map.MetaOffset(d), size), std::nullopt);
  // The step's label names the overwritten tags too.
  const auto history = RunCli({"history", mapPath});
  EXPECT_NE(history.out.find("Direct Inject " + dst.strClass1 + ":" + dst.strName + ", overwriting " + overwritten),
            std::string::npos)
      << history.out;
}

TEST_F(TransferCli, DirectInjectWithinOneFile) {
  Model model(mapPath);
  int s = 5, d = 6;
  if (model.map.m_tags[5].nSize > model.map.m_tags[6].nSize) std::swap(s, d);
  const auto before = ReadBytesFromFile(mapPath);
  const auto result = RunCli({"direct-inject", mapPath, std::to_string(d), mapPath, std::to_string(s)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Direct injection complete.\n");
  const TagEntry& dst = model.map.m_tags[static_cast<std::size_t>(d)];
  std::string expected = reference::StepStartTranslation(ReadMetaHex(model.map, s), model.map, s, model.map, d);
  expected.resize(2 * dst.nSize, '0');
  EXPECT_EQ(ReadMetaHex(model.map, d), expected);
  EXPECT_EQ(ChangeOutside(before, ReadBytesFromFile(mapPath), model.map.MetaOffset(d), dst.nSize), std::nullopt);
}

TEST_F(TransferCli, RefusalsAndUsageErrorsWriteNothing) {
  const auto bytes = testing::MapWithOversizedTags(kVersionPc, 6, 4);  // tag 2: 1,000,001 bytes
  const std::string huge = dir.Write("huge.map", bytes);

  const auto extract = RunCli({"extract", huge, "2", dir.File("x.meta")});
  EXPECT_EQ(extract.status, 1);
  EXPECT_NE(extract.out.find("1,000,000"), std::string::npos) << extract.out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.meta")));
  const auto direct = RunCli({"direct-inject", huge, "4", huge, "2", "--yes"});
  EXPECT_EQ(direct.status, 1);
  EXPECT_NE(direct.out.find("1,000,000"), std::string::npos) << direct.out;
  EXPECT_EQ(direct.out.find("Inject?"), std::string::npos);
  EXPECT_EQ(ReadBytesFromFile(huge), bytes);

  const auto usage = RunCli({"direct-inject", huge, "99", huge, "2"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(ReadBytesFromFile(huge), bytes);
}

}  // namespace
}  // namespace jov
