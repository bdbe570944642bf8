#include "edit/ImageStaging.h"

#include "history/History.h"

namespace jov {

ImageStaging::~ImageStaging() {
  for (Staged& staged : m_staged) {
    if (staged.taken) continue;
    try {
      m_history.DropImage(staged.file);
    } catch (...) {
      // A file that stays is removed by the next open of the history.
    }
  }
}

void ImageStaging::Start(std::uint64_t offset, const std::shared_ptr<const std::vector<unsigned char>>& bytes) {
  auto file = m_history.StageImage(bytes);
  if (file.valid()) m_staged.push_back({offset, bytes->size(), std::move(file), false});
}

void ImageStaging::Attach(std::vector<StepWrite>& images) {
  for (Staged& staged : m_staged) {
    auto inside = [&](const StepWrite& image) {
      return !image.before.empty() && image.offset >= staged.offset &&
             image.offset + image.before.size() <= staged.offset + staged.size;
    };
    std::uint64_t covered = 0;
    for (const StepWrite& image : images)
      if (inside(image)) covered += image.before.size();
    if (covered * 2 < staged.size) continue;
    for (StepWrite& image : images)
      if (inside(image)) {
        image.imageFile = staged.file;
        image.imageSkip = image.offset - staged.offset;
      }
    staged.taken = true;
  }
}

}  // namespace jov
