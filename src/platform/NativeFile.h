#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/FileError.h"

// The system calls behind BinaryFile, one implementation per system
// (NativeFilePosix.cpp, NativeFileWin32.cpp). Every call that fails throws
// FileError with the cause the system's error stands for and the given name.
namespace jov::native {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// CreateNew fails when the file exists: it never empties one.
enum class OpenMode { ReadWrite, ReadOnly, CreateTruncate, CreateNew };

// What tests put in place of the system's pwrite and fsync (a disk that
// fills up, a process killed between two writes); empty: the system's own.
using WriteCall = std::function<long(int fd, const void* buffer, std::size_t n, std::int64_t offset)>;
using SyncCall = std::function<int(int fd)>;
WriteCall& WriteCallHook();
SyncCall& SyncCallHook();

// A folder is refused as AccessDenied. paths are UTF-8.
Handle Open(const std::string& path, OpenMode mode, const std::string& name);
void Close(Handle handle);
// Reads up to n bytes at offset; fewer only at the end of the file.
std::size_t ReadAt(Handle handle, std::uint64_t offset, void* buffer, std::size_t n, const std::string& name);
// Writes all n bytes at offset (a full disk part-way throws DiskFull).
void WriteAt(Handle handle, std::uint64_t offset, const void* buffer, std::size_t n, const std::string& name);
std::uint64_t Length(Handle handle, const std::string& name);
void SetLength(Handle handle, std::uint64_t length, const std::string& name);
// Waits until the file's bytes are on the disk.
void Sync(Handle handle, const std::string& name);

// Whole files by path, for the whole-file writer (SaveFile).
bool IsFolder(const std::string& path);
// Gives to the permissions of source (when it exists); Windows files take
// their folder's, so nothing is copied there.
void CopyPermissions(const std::string& source, const std::string& to);
// Removes a file; false when it could not be removed.
bool Remove(const std::string& path);
// Makes the names in a folder (a file just created or renamed there) survive a
// power cut. A folder that cannot be synced (some network file systems, and
// Windows, whose file system logs its names itself) is left as it is.
void SyncFolder(const std::string& folder);
// Puts the file temporary in target's place in one step (an existing target
// is replaced); the change of name is on the disk when this returns.
void Replace(const std::string& temporary, const std::string& target, const std::string& name);

}  // namespace jov::native
