#pragma once
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

namespace jov {

class History;

// Large before-images on their way to the history's image folder while the
// executor compares the command's bytes with the map's (MapDocument::Apply):
// a tag rewritten whole changes every byte, so what it replaces is the
// before-image the step keeps, and its write and sync cost no time of their own. One the step does
// not take (only part of the range changed, or the command is refused) is
// removed when the command ends.
class ImageStaging {
 public:
  explicit ImageStaging(History& history) : m_history(history) {}
  ~ImageStaging();
  ImageStaging(const ImageStaging&) = delete;
  ImageStaging& operator=(const ImageStaging&) = delete;

  // bytes are what the map holds at offset, where a command writes.
  void Start(std::uint64_t offset, const std::shared_ptr<const std::vector<unsigned char>>& bytes);
  // Gives the images inside a staged range its file, when they are most of it
  // (a file kept whole for a few changed bytes would waste the history's room).
  void Attach(std::vector<StepWrite>& images);
  // The step was not recorded: the files are not its.
  void Release() {
    for (Staged& staged : m_staged) staged.taken = false;
  }

 private:
  struct Staged {
    std::uint64_t offset;
    std::size_t size;
    std::shared_future<std::string> file;
    bool taken;
  };
  History& m_history;
  std::vector<Staged> m_staged;
};

}  // namespace jov
