#include "history/ImageFolder.h"

#include "history/Worker.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "platform/BinaryFile.h"
#include "platform/FileError.h"
#include "platform/NativeFile.h"
#include "platform/PathText.h"
#include "platform/Process.h"

namespace jov {

namespace {

// The boot id as a part of a file name: its letters and digits.
std::string BootToken(const std::string& bootId) {
  std::string token;
  for (const char c : bootId)
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) token += c;
  return token.empty() ? "0" : token;
}

// Tries at most this many counts for a name no file has yet.
constexpr int kNameTries = 1000;

}  // namespace

std::string ImageFolder::NamePrefix() {
  const ProcessIdentity self = CurrentProcess();
  return std::to_string(self.pid) + "-" + std::to_string(self.startTime) + "-" + BootToken(self.bootId) + "-";
}

std::string ImageFolder::Write(const std::string& prefix, const std::vector<unsigned char>& bytes) const {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  std::filesystem::create_directories(PathFromUtf8(m_folder), error);
  if (error) {
    const auto cause = error == std::errc::no_space_on_device ? FileError::Cause::DiskFull
                       : error == std::errc::permission_denied ? FileError::Cause::AccessDenied
                                                               : FileError::Cause::Generic;
    throw FileError(cause, m_folder);
  }
  // No temporary file and rename: until the database names the file, a torn
  // one is a leftover like any other.
  BinaryFile file;
  std::string name;
  for (int tries = 0;; ++tries) {
    name = prefix + std::to_string(counter++) + ".img";
    const std::string path = m_folder + "/" + name;
    try {
      file.Open(path, BinaryFile::Mode::CreateNew, path);
      break;
    } catch (const FileError&) {
      // A file of that name is there already (left by a process of the same
      // identity): it is never emptied; the next count is tried.
      if (tries + 1 >= kNameTries || !std::filesystem::exists(PathFromUtf8(path), error)) throw;
    }
  }
  try {
    file.Write(0, bytes.data(), bytes.size());
    file.Sync();
  } catch (...) {
    file.Close();
    Remove(name);
    throw;
  }
  file.Close();
  native::SyncFolder(m_folder);
  return name;
}

std::string ImageFolder::Put(const std::vector<unsigned char>& bytes) const { return Write(NamePrefix(), bytes); }

std::shared_future<std::string> ImageFolder::PutLater(Worker& worker,
                                                      std::shared_ptr<const std::vector<unsigned char>> bytes) const {
  // The name's identity is read here, on the caller's thread.
  return worker.Run([folder = *this, prefix = NamePrefix(), bytes = std::move(bytes)] { return folder.Write(prefix, *bytes); });
}

std::vector<unsigned char> ImageFolder::Get(const std::string& name, std::uint64_t skip, std::uint64_t size) const {
  const std::string path = m_folder + "/" + name;
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  if (file.Length() < skip || file.Length() - skip < size) throw FileError(FileError::Cause::EndOfFile, path);
  return file.ReadBytes(skip, size);
}

void ImageFolder::Remove(const std::string& name) const { native::Remove(m_folder + "/" + name); }

std::vector<std::string> ImageFolder::List() const {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(PathFromUtf8(m_folder), error), end; !error && it != end;
       it.increment(error))
    names.push_back(Utf8FromPath(it->path().filename()));
  return names;
}

bool ImageFolder::WriterRunning(const std::string& name) {
  // PID-START-BOOT-N.img; names of before had no BOOT (PID-START-N.img) and
  // are judged as of this boot.
  std::vector<std::string> parts;
  for (std::size_t from = 0;;) {
    const auto dash = name.find('-', from);
    parts.push_back(name.substr(from, dash == std::string::npos ? std::string::npos : dash - from));
    if (dash == std::string::npos) break;
    from = dash + 1;
  }
  if (parts.size() != 3 && parts.size() != 4) return false;
  const std::string bootId = CurrentProcess().bootId;
  if (parts.size() == 4 && parts[2] != BootToken(bootId)) return false;
  try {
    return StillRunning(ProcessIdentity{std::stoll(parts[0]), std::stoll(parts[1]), bootId});
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace jov
