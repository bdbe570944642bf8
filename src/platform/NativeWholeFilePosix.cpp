// POSIX side of the whole-file calls SaveFile uses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/NativeFile.h"

namespace jov::native {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CopyPermissions(const std::string& source, const std::string& to) {
  struct stat info {};
  if (::stat(source.c_str(), &info) == 0) ::chmod(to.c_str(), info.st_mode & 07777);
}

bool Remove(const std::string& path) { return std::remove(path.c_str()) == 0; }

void Replace(const std::string& temporary, const std::string& target, const std::string& name) {
  if (std::rename(temporary.c_str(), target.c_str()) != 0) throw FileError(FileError::CauseOfError(errno), name);
  // The new name lives in the folder; one that cannot be synced still has the
  // file renamed, so that is not an error.
  const auto slash = target.rfind('/');
  SyncFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash));
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace jov::native
