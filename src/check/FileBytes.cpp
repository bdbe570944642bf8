#include "check/FileBytes.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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
  // Read in pieces up to what the file holds when each is read: a file cut
  // short meanwhile ends the copy there.
  constexpr std::size_t kPiece = 8u << 20;
  const std::uint64_t length = file.Length();
  m_bytes.resize(static_cast<std::size_t>(length));
  std::size_t done = 0;
  while (done < m_bytes.size()) {
    const std::size_t want = std::min(kPiece, m_bytes.size() - done);
    const std::size_t got = file.Read(done, m_bytes.data() + done, want);
    done += got;
    if (got < want) break;
  }
  m_bytes.resize(done);
}

}  // namespace jov
