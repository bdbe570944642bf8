#pragma once
#include <stdexcept>
#include <string>

namespace jov {

// A file error as the toolkit reports it: the cause picks a fixed text in which
// %1 stands for the file's name. Map files are opened without a name, so their
// errors read "an unnamed file".
class FileError : public std::runtime_error {
 public:
  enum class Cause {
    Generic,
    NotFound,
    AccessDenied,
    BadSeek,
    HardIo,
    DiskFull,
    EndOfFile,
    NotRegularFile,
    InUse,  // another program holds the file open and shares no writing
  };

  FileError(Cause cause, const std::string& fileName);

  Cause cause() const { return m_cause; }

  static std::string TextFor(Cause cause, const std::string& fileName);
  // The cause the system's error number (errno) stands for.
  static Cause CauseOfError(int error);

 private:
  Cause m_cause;
};

inline constexpr const char* kUnnamedFile = "an unnamed file";

}  // namespace jov
