// The map's writer lock on Windows: LockFileEx on one byte of the map file past
// its end. Windows locks are mandatory for the bytes they cover (another
// handle's ReadFile there fails), so the map's own bytes are never locked: the
// byte is at 0xFFFFFFFE, which no map reaches (positions are 31 bits), and a lock
// past the end of a file is allowed. A 32-bit offset, so file systems and
// shares that lock only such offsets still lock it.
#include <windows.h>

#include <algorithm>
#include <thread>

#include "platform/MapLock.h"
#include "platform/Win32Text.h"

namespace jov {

namespace {

constexpr DWORD kLockOffset = 0xFFFFFFFE;

HANDLE OpenForLock(const std::string& path) {
  return ::CreateFileW(win32::WidePath(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Tries once: 1 taken, 0 held by another, -1 the system cannot lock this file.
int TryLock(HANDLE handle) {
  OVERLAPPED at{};
  at.Offset = kLockOffset;
  if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 1;
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? 0 : -1;
}

}  // namespace

bool MapLock::Acquire(const std::string& path, std::chrono::milliseconds wait) {
  Release();
  const HANDLE handle = OpenForLock(path);
  if (handle == INVALID_HANDLE_VALUE) return true;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int got = TryLock(handle);
    if (got != 0) {
      if (got < 0) {
        ::CloseHandle(handle);
        return true;
      }
      m_handle = reinterpret_cast<std::intptr_t>(handle);
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::CloseHandle(handle);
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(8));
  }
}

void MapLock::Release() {
  if (m_handle == kNone) return;
  // Closing the last handle drops its locks (the system may do so later than
  // the close returns; unlocking first makes it at once).
  const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
  OVERLAPPED at{};
  at.Offset = kLockOffset;
  ::UnlockFileEx(handle, 0, 1, 0, &at);
  ::CloseHandle(handle);
  m_handle = kNone;
}

}  // namespace jov
