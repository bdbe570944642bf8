// The map's writer lock on POSIX: flock() on a descriptor of the map file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/MapLock.h"

namespace jov {

namespace {

// Tries once: 1 taken, 0 held by another, -1 the system cannot lock this file.
int TryLock(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? 0 : -1;
  }
}

}  // namespace

bool MapLock::Acquire(const std::string& path, std::chrono::milliseconds wait) {
  Release();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  // Polled: a blocking flock cannot be given a time limit. The pause grows from
  // 1 ms to 8 ms, so a short command of the other writer is not waited for long.
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int got = TryLock(fd);
    if (got != 0) {
      if (got < 0) {
        ::close(fd);
        return true;
      }
      m_handle = fd;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(8));
  }
}

void MapLock::Release() {
  if (m_handle == kNone) return;
  // Closing the descriptor drops its lock.
  ::close(static_cast<int>(m_handle));
  m_handle = kNone;
}

}  // namespace jov
