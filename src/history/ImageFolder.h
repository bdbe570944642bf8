#pragma once
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace jov {

class Worker;

// Before-images of this size and more are files of the image folder; smaller
// ones (most edits) are rows of the database, where a few bytes cost one small
// commit.
inline constexpr std::size_t kImageFileFrom = 64 * 1024;

// Where the history keeps large before-images: one file each, in a folder
// beside the database. A 1 MB image costs one write and one sync here; as rows
// of the database it is hundreds of pages copied three times and logged, three
// times the time. The database names the files its steps own (the images
// table). A file it does not name belongs to the process that wrote it until
// that process is gone: then it was left by a step that never committed, and
// is removed. Names are PID-START-BOOT-N.img: the writer's identity (with the
// boot it ran in, so a pid and start time met again after a restart name no
// file of before) and a count. A file is created only where none exists: a
// name met again never empties an image a step still needs.
class ImageFolder {
 public:
  explicit ImageFolder(std::string folder) : m_folder(std::move(folder)) {}

  const std::string& Path() const { return m_folder; }
  // Writes the image under a new name and makes it and its name durable;
  // returns the name. Throws FileError.
  std::string Put(const std::vector<unsigned char>& bytes) const;
  // The same on the worker's thread: the caller goes on (comparing the rest of
  // a command's bytes) while the disk works. get() gives the name or the error.
  std::shared_future<std::string> PutLater(Worker& worker, std::shared_ptr<const std::vector<unsigned char>> bytes) const;
  // size bytes of the file from skip on; throws FileError when it is missing
  // or shorter.
  std::vector<unsigned char> Get(const std::string& name, std::uint64_t skip, std::uint64_t size) const;
  void Remove(const std::string& name) const;
  // The files in the folder, and whether the process that wrote one still runs.
  std::vector<std::string> List() const;
  static bool WriterRunning(const std::string& name);

 private:
  // This process's part of the names; the count is added per file.
  static std::string NamePrefix();
  // Writes bytes to a new file named prefix + a count; returns its name.
  std::string Write(const std::string& prefix, const std::vector<unsigned char>& bytes) const;
  std::string m_folder;
};

}  // namespace jov
