#pragma once
#include <cstdlib>
#include <filesystem>
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
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/jov-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot make a temporary folder");
    m_path = buffer.data();
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

}  // namespace jov::testing
