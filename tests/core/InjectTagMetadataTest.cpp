#include <gtest/gtest.h>

#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/FileError.h"
#include "support/ChangedBytes.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"
#include "transfer/MetaFileDialogs.h"

namespace jov {
namespace {

using testing::RecordedDialogs;
using testing::MapWithOversizedTags;
using testing::TestMap;

void ExpectOnlyExtentChanged(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                             std::size_t at, std::size_t n) {
  EXPECT_EQ(testing::ChangeOutside(before, after, at, n), std::nullopt);
}

std::vector<unsigned char> Pattern(std::size_t n, unsigned char seed) {
  std::vector<unsigned char> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(seed + 7 * i + 1);
  return bytes;
}

struct InjectCase : ::testing::Test {
  InjectCase() : t(GenerateSampleMap(kVersionPc, 10, 31)) { t.Open(); }

  // Injects a file of the given bytes into tag i; returns the map file after.
  std::vector<unsigned char> Inject(int i, const std::vector<unsigned char>& file, InjectOutcome expected) {
    dialogs.openAnswer = t.dir.Write("in.meta", file);
    EXPECT_EQ(InjectTagMetadata(t.map, i, dialogs), expected);
    return ReadBytesFromFile(t.path);
  }

  TestMap t;
  RecordedDialogs dialogs;
};

TEST_F(InjectCase, ExtractThenInjectLeavesTheMapByteIdentical) {
  const auto before = ReadBytesFromFile(t.path);
  for (int i = 0; i < t.map.m_nTagCount; ++i) {
    RecordedDialogs extract;
    extract.saveAnswer = t.dir.File("tag" + std::to_string(i) + ".meta");
    ExtractTagMetadata(t.map, i, extract);
    RecordedDialogs inject;
    inject.openAnswer = extract.saveAnswer;
    EXPECT_EQ(InjectTagMetadata(t.map, i, inject), InjectOutcome::Completed);
    EXPECT_EQ(inject.messages, std::vector<std::string>{"Inject completed."});
  }
  EXPECT_EQ(ReadBytesFromFile(t.path), before);
}

TEST_F(InjectCase, AFileOfTheTagsSizeReplacesTheExtentExactly) {
  const TagEntry tag = t.Tag(3);
  const auto before = ReadBytesFromFile(t.path);
  const auto file = Pattern(tag.nSize, 3);
  const auto after = Inject(3, file, InjectOutcome::Completed);
  const std::size_t at = HexToUInt(tag.strMetaOffset);
  EXPECT_TRUE(std::equal(file.begin(), file.end(), after.begin() + static_cast<long>(at)));
  ExpectOnlyExtentChanged(before, after, at, tag.nSize);
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Inject completed."});

  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  const FileDialogOptions& options = dialogs.openRequests[0];
  EXPECT_EQ(options.filter, "Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||");
  EXPECT_EQ(options.defaultExtension, "meta");
  EXPECT_EQ(options.initialName, DefaultMetaFileName(tag));
  EXPECT_TRUE(options.mustExist);
}

TEST_F(InjectCase, ShorterFilesAreFollowedByZerosUpToTheSize) {
  const TagEntry tag = t.Tag(5);
  const std::size_t at = HexToUInt(tag.strMetaOffset);
  for (const std::size_t length : {std::size_t{tag.nSize} - 1, std::size_t{0}}) {
    const auto before = ReadBytesFromFile(t.path);
    const auto file = Pattern(length, 0x40);
    const auto after = Inject(5, file, InjectOutcome::Completed);
    std::vector<unsigned char> expected = file;
    expected.resize(tag.nSize, 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin() + static_cast<long>(at))) << length;
    EXPECT_EQ(after[at + tag.nSize - 1], 0);
    ExpectOnlyExtentChanged(before, after, at, tag.nSize);
  }
}

TEST_F(InjectCase, AFileOneByteLongerIsTurnedAwayAndChangesNothing) {
  const auto before = ReadBytesFromFile(t.path);
  EXPECT_EQ(Inject(4, Pattern(t.Tag(4).nSize + 1, 9), InjectOutcome::NotEnoughSpace), before);
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Not enough space to inject."});
}

TEST_F(InjectCase, TagsOfSizeZeroTakeOnlyAnEmptyFileAndWriteNothing) {
  const auto before = ReadBytesFromFile(t.path);
  for (const int i : {1, 9}) {  // "sbsp" and the last tag
    ASSERT_EQ(t.Tag(i).nSize, 0u);
    EXPECT_EQ(Inject(i, {}, InjectOutcome::Completed), before);
    EXPECT_EQ(Inject(i, {0}, InjectOutcome::NotEnoughSpace), before);
  }
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"Inject completed.", "Not enough space to inject.",
                                                         "Inject completed.", "Not enough space to inject."}));
}

TEST_F(InjectCase, CancelShowsNothingAndChangesNothing) {
  const auto before = ReadBytesFromFile(t.path);
  EXPECT_EQ(InjectTagMetadata(t.map, 2, dialogs), InjectOutcome::Cancelled);
  EXPECT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ReadBytesFromFile(t.path), before);
}

TEST_F(InjectCase, AMissingFileEndsWithAFileErrorAndChangesNothing) {
  const auto before = ReadBytesFromFile(t.path);
  dialogs.openAnswer = t.dir.File("missing.meta");
  EXPECT_THROW(InjectTagMetadata(t.map, 2, dialogs), FileError);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ReadBytesFromFile(t.path), before);
}

TEST(InjectTagMetadata, TagsAboveTheBufferOrOfNegativeSizeAreRefusedBeforeAnyQuestion) {
  const auto bytes = MapWithOversizedTags(kVersionXbox, 6, 12);
  TestMap t(bytes);
  t.Open();
  ASSERT_EQ(t.Tag(2).nSize, 1000001u);
  ASSERT_LT(static_cast<std::int32_t>(t.Tag(3).nSize), 0);
  for (const int i : {2, 3}) {
    RecordedDialogs dialogs;
    dialogs.openAnswer = t.dir.Write("small.meta", {1, 2, 3});
    EXPECT_THROW(InjectTagMetadata(t.map, i, dialogs), Refused);
    EXPECT_TRUE(dialogs.openRequests.empty());
    EXPECT_TRUE(dialogs.messages.empty());
  }
  EXPECT_EQ(ReadBytesFromFile(t.path), bytes);
}

}  // namespace
}  // namespace jov
