// Every command that writes a map, run against a map that goes bad between
// commands: turned read-only, on a disk that fills up half-way through the
// command's writes, deleted or replaced by another file, or cut shorter than
// its header. Each ends with the file error the user reads, and the file holds
// exactly the bytes written before the fault and nothing else.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "builder/AddTag.h"
#include "map/HeaderWriter.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "scanner/ScanUpdateItem.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "support/WriteCommands.h"
#include "support/WriteFaults.h"
#include "tools/GuerillaConverter.h"
#include "tools/HexEditorText.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"
#include "transfer/InsertData.h"
#include "transfer/TagRecordEdit.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::ApplyWrites;
using testing::RecordedDialogs;
using testing::TestMap;
using testing::WriteFault;
using testing::Bench;
using testing::Command;
using testing::After;
using testing::WriteCommands;

constexpr const char* kMapAccessDenied = "Access to an unnamed file was denied.";
constexpr const char* kMapDiskFull = "Disk full while accessing an unnamed file.";
constexpr const char* kMapNotFound = "an unnamed file was not found.";

// Runs a command that must fail with a file error; returns its text.
std::string FileErrorOf(const Command& command, Bench& b) {
  try {
    command.run(b);
  } catch (const FileError& error) {
    return error.what();
  }
  return "(no file error)";
}

TEST(FaultInjection, AMapTurnedReadOnlyRefusesEveryCommandAndKeepsEveryByte) {
  // Root writes through permission bits, so the write seam plays the system's answer.
  for (const Command& command : WriteCommands()) {
    for (const int error : {EACCES, EROFS, EPERM}) {
      SCOPED_TRACE(std::string(command.name) + ", errno " + std::to_string(error));
      Bench b;
      {
        const WriteFault readOnly = WriteFault::Failing(b.t.path, error);
        EXPECT_EQ(FileErrorOf(command, b), kMapAccessDenied);
      }
      EXPECT_EQ(b.Now(), b.before);
      EXPECT_TRUE(b.t.map.m_bOpen) << "a failed command neither re-reads nor closes the map";
      EXPECT_TRUE(b.dialogs.messages.empty()) << "no outcome is reported for a command that failed";
    }
  }
}

TEST(FaultInjection, ADiskFullHalfWayKeepsExactlyTheBytesWrittenBeforeIt) {
  for (const Command& command : WriteCommands()) {
    SCOPED_TRACE(command.name);
    // The command's writes, in order, when nothing goes wrong.
    std::vector<testing::WriteRecord> log;
    std::size_t total = 0;
    {
      Bench b;
      const WriteFault recording = WriteFault::Recording(b.t.path);
      command.run(b);
      log = recording.Log();
      total = recording.BytesAsked();
      EXPECT_EQ(b.Now(), ApplyWrites(b.before, log, total));
    }
    ASSERT_GT(total, 0u);

    // The disk fills up at every write boundary, one byte either side, and inside writes.
    std::set<std::size_t> budgets = {0, 1, total / 2, total - 1};
    std::size_t boundary = 0;
    for (const auto& write : log) {
      for (const std::size_t at : {boundary, boundary + 1, boundary + write.bytes.size() - 1})
        if (at < total) budgets.insert(at);
      boundary += write.bytes.size();
    }
    for (const std::size_t budget : budgets) {
      SCOPED_TRACE("disk full after " + std::to_string(budget) + " of " + std::to_string(total) + " bytes");
      Bench b;
      {
        const WriteFault full = WriteFault::DiskFullAfter(b.t.path, budget);
        EXPECT_EQ(FileErrorOf(command, b), kMapDiskFull);
      }
      EXPECT_EQ(b.Now(), ApplyWrites(b.before, log, budget));
      EXPECT_TRUE(b.t.map.m_bOpen);
    }
  }
}

TEST(FaultInjection, AMapDeletedBetweenCommandsIsReportedWhenItIsReadAgain) {
  // The panel's handle still reaches the deleted file, so a command's writes
  // land in it (and vanish with it); a command that then re-reads the map finds
  // no file: the map is closed and its tree emptied. Reopening finds nothing.
  for (const Command& command : WriteCommands()) {
    SCOPED_TRACE(command.name);
    Bench b;
    ASSERT_EQ(std::remove(b.t.path.c_str()), 0);
    if (command.after == After::Reload) {
      EXPECT_EQ(FileErrorOf(command, b), kMapNotFound);
      EXPECT_FALSE(b.t.map.m_bOpen);
      EXPECT_TRUE(b.t.tree.Children(kTreeRoot).empty());
    } else {
      EXPECT_NO_THROW(command.run(b));
      b.t.map.Close(b.t.tree);
      EXPECT_EQ(FileErrorOf({"Reopen", After::Nothing, [](Bench& bench) { bench.t.Open(); }}, b), kMapNotFound);
    }
    EXPECT_FALSE(std::filesystem::exists(b.t.path)) << "nothing creates the map anew";
  }
}

TEST(FaultInjection, AMapReplacedBetweenCommandsIsNeverWrittenThroughTheOldPanel) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows lets no program rename a file over a map that is open, so the map cannot be replaced under a panel";
#endif
  // Another program saves a new file under the map's name: the command writes
  // into the file the panel opened, and the new file keeps every byte.
  for (const Command& command : WriteCommands()) {
    SCOPED_TRACE(command.name);
    Bench b;
    SampleMapPlan replacement = GenerateSampleMap(kVersionCe, 4, 99);
    replacement.mapName = "replacement";
    const Bytes replacementBytes = WriteSampleMap(replacement);
    const std::string staged = b.t.dir.Write("staged.map", replacementBytes);
    ASSERT_EQ(std::rename(staged.c_str(), b.t.path.c_str()), 0);

    command.run(b);
    EXPECT_EQ(b.Now(), replacementBytes);
    if (command.after == After::Reload) {
      EXPECT_EQ(b.t.map.m_strMapName, "replacement") << "re-read from the new file";
    }
  }
}

TEST(FaultInjection, AMapShorterThanItsHeaderOpensWithZerosAndIsWrittenOnlyWhereACommandMeansTo) {
  const Bytes whole = WriteSampleMap(GenerateSampleMap(kVersionPc, 4, 5));
  for (const std::size_t cut : {0u, 4u, 0x0Cu, 0x14u, 0x30u, 0x63u}) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    const Bytes shortMap(whole.begin(), whole.begin() + static_cast<long>(cut));
    {  // Missing bytes read as zero: no index is reached, so no tag is listed.
      TestMap t(shortMap);
      ASSERT_NO_THROW(t.Open());
      EXPECT_TRUE(t.map.m_bOpen);
      EXPECT_EQ(t.map.m_nTagCount, 0);
      EXPECT_EQ(t.map.m_nVersion, cut > 5 ? kVersionPc : 0);

      // Add Tag has no last tag to follow and writes nothing.
      const std::string tagFile = t.dir.Write("tag.meta", Bytes(16, 1));
      MapBuilderFields fields;
      fields.strTagFile = tagFile;
      fields.strTagName = "a";
      RecordedDialogs dialogs;
      try {
        AddTag(t.map, t.tree, fields, dialogs);
        ADD_FAILURE() << "Add Tag went on";
      } catch (const Refused& refused) {
        EXPECT_STREQ(refused.what(), kAddTagNoTags);
      }
      EXPECT_EQ(ReadBytesFromFile(t.path), shortMap);
    }
    {  // Map Info save writes the header's fields, and the index header's at the
       // index offset the map holds; every other byte of the short file stays.
      TestMap t(shortMap);
      t.Open();
      const std::uint32_t indexHeader = HexToUInt(t.map.m_strIndexOffset) - (cut > 5 ? 4 : 0);
      MapInfoSession session(t.map);
      ASSERT_TRUE(session.SaveChanges(session.Shown()).ok);
      FinishMapInfo(t.map, t.tree, session);
      const Bytes after = ReadBytesFromFile(t.path);
      for (std::size_t i = 0; i < shortMap.size(); ++i) {
        const bool field = (i >= 0x04 && i < 0x06) || (i >= 0x08 && i < 0x0C) || (i >= 0x10 && i < 0x18) ||
                           (i >= 0x20 && i < 0x62) || (i >= indexHeader && i < indexHeader + 4) ||
                           (i >= indexHeader + 12 && i < indexHeader + 14);
        if (!field) {
          EXPECT_EQ(after[i], shortMap[i]) << "byte " << i;
        }
      }
      // What the dialog showed is what the re-read map shows.
      EXPECT_EQ(MapInfoTextsOf(MapInfoValuesOf(t.map)), session.Shown());
    }
  }
}

TEST(FaultInjection, FilesBesideTheMapReportTheirOwnNamesAndLeaveTheMapAlone) {
  {  // Save Metadata into a file that cannot be written: no data listing either.
    Bench b;
    const std::string target = b.t.dir.File("out.meta");
    b.dialogs.saveAnswer = target;
    WriteBytesToFile(target, {});
    {
      const WriteFault readOnly = WriteFault::Failing(target, EROFS);
      EXPECT_EQ(FileErrorOf({"Save Metadata", After::Nothing, [](Bench& bench) { ExtractTagMetadata(bench.t.map, 2, bench.dialogs); }}, b),
                "Access to " + target + " was denied.");
    }
    EXPECT_FALSE(std::filesystem::exists(target + ".data"));
    EXPECT_EQ(b.Now(), b.before);
  }
  {  // ... or whose disk fills up half-way.
    Bench b;
    const std::string target = b.t.dir.File("out.meta");
    b.dialogs.saveAnswer = target;
    WriteBytesToFile(target, {});
    {
      const WriteFault full = WriteFault::DiskFullAfter(target, 7);
      EXPECT_EQ(FileErrorOf({"Save Metadata", After::Nothing, [](Bench& bench) { ExtractTagMetadata(bench.t.map, 2, bench.dialogs); }}, b),
                "Disk full while accessing " + target + ".");
    }
    EXPECT_FALSE(std::filesystem::exists(target + ".data"));
    EXPECT_EQ(b.Now(), b.before);
  }
  {  // Inject from a ".meta" file that was removed after it was picked.
    Bench b;
    ASSERT_EQ(std::remove(b.metaPath.c_str()), 0);
    EXPECT_EQ(FileErrorOf(WriteCommands()[1], b), b.metaPath + " was not found.");
    EXPECT_EQ(b.Now(), b.before);
    EXPECT_TRUE(b.dialogs.messages.empty());
  }
  {  // Add Tag whose tag file was removed: nothing written, the map stays open.
    Bench b;
    ASSERT_EQ(std::remove(b.metaPath.c_str()), 0);
    EXPECT_EQ(FileErrorOf(WriteCommands().back(), b), b.metaPath + " was not found.");
    EXPECT_EQ(b.Now(), b.before);
    EXPECT_TRUE(b.t.map.m_bOpen);
  }
  {  // The Guerilla converter's output on a full disk: the input and the earlier output are untouched.
    testing::TempDir dir;
    Bytes tag(64 + 40);
    for (std::size_t i = 0; i < tag.size(); ++i) tag[i] = static_cast<unsigned char>(i);
    const std::string input = dir.Write("in.tag", tag);
    const std::string output = dir.Write("out.meta", {7, 7, 7});
    GuerillaConverter converter;
    converter.OpenInput(input);
    converter.CreateOutput(output);
    const WriteFault full = WriteFault::DiskFullAfter(output, 10);
    try {
      converter.Convert(GuerillaOptions{});
      ADD_FAILURE() << "the conversion went on";
    } catch (const FileError& error) {
      EXPECT_EQ(std::string(error.what()), "Disk full while accessing " + output + ".");
    }
    EXPECT_EQ(ReadBytesFromFile(input), tag);
    EXPECT_EQ(ReadBytesFromFile(output), (Bytes{7, 7, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "no temporary file is left";
  }
}

}  // namespace
}  // namespace jov
