#pragma once
#include <string>

#include "platform/BinaryFile.h"

namespace jov {

// A file a command creates, written whole or not at all: the bytes go to a
// temporary file beside the target, which takes the target's name only when
// Commit() is reached. A command stopped by a full disk, a refusal or a crash
// leaves the user's earlier file as it was (and no temporary file once the
// object is gone). Errors name the target, as the user chose it.
class SaveFile {
 public:
  SaveFile(const std::string& path, const std::string& displayName);
  ~SaveFile();
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  BinaryFile& File() { return m_file; }
  // Flushes the bytes to the disk and renames the temporary file over the target.
  void Commit();

 private:
  std::string m_path;
  std::string m_temporary;
  BinaryFile m_file;
  bool m_committed = false;
};

}  // namespace jov
