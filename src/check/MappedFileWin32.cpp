// The whole-file mapping on Windows: a read-only view of a file opened with
// every share mode, so the map's own read-write handle keeps working.
#include <windows.h>

#include "check/MappedFile.h"
#include "platform/FileError.h"
#include "platform/Win32Text.h"

namespace jov {

MappedFile::MappedFile(const std::string& path) {
  const HANDLE file = ::CreateFileW(win32::WidePath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw FileError(FileError::Cause::NotFound, path);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) {
    ::CloseHandle(file);
    throw FileError(FileError::Cause::NotFound, path);
  }
  m_size = static_cast<std::size_t>(size.QuadPart);
  // An empty file cannot be mapped; it has no bytes to show either.
  if (m_size > 0) {
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (mapping) ::CloseHandle(mapping);
    if (!view) {
      ::CloseHandle(file);
      throw FileError(FileError::Cause::HardIo, path);
    }
    m_data = static_cast<const unsigned char*>(view);
  }
  ::CloseHandle(file);
}

MappedFile::~MappedFile() {
  if (m_data) ::UnmapViewOfFile(m_data);
}

}  // namespace jov
