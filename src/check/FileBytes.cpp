#include "check/FileBytes.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/BinaryFile.h"
#include "platform/PathText.h"

namespace jov {

FileBytes::FileBytes(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(PathFromUtf8(path), error)) throw FileError(FileError::Cause::NotFound, path);
  BinaryFile file;
  try {
    file.Open(path, BinaryFile::Mode::ReadOnly, path);
  } catch (const FileError&) {
    throw FileError(FileError::Cause::NotFound, path);
  }
  const auto length = static_cast<std::size_t>(file.Length());
  m_bytes.reset(new unsigned char[std::max<std::size_t>(length, 1)]);
  m_chunkCrcs.assign(length / kChunk, 0);

  // Pieces of 8 chunks taken in turn by two readers. A file cut short
  // meanwhile ends the copy where the first piece came back short.
  constexpr std::size_t kPiece = 8 * kChunk;
  const std::size_t pieces = (length + kPiece - 1) / kPiece;
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> end{length};
  std::exception_ptr failure;
  std::atomic<bool> failed{false};
  const auto reader = [&] {
    try {
      for (std::size_t p = next++; p < pieces && !failed; p = next++) {
        const std::size_t from = p * kPiece;
        const std::size_t want = std::min(kPiece, length - from);
        const std::size_t got = file.ReadUnstaged(from, m_bytes.get() + from, want);
        if (got < want) {
          for (std::size_t seen = end.load(); from + got < seen && !end.compare_exchange_weak(seen, from + got);) {
          }
        }
        for (std::size_t k = from / kChunk; (k + 1) * kChunk <= from + got; ++k)
          m_chunkCrcs[k] = static_cast<std::uint32_t>(crc32(0, m_bytes.get() + k * kChunk, static_cast<uInt>(kChunk)));
      }
    } catch (...) {
      if (!failed.exchange(true)) failure = std::current_exception();
    }
  };
  if (pieces > 1) {
    std::thread second(reader);
    reader();
    second.join();
  } else {
    reader();
  }
  if (failure) std::rethrow_exception(failure);
  m_length = end;
  m_chunkCrcs.resize(m_length / kChunk);
}

}  // namespace jov
