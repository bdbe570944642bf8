#pragma once
// Windows test builds only (included ahead of every test source): the few
// POSIX calls the shared test sources use, over Win32. Descriptors here are
// the file layer's handles as BinaryFile's write and sync hooks pass them.
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && std::getenv(name)) return 0;
  return ::_putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return ::_putenv_s(name, "") == 0 ? 0 : -1; }

// pattern ends in XXXXXX, which becomes a name no file has yet.
inline char* mkdtemp(char* pattern) {
  const std::size_t n = std::strlen(pattern);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned value = static_cast<unsigned>(::GetTickCount64() * 2654435761u + static_cast<unsigned>(attempt) * 40503u +
                                                 ::GetCurrentProcessId());
    for (std::size_t i = 0; i < 6; ++i) pattern[n - 6 + i] = "abcdefghijklmnopqrstuvwxyz0123456789"[(value >> (i * 5)) % 36];
    if (::_mkdir(pattern) == 0) return pattern;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

inline long pwrite(int fd, const void* buffer, std::size_t n, std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD put = 0;
  if (!::WriteFile(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)), buffer, static_cast<DWORD>(n), &put, &at)) {
    const DWORD error = ::GetLastError();
    errno = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
    return -1;
  }
  return static_cast<long>(put);
}

inline int fsync(int fd) {
  if (::FlushFileBuffers(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)))) return 0;
  errno = EIO;
  return -1;
}

// mkdir(path, mode): Windows has no permission bits to give.
inline int mkdir(const char* path, int) { return ::_mkdir(path); }

// truncate with a 64-bit length (the runtime's takes a 32-bit one).
inline int truncate(const char* path, long long length) {
  const HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    errno = ENOENT;
    return -1;
  }
  LARGE_INTEGER to{};
  to.QuadPart = length;
  const bool done = ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
  ::CloseHandle(file);
  if (done) return 0;
  errno = EIO;
  return -1;
}

// No fork on Windows: the tests that need one skip before they get here.
inline int fork() {
  errno = ENOSYS;
  return -1;
}
inline int waitpid(int, int*, int) {
  errno = ECHILD;
  return -1;
}
#define WIFEXITED(status) ((status) >= 0)
#define WEXITSTATUS(status) (status)
#endif
