#include "platform/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace jov {

namespace {

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".jov-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

}  // namespace

SaveFile::SaveFile(const std::string& path, const std::string& displayName)
    : m_path(path), m_temporary(TemporaryName(path)) {
  // A folder in the target's place is refused before anything is created.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    throw FileError(FileError::Cause::AccessDenied, displayName);
  m_file.Open(m_temporary, BinaryFile::Mode::CreateTruncate, displayName);
  // The new file keeps the permissions of the one it replaces.
  if (::stat(path.c_str(), &info) == 0) ::chmod(m_temporary.c_str(), info.st_mode & 07777);
}

SaveFile::~SaveFile() {
  if (m_committed) return;
  m_file.Close();
  std::remove(m_temporary.c_str());
}

void SaveFile::Commit() {
  const std::string name = m_file.DisplayName();
  m_file.Sync();
  m_file.Close();
  if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
    const int error = errno;
    std::remove(m_temporary.c_str());
    m_committed = true;
    throw FileError(FileError::CauseOfError(error), name);
  }
  m_committed = true;
}

}  // namespace jov
