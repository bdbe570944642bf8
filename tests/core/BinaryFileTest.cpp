// Files by handle: positioned reads that give zeros past the end, the signed
// 32-bit position limit, and the toolkit's error texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/BinaryFile.h"
#include "platform/FileError.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::TempDir;

// Puts the system's pwrite back when a test ends, whatever happens in it.
struct WriteHook {
  explicit WriteHook(BinaryFile::WriteCall call) { BinaryFile::SetWriteCallForTests(std::move(call)); }
  ~WriteHook() { BinaryFile::SetWriteCallForTests(nullptr); }
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<unsigned char> Ten() { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}; }

TEST(BinaryFile, BytesPastTheEndReadAsZerosWhateverTheBufferHeld) {
  TempDir dir;
  const std::string path = dir.Write("ten.bin", Ten());
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, "ten.bin");

  unsigned char buffer[10];
  std::memset(buffer, 0xCC, sizeof buffer);
  EXPECT_EQ(file.Read(6, buffer, 10), 4u);
  const unsigned char tail[10] = {7, 8, 9, 10, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(buffer, tail, 10), 0);

  std::memset(buffer, 0xCC, sizeof buffer);
  EXPECT_EQ(file.Read(1000, buffer, 10), 0u);
  for (const unsigned char b : buffer) EXPECT_EQ(b, 0);
  // The last position that can be reached.
  std::memset(buffer, 0xCC, sizeof buffer);
  EXPECT_EQ(file.Read(0x7FFFFFFF, buffer, 10), 0u);
  EXPECT_EQ(buffer[9], 0);
}

TEST(BinaryFile, PositionsAtHex80000000OrMoreFailToSeekAndWriteNothing) {
  TempDir dir;
  const std::string path = dir.Write("ten.bin", Ten());
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  unsigned char buffer[4] = {};
  EXPECT_EQ(ErrorOf([&] { file.Read(0x80000000, buffer, 4); }), "Seek failed on an unnamed file");
  EXPECT_EQ(ErrorOf([&] { file.Read(0xFFFFFFFF, buffer, 4); }), "Seek failed on an unnamed file");
  EXPECT_EQ(ErrorOf([&] { file.Write(0x80000000, buffer, 4); }), "Seek failed on an unnamed file");
  EXPECT_EQ(ErrorOf([&] { file.SetLength(0x80000000); }), "Seek failed on an unnamed file");
  EXPECT_EQ(file.Length(), 10u);
  EXPECT_EQ(ReadBytesFromFile(path), Ten());
}

TEST(BinaryFile, ADiskThatFillsUpHalfWayGivesDiskFull) {
  TempDir dir;
  const std::string path = dir.File("out.meta");
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, "out.meta");
  const std::vector<unsigned char> data(100, 0xAB);
  {  // room for 40 bytes, then nothing
    std::size_t room = 40;
    WriteHook hook([&room](int fd, const void* buffer, std::size_t n, std::int64_t offset) -> long {
      const std::size_t put = std::min(n, room);
      room -= put;
      return put == 0 ? 0 : static_cast<long>(::pwrite(fd, buffer, put, offset));
    });
    EXPECT_EQ(ErrorOf([&] { file.Write(0, data.data(), data.size()); }), "Disk full while accessing out.meta.");
  }
  EXPECT_EQ(file.Length(), 40u);
  {  // the system's own answer for a full disk
    WriteHook hook([](int, const void*, std::size_t, std::int64_t) -> long {
      errno = ENOSPC;
      return -1;
    });
    EXPECT_EQ(ErrorOf([&] { file.Write(0, data.data(), data.size()); }), "Disk full while accessing out.meta.");
  }
  {  // short writes are carried on until every byte is down
    WriteHook hook([](int fd, const void* buffer, std::size_t n, std::int64_t offset) -> long {
      return static_cast<long>(::pwrite(fd, buffer, std::min<std::size_t>(n, 7), offset));
    });
    file.Write(0, data.data(), data.size());
  }
  EXPECT_EQ(ReadBytesFromFile(path), data);
}

TEST(BinaryFile, OpenFailuresUseTheToolkitTexts) {
  TempDir dir;
  BinaryFile file;
  EXPECT_EQ(ErrorOf([&] { file.Open(dir.File("none.meta"), BinaryFile::Mode::ReadOnly, "none.meta"); }),
            "none.meta was not found.");
  EXPECT_EQ(ErrorOf([&] { file.Open(dir.File("no/such/folder.meta"), BinaryFile::Mode::CreateTruncate, "x.meta"); }),
            "x.meta was not found.");
  EXPECT_EQ(ErrorOf([&] { file.Open(dir.Path(), BinaryFile::Mode::ReadOnly, "folder"); }),
            "Access to folder was denied.");
  EXPECT_FALSE(file.IsOpen());
  // A handle that never opened fails on its first use.
  unsigned char byte;
  EXPECT_EQ(ErrorOf([&] { file.Read(0, &byte, 1); }), "folder was not found.");
}

TEST(BinaryFile, AReadOnlyFileRefusesWritesAndKeepsItsBytes) {
  TempDir dir;
  const std::string path = dir.Write("ten.bin", Ten());
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, "ten.bin");
  const unsigned char zero[2] = {};
  EXPECT_NE(ErrorOf([&] { file.Write(0, zero, 2); }), "(no error)");
  EXPECT_EQ(ReadBytesFromFile(path), Ten());
}

TEST(BinaryFile, CreateTruncateEmptiesAndSetLengthGrowsWithZerosOrCuts) {
  TempDir dir;
  const std::string path = dir.Write("ten.bin", Ten());
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, "ten.bin");
  EXPECT_EQ(file.Length(), 0u);
  const unsigned char abc[3] = {'a', 'b', 'c'};
  file.Write(2, abc, 3);
  EXPECT_EQ(ReadBytesFromFile(path), (std::vector<unsigned char>{0, 0, 'a', 'b', 'c'}));
  file.SetLength(7);
  EXPECT_EQ(ReadBytesFromFile(path), (std::vector<unsigned char>{0, 0, 'a', 'b', 'c', 0, 0}));
  file.SetLength(3);
  EXPECT_EQ(ReadBytesFromFile(path), (std::vector<unsigned char>{0, 0, 'a'}));
}

TEST(BinaryFile, TwoHandlesOnOneFileSeeEachOthersWritesAtOnce) {
  // The same map open in both panels: a write through one is read by the other.
  TempDir dir;
  const std::string path = dir.Write("ten.bin", Ten());
  BinaryFile first;
  BinaryFile second;
  first.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  second.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  const unsigned char value[2] = {0xEE, 0xFF};
  first.Write(8, value, 2);
  first.Write(12, value, 2);
  unsigned char seen[6];
  EXPECT_EQ(second.Read(8, seen, 6), 6u);
  const unsigned char expected[6] = {0xEE, 0xFF, 0, 0, 0xEE, 0xFF};
  EXPECT_EQ(std::memcmp(seen, expected, 6), 0);
  EXPECT_EQ(second.Length(), 14u);
}

}  // namespace
}  // namespace jov
