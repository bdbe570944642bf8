#pragma once
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "map/SampleMap.h"

namespace jov::testing {

// A fresh folder under the system's temporary folder, removed with everything in
// it when the object goes. Tests run in parallel, so every test makes its own.
class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    // No mkdtemp in the Windows runtime: a random name, made with
    // create_directory, which fails when the name is taken.
    static std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
      const auto candidate = base / ("jov-test-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) m_path = candidate.generic_string();
    }
    if (m_path.empty()) throw std::runtime_error("cannot make a temporary folder");
#else
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/jov-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot make a temporary folder");
    m_path = buffer.data();
#endif
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // The path of a file named name inside the folder (the file is not created).
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  // Writes bytes to a file named name inside the folder and returns its path.
  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    const std::string path = File(name);
    WriteBytesToFile(path, bytes);
    return path;
  }

 private:
  std::string m_path;
};

// Writes bytes over the file at path as another program would, a moment
// later: the same size written within one tick of the file system's coarse
// clock keeps the modification time, so it is moved on by two seconds.
inline void RewriteLater(const std::string& path, const std::vector<unsigned char>& bytes) {
  WriteBytesToFile(path, bytes);
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(2));
}

}  // namespace jov::testing
