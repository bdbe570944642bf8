#include "platform/BinaryFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jov {

namespace {

BinaryFile::WriteCall& WriteCallHook() {
  static BinaryFile::WriteCall hook;
  return hook;
}

WriteJournal*& JournalSlot() {
  static WriteJournal* journal = nullptr;
  return journal;
}

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

BinaryFile::~BinaryFile() { Close(); }

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : m_fd(other.m_fd),
      m_displayName(std::move(other.m_displayName)),
      m_path(std::move(other.m_path)),
      m_journaled(other.m_journaled) {
  other.m_fd = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    m_displayName = std::move(other.m_displayName);
    m_path = std::move(other.m_path);
    m_journaled = other.m_journaled;
    other.m_fd = -1;
  }
  return *this;
}

void BinaryFile::Open(const std::string& path, Mode mode, const std::string& displayName) {
  Close();
  m_displayName = displayName;
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) Fail(FileError::CauseOfError(errno));
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    Fail(FileError::Cause::AccessDenied);
  }
  m_fd = fd;
  m_path = path;
  m_journaled = mode == Mode::ReadWrite;
}

void BinaryFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void BinaryFile::RequireOpen() const {
  // A handle that never opened fails on its first use, as the toolkit's files do.
  if (m_fd < 0) Fail(FileError::Cause::NotFound);
}

void BinaryFile::CheckPosition(std::uint64_t offset) const {
  if (offset > kMaxPosition) Fail(FileError::Cause::BadSeek);
}

void BinaryFile::Fail(FileError::Cause cause) const { throw FileError(cause, m_displayName); }

std::size_t BinaryFile::Read(std::uint64_t offset, void* buffer, std::size_t n) const {
  RequireOpen();
  CheckPosition(offset);
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(FileError::CauseOfError(errno));
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  // An empty read may come with a null buffer (an empty vector's data()),
  // which memset must never be given.
  if (done < n) std::memset(out + done, 0, n - done);
  return done;
}

void BinaryFile::Write(std::uint64_t offset, const void* buffer, std::size_t n) {
  RequireOpen();
  CheckPosition(offset);
  // The whole range must be addressable, not just its start.
  if (n > 0) CheckPosition(offset + n - 1);
  if (n > 0 && m_journaled && JournalSlot()) JournalSlot()->BeforeWrite(*this, offset, buffer, n);
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const auto at = static_cast<std::int64_t>(offset + done);
    const long put = WriteCallHook() ? WriteCallHook()(m_fd, in + done, n - done, at)
                                     : ::pwrite(m_fd, in + done, n - done, at);
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail(FileError::CauseOfError(errno));
    }
    if (put == 0) Fail(FileError::Cause::DiskFull);
    done += static_cast<std::size_t>(put);
  }
}

std::uint64_t BinaryFile::Length() const {
  RequireOpen();
  struct stat info {};
  if (::fstat(m_fd, &info) != 0) Fail(FileError::CauseOfError(errno));
  return static_cast<std::uint64_t>(info.st_size);
}

void BinaryFile::SetLength(std::uint64_t length) {
  RequireOpen();
  CheckPosition(length);
  if (m_journaled && JournalSlot()) JournalSlot()->BeforeSetLength(*this, length);
  if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) Fail(FileError::CauseOfError(errno));
}

void BinaryFile::Sync() {
  RequireOpen();
  if (::fsync(m_fd) != 0) Fail(FileError::CauseOfError(errno));
}

void BinaryFile::SetWriteCallForTests(WriteCall call) { WriteCallHook() = std::move(call); }

void BinaryFile::SetJournal(WriteJournal* journal) { JournalSlot() = journal; }

WriteJournal* BinaryFile::Journal() { return JournalSlot(); }

}  // namespace jov
