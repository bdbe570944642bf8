#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace jov {

// A whole file mapped read-only: the checks and the CRC read every byte they
// need straight from it, and can never read past its end. Writes made to the
// file through other handles (the map's BinaryFile) show through the mapping.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::span<const unsigned char> Bytes() const { return {m_data, m_size}; }

 private:
  const unsigned char* m_data = nullptr;
  std::size_t m_size = 0;
};

}  // namespace jov
