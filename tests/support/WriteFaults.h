#pragma once
// Faults in the writes that reach one file, through BinaryFile's write seam: the
// file turned read-only, a disk that fills up after so many bytes, or a log of
// what a command writes. Writes to every other file go through untouched.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/BinaryFile.h"

namespace jov::testing {

// The path an open descriptor refers to, as the system names it.
inline std::string PathOfDescriptor(int fd) {
#ifdef _WIN32
  wchar_t name[32768];
  const DWORD n = ::GetFinalPathNameByHandleW(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)), name, 32768,
                                              FILE_NAME_NORMALIZED);
  if (n == 0 || n >= 32768) return {};
  std::wstring path(name, n);
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  std::error_code error;
  return std::filesystem::weakly_canonical(std::filesystem::path(path), error).string();
#else
  char link[PATH_MAX + 1];
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(proc.c_str(), link, PATH_MAX);
  return n < 0 ? std::string() : std::string(link, static_cast<std::size_t>(n));
#endif
}

// One write as the command asked for it.
struct WriteRecord {
  std::int64_t offset;
  std::vector<unsigned char> bytes;
};

// Installs a write hook for its lifetime, for writes to the file at path only.
class WriteFault {
 public:
  // Every write to the file fails with error (EACCES, EROFS, ...), nothing written.
  static WriteFault Failing(const std::string& path, int error) {
    WriteFault fault(path);
    fault.m_state->error = error;
    fault.m_state->budget = 0;
    return fault;
  }
  // The first budget bytes written to the file get there; then the disk is full
  // (ENOSPC), in the middle of a write when the budget ends there.
  static WriteFault DiskFullAfter(const std::string& path, std::size_t budget) {
    WriteFault fault(path);
    fault.m_state->error = ENOSPC;
    fault.m_state->budget = budget;
    return fault;
  }
  // Every write goes through and is logged.
  static WriteFault Recording(const std::string& path) {
    WriteFault fault(path);
    fault.m_state->record = true;
    return fault;
  }

  WriteFault(WriteFault&& other) noexcept : m_state(other.m_state) { other.m_state = nullptr; }
  WriteFault(const WriteFault&) = delete;
  WriteFault& operator=(const WriteFault&) = delete;
  ~WriteFault() {
    if (!m_state) return;
    BinaryFile::SetWriteCallForTests(nullptr);
    delete m_state;
  }

  const std::vector<WriteRecord>& Log() const { return m_state->log; }
  // How many bytes the writes to the file asked for in all.
  std::size_t BytesAsked() const { return m_state->asked; }

 private:
  struct State {
    std::string path;
    int error = 0;
    std::size_t budget = SIZE_MAX;
    bool record = false;
    std::vector<WriteRecord> log;
    std::size_t asked = 0;
  };

  explicit WriteFault(const std::string& path) : m_state(new State) {
    m_state->path = std::filesystem::weakly_canonical(path).string();
    State* state = m_state;
    BinaryFile::SetWriteCallForTests([state](int fd, const void* buffer, std::size_t n, std::int64_t offset) -> long {
      const std::string target = PathOfDescriptor(fd);
      // A file a command creates is written to a temporary file beside it first
      // (path.jov-*), which the fault hits as well.
      const bool hit = target == state->path || target == state->path + " (deleted)" ||
                       target.rfind(state->path + ".jov-", 0) == 0;
      if (!hit) return ::pwrite(fd, buffer, n, offset);
      state->asked += n;
      if (state->record) {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        state->log.push_back({offset, std::vector<unsigned char>(bytes, bytes + n)});
        return ::pwrite(fd, buffer, n, offset);
      }
      if (state->budget == 0) {
        errno = state->error;
        return -1;
      }
      const std::size_t part = n < state->budget ? n : state->budget;
      const ssize_t put = ::pwrite(fd, buffer, part, offset);
      if (put > 0) state->budget -= static_cast<std::size_t>(put);
      return put;
    });
  }

  State* m_state;
};

// bytes with the first budget bytes of the logged writes applied, in order: what
// a file holds after the same command met a full disk at that point.
inline std::vector<unsigned char> ApplyWrites(std::vector<unsigned char> bytes, const std::vector<WriteRecord>& log,
                                              std::size_t budget) {
  for (const WriteRecord& write : log) {
    for (std::size_t k = 0; k < write.bytes.size() && budget > 0; ++k, --budget) {
      const auto at = static_cast<std::size_t>(write.offset) + k;
      if (at >= bytes.size()) bytes.resize(at + 1, 0);
      bytes[at] = write.bytes[k];
    }
  }
  return bytes;
}

}  // namespace jov::testing
