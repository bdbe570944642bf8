// POSIX side of the file layer: positioned reads and writes on descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/BinaryFile.h"
#include "platform/NativeFile.h"

namespace jov {

namespace {

[[noreturn]] void FailWith(int error, const std::string& name) {
  throw FileError(FileError::CauseOfError(error), name);
}

int Fd(native::Handle handle) { return static_cast<int>(handle); }

}  // namespace


FileStamp FileStamp::Of(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  FileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.changedNs = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  return stamp;
}

namespace native {

Handle Open(const std::string& path, OpenMode mode, const std::string& name) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::ReadOnly: flags |= O_RDONLY; break;
    case OpenMode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) FailWith(errno, name);
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw FileError(FileError::Cause::AccessDenied, name);
  }
  return fd;
}

void Close(Handle handle) { ::close(Fd(handle)); }

std::size_t ReadAt(Handle handle, std::uint64_t offset, void* buffer, std::size_t n, const std::string& name) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(Fd(handle), out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      FailWith(errno, name);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void WriteAt(Handle handle, std::uint64_t offset, const void* buffer, std::size_t n, const std::string& name) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const auto at = static_cast<std::int64_t>(offset + done);
    const long put = native::WriteCallHook() ? native::WriteCallHook()(Fd(handle), in + done, n - done, at)
                                     : ::pwrite(Fd(handle), in + done, n - done, at);
    if (put < 0) {
      if (errno == EINTR) continue;
      FailWith(errno, name);
    }
    if (put == 0) throw FileError(FileError::Cause::DiskFull, name);
    done += static_cast<std::size_t>(put);
  }
}

std::uint64_t Length(Handle handle, const std::string& name) {
  struct stat info {};
  if (::fstat(Fd(handle), &info) != 0) FailWith(errno, name);
  return static_cast<std::uint64_t>(info.st_size);
}

void SetLength(Handle handle, std::uint64_t length, const std::string& name) {
  if (::ftruncate(Fd(handle), static_cast<off_t>(length)) != 0) FailWith(errno, name);
}

void Sync(Handle handle, const std::string& name) {
  const int status = native::SyncCallHook() ? native::SyncCallHook()(Fd(handle)) : ::fsync(Fd(handle));
  if (status != 0) FailWith(errno, name);
}

}  // namespace native

}  // namespace jov
