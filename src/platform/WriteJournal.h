#pragma once
#include <cstddef>
#include <cstdint>

namespace jov {

class BinaryFile;

// Where map writes are recorded before they reach the file: the edit history
// installs one for the whole process (BinaryFile::SetJournal). It sees every
// write and length change of every file opened for read and write (map files);
// files a command creates are not recorded.
//
// BeforeWrite runs before the bytes reach the file, so the journal can keep what
// they replace first (write-ahead). A journal that cannot record does not stop
// the write: it turns itself off and says why, and the edit goes on.
class WriteJournal {
 public:
  virtual ~WriteJournal() = default;
  virtual void BeforeWrite(const BinaryFile& file, std::uint64_t offset, const void* data, std::size_t n) = 0;
  virtual void BeforeSetLength(const BinaryFile& file, std::uint64_t length) = 0;
};

}  // namespace jov
