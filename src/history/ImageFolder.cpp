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

std::string ImageFolder::NewName() {
  static std::atomic<unsigned> counter{0};
  const ProcessIdentity self = CurrentProcess();
  return std::to_string(self.pid) + "-" + std::to_string(self.startTime) + "-" + std::to_string(counter++) + ".img";
}

void ImageFolder::Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
  std::error_code error;
  std::filesystem::create_directories(PathFromUtf8(m_folder), error);
  if (error) {
    const auto cause = error == std::errc::no_space_on_device ? FileError::Cause::DiskFull
                       : error == std::errc::permission_denied ? FileError::Cause::AccessDenied
                                                               : FileError::Cause::Generic;
    throw FileError(cause, m_folder);
  }
  const std::string path = m_folder + "/" + name;
  // No temporary file and rename: until the database names the file, a torn
  // one is a leftover like any other.
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::CreateTruncate, path);
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
}

std::string ImageFolder::Put(const std::vector<unsigned char>& bytes) const {
  std::string name = NewName();
  Write(name, bytes);
  return name;
}

std::shared_future<std::string> ImageFolder::PutLater(Worker& worker,
                                                      std::shared_ptr<const std::vector<unsigned char>> bytes) const {
  // The name is made here: the process identity is read on the caller's thread.
  return worker.Run([folder = *this, name = NewName(), bytes = std::move(bytes)] {
    folder.Write(name, *bytes);
    return name;
  });
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
  const auto first = name.find('-');
  const auto second = first == std::string::npos ? first : name.find('-', first + 1);
  if (second == std::string::npos) return false;
  try {
    return StillRunning(ProcessIdentity{std::stoll(name.substr(0, first)),
                                        std::stoll(name.substr(first + 1, second - first - 1)),
                                        CurrentProcess().bootId});
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace jov
