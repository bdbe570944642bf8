#include "history/StepReplay.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "platform/BinaryFile.h"

namespace jov {

namespace {

// The bytes of a file's state over the ranges some writes touched: disjoint
// segments keyed by their offset, and the file's length.
class Overlay {
 public:
  explicit Overlay(std::uint64_t length) : m_length(length) {}

  void Write(std::uint64_t offset, const std::vector<unsigned char>& bytes) {
    if (bytes.empty()) return;
    std::uint64_t start = offset;
    std::uint64_t end = offset + bytes.size();
    // Every segment that touches [start, end) merges into one.
    auto first = m_segments.upper_bound(start);
    if (first != m_segments.begin()) {
      auto before = std::prev(first);
      if (before->first + before->second.size() >= start) first = before;
    }
    auto last = first;
    while (last != m_segments.end() && last->first <= end) ++last;
    if (first != last) {
      start = std::min(start, first->first);
      auto tail = std::prev(last);
      end = std::max(end, tail->first + tail->second.size());
    }
    std::vector<unsigned char> merged(end - start);
    for (auto it = first; it != last; ++it)
      std::copy(it->second.begin(), it->second.end(), merged.begin() + static_cast<std::ptrdiff_t>(it->first - start));
    std::copy(bytes.begin(), bytes.end(), merged.begin() + static_cast<std::ptrdiff_t>(offset - start));
    m_segments.erase(first, last);
    m_segments.emplace(start, std::move(merged));
  }

  void SetLength(std::uint64_t length) {
    m_length = length;
    auto it = m_segments.lower_bound(length);
    m_segments.erase(it, m_segments.end());
    if (!m_segments.empty()) {
      auto& [start, bytes] = *std::prev(m_segments.end());
      if (start + bytes.size() > length) bytes.resize(length - start);
    }
  }

  StepImage Image() const {
    StepImage image;
    image.length = m_length;
    for (const auto& [start, bytes] : m_segments) image.ranges.push_back({start, bytes});
    return image;
  }

  std::optional<StepMismatch> Compare(const BinaryFile& file) const {
    const std::uint64_t length = file.Length();
    if (length != m_length) return StepMismatch{true, 0, length, m_length};
    std::vector<unsigned char> found;
    for (const auto& [start, bytes] : m_segments) {
      found.resize(bytes.size());
      file.Read(start, found.data(), found.size());
      const auto differ = std::mismatch(bytes.begin(), bytes.end(), found.begin());
      if (differ.first != bytes.end())
        return StepMismatch{false, start + static_cast<std::uint64_t>(differ.first - bytes.begin()), 0, 0};
    }
    return std::nullopt;
  }

 private:
  std::map<std::uint64_t, std::vector<unsigned char>> m_segments;
  std::uint64_t m_length;
};

}  // namespace

std::optional<StepMismatch> CompareWithAfter(const BinaryFile& file, const std::vector<StepWrite>& writes) {
  if (writes.empty()) return std::nullopt;
  Overlay state(writes.front().lengthBefore);
  for (const StepWrite& write : writes) {
    state.Write(write.offset, write.after);
    state.SetLength(write.lengthAfter);
  }
  return state.Compare(file);
}

std::optional<StepMismatch> CompareWithBefore(const BinaryFile& file, const std::vector<StepWrite>& writes) {
  if (writes.empty()) return std::nullopt;
  Overlay state(writes.back().lengthAfter);
  for (auto it = writes.rbegin(); it != writes.rend(); ++it) {
    state.Write(it->offset, it->before);
    state.SetLength(it->lengthBefore);
  }
  return state.Compare(file);
}

StepImage AfterImage(const std::vector<StepWrite>& writes) {
  if (writes.empty()) return {};
  Overlay state(writes.front().lengthBefore);
  for (const StepWrite& write : writes) {
    state.Write(write.offset, write.after);
    state.SetLength(write.lengthAfter);
  }
  return state.Image();
}

StepImage BeforeImage(const std::vector<StepWrite>& writes) {
  if (writes.empty()) return {};
  Overlay state(writes.back().lengthAfter);
  for (auto it = writes.rbegin(); it != writes.rend(); ++it) {
    state.Write(it->offset, it->before);
    state.SetLength(it->lengthBefore);
  }
  return state.Image();
}

}  // namespace jov
