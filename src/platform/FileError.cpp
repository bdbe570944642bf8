#include "platform/FileError.h"

#include <cerrno>

namespace jov {

FileError::Cause FileError::CauseOfError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return Cause::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY: return Cause::AccessDenied;
    case ENOSPC:
#ifdef EDQUOT  // not in the Windows C runtime
    case EDQUOT:
#endif
    case EFBIG: return Cause::DiskFull;
    case EIO: return Cause::HardIo;
    default: return Cause::Generic;
  }
}

namespace {

const char* TemplateFor(FileError::Cause cause) {
  switch (cause) {
    case FileError::Cause::NotFound: return "%1 was not found.";
    case FileError::Cause::AccessDenied: return "Access to %1 was denied.";
    case FileError::Cause::BadSeek: return "Seek failed on %1";
    case FileError::Cause::HardIo: return "A hardware I/O error was reported while accessing %1.";
    case FileError::Cause::DiskFull: return "Disk full while accessing %1.";
    case FileError::Cause::EndOfFile: return "An attempt was made to access %1 past its end.";
    case FileError::Cause::NotRegularFile: return "%1 is not a regular file.";
    case FileError::Cause::InUse: return "%1 is in use by another program that does not allow it to be changed.";
    case FileError::Cause::Generic: break;
  }
  return "An unknown error occurred while accessing %1.";
}

}  // namespace

std::string FileError::TextFor(Cause cause, const std::string& fileName) {
  std::string text = TemplateFor(cause);
  const auto at = text.find("%1");
  text.replace(at, 2, fileName);
  return text;
}

FileError::FileError(Cause cause, const std::string& fileName)
    : std::runtime_error(TextFor(cause, fileName)), m_cause(cause) {}

}  // namespace jov
