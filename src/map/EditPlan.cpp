#include "map/EditPlan.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace jov {

void EditPlan::Write(std::uint64_t offset, const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* bytes = static_cast<const unsigned char*>(data);
  writes.push_back({offset, std::vector<unsigned char>(bytes, bytes + n)});
}

void LayOver(ByteRanges& ranges, std::uint64_t offset, const unsigned char* data, std::size_t n) {
  if (n == 0) return;
  const std::uint64_t end = offset + n;
  // The range starting before this write and reaching into (or touching) it.
  auto it = ranges.upper_bound(offset);
  if (it != ranges.begin()) {
    auto prev = std::prev(it);
    if (prev->first + prev->second.size() >= offset) it = prev;
  }
  std::uint64_t newStart = offset;
  std::uint64_t newEnd = end;
  std::vector<std::pair<std::uint64_t, std::vector<unsigned char>>> absorbed;
  while (it != ranges.end() && it->first <= end) {
    newStart = std::min(newStart, it->first);
    newEnd = std::max<std::uint64_t>(newEnd, it->first + it->second.size());
    absorbed.emplace_back(it->first, std::move(it->second));
    it = ranges.erase(it);
  }
  // A write inside one range changes it in place.
  if (absorbed.size() == 1 && absorbed[0].first == newStart && newEnd - newStart == absorbed[0].second.size()) {
    std::copy(data, data + n, absorbed[0].second.begin() + static_cast<std::ptrdiff_t>(offset - newStart));
    ranges.emplace_hint(it, newStart, std::move(absorbed[0].second));
    return;
  }
  std::vector<unsigned char> merged(static_cast<std::size_t>(newEnd - newStart), 0);
  for (const auto& [at, bytes] : absorbed)
    std::copy(bytes.begin(), bytes.end(), merged.begin() + static_cast<std::ptrdiff_t>(at - newStart));
  std::copy(data, data + n, merged.begin() + static_cast<std::ptrdiff_t>(offset - newStart));
  ranges.emplace_hint(it, newStart, std::move(merged));
}

void EditPlan::Normalize() {
  // Laid down in order onto disjoint ranges: a later write wins where they meet.
  ByteRanges ranges;
  for (const PlanWrite& write : writes) LayOver(ranges, write.offset, write.bytes.data(), write.bytes.size());
  writes.clear();
  for (auto& [at, bytes] : ranges) writes.push_back({at, std::move(bytes)});
  // Bytes past the final length are never written.
  if (lengthAfter) {
    while (!writes.empty() && writes.back().offset >= *lengthAfter) writes.pop_back();
    if (!writes.empty() && writes.back().offset + writes.back().bytes.size() > *lengthAfter)
      writes.back().bytes.resize(static_cast<std::size_t>(*lengthAfter - writes.back().offset));
  }
}

std::uint64_t EditPlan::FinalLength() const {
  if (lengthAfter) return *lengthAfter;
  std::uint64_t length = lengthBefore;
  for (const PlanWrite& write : writes) length = std::max<std::uint64_t>(length, write.offset + write.bytes.size());
  return length;
}

std::string DescribePlan(const EditPlan& plan) {
  std::string text = "plan: " + plan.label + "\n";
  char line[160];
  for (const PlanExpect& expect : plan.expects) {
    std::snprintf(line, sizeof line, "expect 0x%llx %zu bytes (%s)\n", static_cast<unsigned long long>(expect.offset),
                  expect.bytes.size(), expect.what.c_str());
    text += line;
  }
  for (const PlanWrite& write : plan.writes) {
    std::snprintf(line, sizeof line, "write 0x%llx %zu bytes:", static_cast<unsigned long long>(write.offset),
                  write.bytes.size());
    text += line;
    const std::size_t shown = std::min<std::size_t>(write.bytes.size(), 32);
    for (std::size_t i = 0; i < shown; ++i) {
      std::snprintf(line, sizeof line, " %02x", write.bytes[i]);
      text += line;
    }
    if (shown < write.bytes.size()) text += " ...";
    text += "\n";
  }
  const std::uint64_t length = plan.FinalLength();
  if (length != plan.lengthBefore) {
    std::snprintf(line, sizeof line, "length %llu -> %llu\n", static_cast<unsigned long long>(plan.lengthBefore),
                  static_cast<unsigned long long>(length));
    text += line;
  }
  if (plan.Empty()) text += "nothing to write\n";
  return text;
}

}  // namespace jov
