#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jov {

// A whole file read into memory for the checks, the CRC and the Xbox
// (de)compression, which read every byte of it. A copy rather than a shared
// mapping: another program that truncates the file while it is checked cannot
// turn a read into a crash (SIGBUS); the check sees the file as it was read.
class FileBytes {
 public:
  // Throws FileError (not found) when path is no regular file that can be read.
  explicit FileBytes(const std::string& path);

  std::span<const unsigned char> Bytes() const { return m_bytes; }

 private:
  std::vector<unsigned char> m_bytes;
};

}  // namespace jov
