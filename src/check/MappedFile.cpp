#include "check/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileError.h"

namespace jov {

MappedFile::MappedFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(FileError::Cause::NotFound, path);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileError(FileError::Cause::NotFound, path);
  }
  m_size = static_cast<std::size_t>(st.st_size);
  if (m_size > 0) {
    void* p = ::mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      ::close(fd);
      throw FileError(FileError::Cause::HardIo, path);
    }
    m_data = static_cast<const unsigned char*>(p);
  }
  ::close(fd);
}

MappedFile::~MappedFile() {
  if (m_data) ::munmap(const_cast<unsigned char*>(m_data), m_size);
}

}  // namespace jov
