#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace jov {

// A whole file read into memory for the checks, the CRC and the Xbox
// (de)compression, which read every byte of it. A copy rather than a shared
// mapping: another program that truncates the file while it is checked cannot
// turn a read into a crash (SIGBUS); the check sees the file as it was read.
//
// Two threads read it, and each takes the CRC-32 of every whole chunk it has
// just read while the bytes are still in the cache: a region's CRC is then
// put together from the chunks' (zlib's crc32_combine) instead of a second
// pass over hundreds of megabytes.
class FileBytes {
 public:
  static constexpr std::size_t kChunk = 1u << 20;

  // Throws FileError (not found) when path is no regular file that can be read.
  explicit FileBytes(const std::string& path);

  std::span<const unsigned char> Bytes() const { return {m_bytes.get(), m_length}; }
  // zlib's CRC-32 of chunk k (bytes [k * kChunk, (k + 1) * kChunk)), for every
  // whole chunk of the file.
  std::span<const std::uint32_t> ChunkCrcs() const { return m_chunkCrcs; }

 private:
  // Not zero-filled first: every byte is read over before it is used.
  std::unique_ptr<unsigned char[]> m_bytes;
  std::size_t m_length = 0;
  std::vector<std::uint32_t> m_chunkCrcs;
};

}  // namespace jov
