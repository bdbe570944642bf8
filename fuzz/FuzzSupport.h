#pragma once
// What the fuzz targets share: a scratch folder on a memory file system, maps
// written there from the fuzzer's bytes, dialogs that answer from those bytes,
// and the checks that turn a wrong outcome into a crash the fuzzer reports.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "platform/BinaryFile.h"
#include "platform/FileError.h"
#include "platform/UserDialogs.h"

namespace jov::fuzz {

// A folder of this process's own under JOV_FUZZ_TMP (run_short.sh points it at a
// fresh folder in /dev/shm) or /dev/shm, removed when the process ends normally.
// (Never destroyed: the exit handler that removes it runs after static destructors.)
inline const std::string& ScratchDir() {
  static const std::string* const dir = [] {
    const char* base = std::getenv("JOV_FUZZ_TMP");
    auto* path = new std::string(std::string(base && *base ? base : "/dev/shm") + "/jov-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(*path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return path;
  }();
  return *dir;
}

inline std::string ScratchFile(const std::string& name) { return ScratchDir() + "/" + name; }

// Aborts with a note: the fuzzer keeps the input that got here.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "jov fuzz check failed: %s\n", what);
  std::abort();
}
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

inline void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, path);
  if (size > 0) file.Write(0, data, size);
}

// Writes a map made of the fuzzer's bytes; false (nothing written) when it is
// left out. A tag count above kMaxFuzzTags is cut to its low bits: an index of
// 65535 entries (zeros past the end of a small file) opens correctly but takes
// seconds under the sanitizers, and the fuzzer would spend its time there; the
// unit tests open such maps. The count may overlap the index offset that places
// it, so the cut is repeated until it holds; a map where it never does is left out.
inline constexpr std::uint16_t kMaxFuzzTags = 16;
inline bool WriteMapFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // Bytes past the end read as zero, for the index offset as for the count.
  const auto at = [&bytes](std::uint64_t i) -> std::uint32_t { return i < bytes.size() ? bytes[i] : 0u; };
  for (int attempt = 0;; ++attempt) {
    const std::uint64_t index = std::uint64_t{at(0x10)} | at(0x11) << 8 | at(0x12) << 16 | std::uint64_t{at(0x13)} << 24;
    const std::uint64_t low = index + 0x0C;
    if ((at(low) | at(low + 1) << 8) <= kMaxFuzzTags) break;
    if (attempt == 4) return false;
    bytes[low] &= kMaxFuzzTags - 1;  // the low byte lies in the file, or the count would be 0
    if (low + 1 < bytes.size()) bytes[low + 1] = 0;
  }
  WriteWholeFile(path, bytes.data(), bytes.size());
  return true;
}

// A file's bytes, at most limit of them (a command that fails may leave a sparse
// file of up to 2 GB behind; its tail is measured, not read).
inline std::vector<unsigned char> ReadWholeFile(const std::string& path, std::uint64_t limit = 1u << 24) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  const std::uint64_t length = file.Length();
  std::vector<unsigned char> bytes(static_cast<std::size_t>(length < limit ? length : limit));
  if (!bytes.empty()) file.Read(0, bytes.data(), bytes.size());
  return bytes;
}

inline std::uint64_t FileLength(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  return file.Length();
}

// The map the patch target plans its patches against; its seeds are patches
// made from this map.
inline SampleMapPlan PatchTargetPlan() { return GenerateSampleMap(kVersionPc, 6, 3, 64); }

// The fuzzer's leading bytes as small choices; zeros once they run out.
class Choices {
 public:
  Choices(const std::uint8_t*& data, std::size_t& size, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) m_bytes.push_back(i < size ? data[i] : 0);
    const std::size_t used = count < size ? count : size;
    data += used;
    size -= used;
  }
  std::uint8_t Byte(std::size_t i) const { return m_bytes[i]; }
  std::uint16_t Word(std::size_t i) const {
    return static_cast<std::uint16_t>(m_bytes[i] | (m_bytes[i + 1] << 8));
  }
  std::uint32_t Dword(std::size_t i) const { return Word(i) | (std::uint32_t{Word(i + 2)} << 16); }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// Pickers answer with fixed paths, the yes/no question with a fixed answer.
class FuzzDialogs : public UserDialogs {
 public:
  std::optional<std::string> openAnswer;
  std::optional<std::string> saveAnswer;
  bool yes = false;
  int messages = 0;
  int questions = 0;

  std::optional<std::string> PickOpenFile(const FileDialogOptions&) override { return openAnswer; }
  std::optional<std::string> PickSaveFile(const FileDialogOptions&) override { return saveAnswer; }
  void ShowMessage(const std::string&) override { ++messages; }
  bool AskYesNo(const std::string&) override {
    ++questions;
    return yes;
  }
  void ShowFileError(const std::string&) override {}
  void ShowValueError(const std::string&) override {}
};

// Every byte outside [at, at + n) is as it was, and the file grew at most to at + n.
inline void CheckOnlyRangeChanged(const std::vector<unsigned char>& before, const std::string& path, std::uint64_t at,
                                  std::uint64_t n, const char* what) {
  const std::uint64_t end = at + n;
  const std::uint64_t lengthAfter = FileLength(path);
  const std::uint64_t allowed = before.size() > end ? before.size() : end;
  Check(lengthAfter >= before.size() && lengthAfter <= allowed, what);
  const std::vector<unsigned char> after = ReadWholeFile(path, before.size());
  for (std::size_t i = 0; i < before.size(); ++i)
    if ((i < at || i >= end) && before[i] != after[i]) Fail(what);
}

}  // namespace jov::fuzz
