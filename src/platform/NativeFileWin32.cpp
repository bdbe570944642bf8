// Windows side of the file layer: handles opened with every share mode, so the
// same map can be open twice in JOV (and in a game that shares it), and
// positioned reads and writes through OVERLAPPED offsets.
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/BinaryFile.h"
#include "platform/NativeFile.h"
#include "platform/Win32Text.h"

namespace jov {

namespace {

[[noreturn]] void FailWith(DWORD error, const std::string& name) { throw FileError(win32::CauseOfError(error), name); }

HANDLE H(native::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

// ReadFile and WriteFile take a DWORD count: large requests go in pieces.
constexpr std::size_t kMaxPiece = 1u << 30;

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

std::int64_t FileTimeNs(const LARGE_INTEGER& time) { return time.QuadPart * 100; }

}  // namespace

namespace {

// The hooks stand for pwrite and fsync: they get the handle as a descriptor
// (Windows keeps handle values within 32 bits) and fail with errno.
int Descriptor(native::Handle handle) { return static_cast<int>(handle); }

}  // namespace


FileStamp FileStamp::Of(const std::string& path) {
  // No access rights asked: the stamp of a file another program has locked
  // can still be read. A folder needs backup semantics to be opened at all.
  const HANDLE handle = ::CreateFileW(win32::WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  FileStamp stamp;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO times{};
  if (::GetFileInformationByHandle(handle, &info)) {
    // The volume's serial number and the file's index are what device and
    // inode are on POSIX: the same file, whatever name it was reached by.
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
      stamp.modifiedNs = FileTimeNs(times.LastWriteTime);
      stamp.changedNs = FileTimeNs(times.ChangeTime);
    } else {
      LARGE_INTEGER written;
      written.LowPart = info.ftLastWriteTime.dwLowDateTime;
      written.HighPart = static_cast<LONG>(info.ftLastWriteTime.dwHighDateTime);
      stamp.modifiedNs = stamp.changedNs = FileTimeNs(written);
    }
  }
  ::CloseHandle(handle);
  return stamp;
}

namespace native {

Handle Open(const std::string& path, OpenMode mode, const std::string& name) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if (mode == OpenMode::ReadOnly) access = GENERIC_READ;
  if (mode == OpenMode::CreateTruncate) disposition = CREATE_ALWAYS;
  if (mode == OpenMode::CreateNew) disposition = CREATE_NEW;
  const HANDLE handle =
      ::CreateFileW(win32::WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  // A folder fails here with ERROR_ACCESS_DENIED, as POSIX's EISDIR is read.
  if (handle == INVALID_HANDLE_VALUE) FailWith(::GetLastError(), name);
  return reinterpret_cast<Handle>(handle);
}

void Close(Handle handle) { ::CloseHandle(H(handle)); }

std::size_t ReadAt(Handle handle, std::uint64_t offset, void* buffer, std::size_t n, const std::string& name) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at = At(offset + done);
    DWORD got = 0;
    const auto piece = static_cast<DWORD>(std::min(n - done, kMaxPiece));
    if (!::ReadFile(H(handle), out + done, piece, &got, &at)) {
      const DWORD error = ::GetLastError();
      // A positioned read at or past the end says so instead of reading 0 bytes.
      if (error == ERROR_HANDLE_EOF) break;
      FailWith(error, name);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

void WriteAt(Handle handle, std::uint64_t offset, const void* buffer, std::size_t n, const std::string& name) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const auto piece = static_cast<DWORD>(std::min(n - done, kMaxPiece));
    DWORD put = 0;
    if (native::WriteCallHook()) {
      const long hooked = native::WriteCallHook()(Descriptor(handle), in + done, piece, static_cast<std::int64_t>(offset + done));
      if (hooked < 0) throw FileError(FileError::CauseOfError(errno), name);
      put = static_cast<DWORD>(hooked);
    } else {
      OVERLAPPED at = At(offset + done);
      if (!::WriteFile(H(handle), in + done, piece, &put, &at)) FailWith(::GetLastError(), name);
    }
    if (put == 0) throw FileError(FileError::Cause::DiskFull, name);
    done += put;
  }
}

std::uint64_t Length(Handle handle, const std::string& name) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(H(handle), &size)) FailWith(::GetLastError(), name);
  return static_cast<std::uint64_t>(size.QuadPart);
}

void SetLength(Handle handle, std::uint64_t length, const std::string& name) {
  // Reads and writes carry their own offsets, so moving the file pointer to
  // the new end disturbs nothing.
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(length);
  if (!::SetFilePointerEx(H(handle), to, nullptr, FILE_BEGIN) || !::SetEndOfFile(H(handle)))
    FailWith(::GetLastError(), name);
}

void Sync(Handle handle, const std::string& name) {
  if (native::SyncCallHook()) {
    if (native::SyncCallHook()(Descriptor(handle)) != 0) throw FileError(FileError::CauseOfError(errno), name);
    return;
  }
  if (!::FlushFileBuffers(H(handle))) FailWith(::GetLastError(), name);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(win32::WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CopyPermissions(const std::string&, const std::string&) {}

bool Remove(const std::string& path) { return ::DeleteFileW(win32::WidePath(path).c_str()) != 0; }

void SyncFolder(const std::string&) {}

void Replace(const std::string& temporary, const std::string& target, const std::string& name) {
  // MoveFileExW replaces in one step whether or not the target exists
  // (ReplaceFileW needs one); write-through returns once the new name is on
  // the disk. A target held open without FILE_SHARE_DELETE refuses.
  if (!::MoveFileExW(win32::WidePath(temporary).c_str(), win32::WidePath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    FailWith(::GetLastError(), name);
}

}  // namespace native

}  // namespace jov
