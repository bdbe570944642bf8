#pragma once
// Windows only: JOV keeps paths and texts in UTF-8; the wide (-W) Win32 calls
// take UTF-16. Every conversion goes through these.
#include <string>

#include "platform/FileError.h"

namespace jov::win32 {

// UTF-8 to UTF-16 and back (invalid sequences become U+FFFD).
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// A path for the wide file calls. One too long for MAX_PATH is made absolute
// and given the \\?\ prefix (\\?\UNC\ for a share), which lifts the limit;
// '/' separators become '\', which prefixed paths require.
std::wstring WidePath(const std::string& utf8);
// The one spelling of an existing file or folder, whatever spelling reached
// it: long names for short ones, each name in the letter case it has on disk,
// links resolved, without the \\?\ prefix (\\server\share for a share).
// Empty when it cannot be opened.
std::string FinalPath(const std::string& utf8);
// The FileError cause a Win32 error code (GetLastError) stands for.
FileError::Cause CauseOfError(unsigned long error);

}  // namespace jov::win32
