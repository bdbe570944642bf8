#include <gtest/gtest.h>

#include <filesystem>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/FileError.h"
#include "scanner/MetaHex.h"
#include "support/RecordedDialogs.h"
#include "support/ReferencePlan.h"
#include "support/TestMap.h"
#include "transfer/DataListing.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/MetaFileDialogs.h"

namespace jov {
namespace {

using testing::RecordedDialogs;
using testing::MapWithOversizedTags;
using testing::TestMap;

std::vector<unsigned char> Extent(const std::vector<unsigned char>& file, const TagEntry& tag) {
  const std::size_t at = HexToUInt(tag.strMetaOffset);
  return {file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + tag.nSize)};
}

std::string ReadText(const std::string& path) {
  const auto bytes = ReadBytesFromFile(path);
  return {bytes.begin(), bytes.end()};
}

TEST(ExtractTagMetadata, DefaultNameIsTheLeafNameWithTheClass) {
  TagEntry tag;
  tag.strName = "vehicles\\warthog\\warthog";
  tag.strClass1 = "vehi";
  EXPECT_EQ(DefaultMetaFileName(tag), "warthog[vehi].meta");
  tag.strName = "warthog";
  EXPECT_EQ(DefaultMetaFileName(tag), "warthog[vehi].meta");
  tag.strName = "levels\\test\\";
  tag.strClass1 = "sky ";
  EXPECT_EQ(DefaultMetaFileName(tag), "[sky ].meta");
}

TEST(ExtractTagMetadata, WritesTheExtentAndAsksWithTheSaveDialog) {
  TestMap t(GenerateSampleMap(kVersionPc, 12, 3));
  t.Open();
  RecordedDialogs dialogs;
  dialogs.saveAnswer = t.dir.File("out.meta");
  ExtractTagMetadata(t.map, 4, dialogs);

  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  const FileDialogOptions& options = dialogs.saveRequests[0];
  EXPECT_EQ(options.filter, "Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||");
  EXPECT_EQ(options.defaultExtension, "meta");
  EXPECT_EQ(options.initialName, DefaultMetaFileName(t.Tag(4)));
  EXPECT_FALSE(options.mustExist);
  EXPECT_TRUE(dialogs.messages.empty());  // nothing is shown on success

  EXPECT_EQ(ReadBytesFromFile(*dialogs.saveAnswer), Extent(ReadBytesFromFile(t.path), t.Tag(4)));
  EXPECT_EQ(ReadText(*dialogs.saveAnswer + ".data"), DataListingText(t.map, 4, ReadMetaHex(t.map, 4)));
}

TEST(ExtractTagMetadata, SizeZeroTagsGiveAnEmptyFileAndTheFourHeaderLines) {
  TestMap t(GenerateSampleMap(kVersionXbox, 6, 9));
  t.Open();
  for (const int i : {1, 5}) {  // the "sbsp" tag and the last tag
    ASSERT_EQ(t.Tag(i).nSize, 0u);
    RecordedDialogs dialogs;
    dialogs.saveAnswer = t.dir.File("empty" + std::to_string(i) + ".meta");
    ExtractTagMetadata(t.map, i, dialogs);
    EXPECT_TRUE(ReadBytesFromFile(*dialogs.saveAnswer).empty());
    const TagEntry& tag = t.Tag(i);
    EXPECT_EQ(ReadText(*dialogs.saveAnswer + ".data"),
              tag.strName + "\r\n" + tag.strClass1 + "\r\n" + tag.strClass2 + "\r\n" + tag.strClass3 + "\r\n");
  }
}

TEST(ExtractTagMetadata, TheListingStopsBelowOneHundredThousandBytes) {
  for (const std::uint32_t size : {99999u, 100000u}) {
    TestMap t(testing::MapWithTagOfSize(kVersionCe, 8, 3, size, size));
    t.Open();
    ASSERT_EQ(t.Tag(3).nSize, size);
    RecordedDialogs dialogs;
    dialogs.saveAnswer = t.dir.File("big.meta");
    ExtractTagMetadata(t.map, 3, dialogs);
    EXPECT_EQ(ReadBytesFromFile(*dialogs.saveAnswer), Extent(ReadBytesFromFile(t.path), t.Tag(3)));
    EXPECT_EQ(std::filesystem::exists(*dialogs.saveAnswer + ".data"), size == 99999u) << size;
  }
}

TEST(ExtractTagMetadata, ExistingFilesAreReplacedWithoutAQuestion) {
  TestMap t(GenerateSampleMap(kVersionPc, 10, 5));
  t.Open();
  const std::string out = t.dir.Write("old.meta", std::vector<unsigned char>(5000, 0xAB));
  t.dir.Write("old.meta.data", std::vector<unsigned char>(9000, 'x'));
  RecordedDialogs dialogs;
  dialogs.saveAnswer = out;
  ExtractTagMetadata(t.map, 2, dialogs);
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(ReadBytesFromFile(out), Extent(ReadBytesFromFile(t.path), t.Tag(2)));
  EXPECT_EQ(ReadText(out + ".data"), DataListingText(t.map, 2, ReadMetaHex(t.map, 2)));
}

TEST(ExtractTagMetadata, CancelWritesNothing) {
  TestMap t(GenerateSampleMap(kVersionPc, 10, 5));
  t.Open();
  RecordedDialogs dialogs;  // no answer: Cancel
  ExtractTagMetadata(t.map, 2, dialogs);
  EXPECT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.dir.Path()), {}), 1);  // the map alone
}

TEST(ExtractTagMetadata, BytesPastTheEndOfTheMapAreWrittenAsZeros) {
  SampleMapPlan plan = GenerateSampleMap(kVersionPc, 6, 21);
  auto bytes = WriteSampleMap(plan);
  const SampleLayout layout = LayoutOf(plan);
  // The file is cut 10 bytes into tag 4 after the map was read (another
  // program truncated it): tag 4's extent still runs to the last tag's start.
  TestMap t(bytes);
  t.Open();
  ASSERT_EQ(t.Tag(4).nSize, plan.tags[4].meta.size());
  bytes.resize(layout.metaOffsets[4] + 10);
  std::filesystem::resize_file(t.path, bytes.size());
  RecordedDialogs dialogs;
  dialogs.saveAnswer = t.dir.File("cut.meta");
  ExtractTagMetadata(t.map, 4, dialogs);
  std::vector<unsigned char> expected(plan.tags[4].meta.begin(), plan.tags[4].meta.begin() + 10);
  expected.resize(plan.tags[4].meta.size(), 0);
  EXPECT_EQ(ReadBytesFromFile(*dialogs.saveAnswer), expected);
  EXPECT_EQ(ReadBytesFromFile(t.path), bytes);  // only read
}

TEST(ExtractTagMetadata, TagsAboveTheBufferAreRefusedBeforeAnyQuestion) {
  const auto bytes = MapWithOversizedTags(kVersionPc, 6, 4);
  TestMap t(bytes);
  t.Open();
  ASSERT_EQ(t.Tag(2).nSize, 1000001u);
  ASSERT_GT(static_cast<std::int32_t>(0), static_cast<std::int32_t>(t.Tag(3).nSize));
  for (const int i : {2, 3}) {
    RecordedDialogs dialogs;
    dialogs.saveAnswer = t.dir.File("huge.meta");
    EXPECT_THROW(ExtractTagMetadata(t.map, i, dialogs), Refused);
    EXPECT_TRUE(dialogs.saveRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(*dialogs.saveAnswer));
  }
}

TEST(ExtractTagMetadata, AFileThatCannotBeCreatedEndsWithAFileErrorAndNoListing) {
  TestMap t(GenerateSampleMap(kVersionPc, 6, 4));
  t.Open();
  RecordedDialogs dialogs;
  dialogs.saveAnswer = t.dir.File("no-such-folder/out.meta");
  EXPECT_THROW(ExtractTagMetadata(t.map, 2, dialogs), FileError);
  EXPECT_FALSE(std::filesystem::exists(*dialogs.saveAnswer + ".data"));
}

}  // namespace
}  // namespace jov
