#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace jov {

// The writer's lock of one map file: whoever holds it is the only JOV (of any
// process, and of any document of this one) writing that map. The executor holds
// it from its precondition check until its step is marked done; readers never
// take it. It is advisory and lives on the map file itself, so every JOV process
// honours it whatever its history folder: flock() on POSIX (held by the open
// file, so closing another handle of the map keeps it); LockFileEx on Windows,
// on one byte past any map's end, because a Windows lock is mandatory for the
// range it covers and a lock on the map's bytes would fail other handles' reads.
// The system drops it when its holder ends, killed or not. (On NFS, Linux makes
// flock a POSIX lock, which closing any handle of the map drops.)
class MapLock {
 public:
  MapLock() = default;
  ~MapLock() { Release(); }
  MapLock(const MapLock&) = delete;
  MapLock& operator=(const MapLock&) = delete;

  // Takes the lock of the file at path, waiting up to wait while another
  // holder has it; false when it was still held then. A file that cannot be
  // opened (or a file system without locks) is not locked and gives true: the
  // caller's own open reports the file's error.
  bool Acquire(const std::string& path, std::chrono::milliseconds wait);
  void Release();
  bool Held() const { return m_handle != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t m_handle = kNone;
};

// How long a second writer waits for the lock before it is refused.
inline constexpr std::chrono::milliseconds kMapLockWait{1000};

}  // namespace jov
