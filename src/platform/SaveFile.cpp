#include "platform/SaveFile.h"

#include <atomic>

#include "platform/Process.h"

namespace jov {

namespace {

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".jov-" + std::to_string(CurrentProcess().pid) + "-" + std::to_string(counter++) + ".tmp";
}

}  // namespace

SaveFile::SaveFile(const std::string& path, const std::string& displayName)
    : m_path(path), m_temporary(TemporaryName(path)) {
  // A folder in the target's place is refused before anything is created.
  if (native::IsFolder(path)) throw FileError(FileError::Cause::AccessDenied, displayName);
  m_file.Open(m_temporary, BinaryFile::Mode::CreateTruncate, displayName);
  // The new file keeps the permissions of the one it replaces.
  native::CopyPermissions(path, m_temporary);
}

SaveFile::~SaveFile() {
  if (m_committed) return;
  m_file.Close();
  native::Remove(m_temporary);
}

void SaveFile::Commit() {
  const std::string name = m_file.DisplayName();
  m_file.Sync();
  m_file.Close();
  m_committed = true;
  try {
    native::Replace(m_temporary, m_path, name);
  } catch (...) {
    native::Remove(m_temporary);
    throw;
  }
}

}  // namespace jov
