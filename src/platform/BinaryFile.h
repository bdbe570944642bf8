#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileError.h"
#include "platform/NativeFile.h"
#include "platform/WriteStage.h"

namespace jov {

// A file by handle, read and written with positioned calls (pread/pwrite): every
// write reaches the operating system at once, and the same map open in both panels
// stays coherent. Positions are signed 32-bit as the map tools have always had them:
// an offset of 0x80000000 or more cannot be positioned to ("Seek failed on %1").
// Bytes read past the end of the file come back as zeros.
// What identifies a file's state on disk: which file (device and inode) and
// when it was last changed. Two stamps differ when the file was written or
// replaced in between, by this program or another one.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
  bool SameFile(const FileStamp& other) const { return device == other.device && inode == other.inode; }
  // The stamp of the file at path; all zeros when there is none.
  static FileStamp Of(const std::string& path);
};

class BinaryFile {
 public:
  enum class Mode {
    ReadWrite,       // map files: shared with other programs
    ReadOnly,        // .meta and tag files read by a command
    CreateTruncate,  // files a command writes; an existing file is emptied
    CreateNew,       // a file that must not exist yet (FileError when it does)
  };

  BinaryFile() = default;
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;

  // displayName is what %1 reads in this file's errors.
  void Open(const std::string& path, Mode mode, const std::string& displayName);
  void Close();
  bool IsOpen() const { return m_handle != native::kNoHandle; }
  const std::string& DisplayName() const { return m_displayName; }
  // The path the file was opened with.
  const std::string& Path() const { return m_path; }
  // While a stage is installed, writes and length changes go to it instead of
  // the file, and reads see the file through it (a command being planned).
  void SetStage(WriteStage* stage) { m_stage = stage; }
  WriteStage* Stage() const { return m_stage; }
  // A map the editor or jov-cli opened is written by the executor alone,
  // through a handle of its own: a write or a length change through this one
  // outside a stage is a program error (std::logic_error), never the user's.
  // Kept across Open and Close.
  void RequireStage() { m_requireStage = true; }
  // Bypass the stage: what the file itself holds.
  std::size_t ReadUnstaged(std::uint64_t offset, void* buffer, std::size_t n) const;
  std::uint64_t LengthUnstaged() const;

  // Fills n bytes from offset; bytes past the end of the file are zero.
  // Returns how many bytes came from the file.
  std::size_t Read(std::uint64_t offset, void* buffer, std::size_t n) const;
  // n bytes from offset, zeros past the end.
  std::vector<unsigned char> ReadBytes(std::uint64_t offset, std::uint64_t n) const;
  void Write(std::uint64_t offset, const void* buffer, std::size_t n);
  std::uint64_t Length() const;
  void SetLength(std::uint64_t length);
  // Waits until the written bytes are on the disk.
  void Sync();

  // Tests replace the system's pwrite (and fsync) to simulate a disk that fills
  // up half-way; a hook returns -1 with errno set to fail. POSIX builds only.
  using WriteCall = native::WriteCall;
  static void SetWriteCallForTests(WriteCall call);
  using SyncCall = native::SyncCall;
  static void SetSyncCallForTests(SyncCall call);

  static constexpr std::uint64_t kMaxPosition = 0x7FFFFFFF;

 private:
  void RequireOpen() const;
  void CheckPosition(std::uint64_t offset) const;
  void RefuseUnplannedWrite() const;
  [[noreturn]] void Fail(FileError::Cause cause) const;

  native::Handle m_handle = native::kNoHandle;
  std::string m_displayName;
  std::string m_path;
  WriteStage* m_stage = nullptr;
  bool m_requireStage = false;
};

}  // namespace jov
