#include "map/PlanStage.h"

#include <algorithm>
#include <cstring>

#include "map/MapFile.h"

namespace jov {

PlanStage::PlanStage(const BinaryFile& file) : m_file(file), m_outer(file.Stage()) {
  m_fileLength = m_outer ? m_outer->Length() : file.LengthUnstaged();
  m_length = m_fileLength;
  m_floor = m_fileLength;
}

std::size_t PlanStage::ReadBase(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (!m_outer) return m_file.ReadUnstaged(offset, buffer, n);
  // The outer stage zeros what lies past its length itself.
  m_outer->Read(offset, buffer, n);
  return n;
}

std::size_t PlanStage::Read(std::uint64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<unsigned char*>(buffer);
  if (n == 0) return 0;
  // The base's bytes below the floor, zeros above it.
  const std::uint64_t fromFile = offset < m_floor ? std::min<std::uint64_t>(n, m_floor - offset) : 0;
  const std::size_t got = ReadBase(offset, out, static_cast<std::size_t>(fromFile));
  std::memset(out + got, 0, n - got);
  // The staged writes over them.
  const std::uint64_t end = offset + n;
  auto it = m_ranges.upper_bound(offset);
  if (it != m_ranges.begin()) --it;
  for (; it != m_ranges.end() && it->first < end; ++it) {
    const std::uint64_t rangeEnd = it->first + it->second.size();
    if (rangeEnd <= offset) continue;
    const std::uint64_t from = std::max(offset, it->first);
    const std::uint64_t to = std::min(end, rangeEnd);
    std::memcpy(out + (from - offset), it->second.data() + (from - it->first), static_cast<std::size_t>(to - from));
  }
  // Past the staged length everything reads as zeros.
  if (end > m_length) {
    const std::uint64_t cut = offset < m_length ? m_length - offset : 0;
    std::memset(out + cut, 0, static_cast<std::size_t>(n - cut));
    return static_cast<std::size_t>(cut);
  }
  return n;
}

void PlanStage::Write(std::uint64_t offset, const void* data, std::size_t n) {
  if (n == 0) return;
  LayOver(m_ranges, offset, static_cast<const unsigned char*>(data), n);
  m_length = std::max<std::uint64_t>(m_length, offset + n);
}

void PlanStage::SetLength(std::uint64_t length) {
  if (length < m_length) {
    // Staged bytes past the new end are gone.
    for (auto it = m_ranges.begin(); it != m_ranges.end();) {
      if (it->first >= length) {
        it = m_ranges.erase(it);
        continue;
      }
      if (it->first + it->second.size() > length) it->second.resize(static_cast<std::size_t>(length - it->first));
      ++it;
    }
    m_floor = std::min(m_floor, length);
  }
  m_length = length;
}

void PlanStage::FillPlan(EditPlan& plan) const {
  plan.writes.clear();
  for (const auto& [at, bytes] : m_ranges) plan.writes.push_back({at, bytes});
  // The file was cut below its old end and grown again: what lay there is zeros
  // now, which the writes must say where no staged write covers it.
  const std::uint64_t zerosEnd = std::min(m_fileLength, m_length);
  if (m_floor < zerosEnd) {
    std::vector<unsigned char> zeros(static_cast<std::size_t>(zerosEnd - m_floor), 0);
    // Staged bytes go over the zeros.
    EditPlan merged;
    merged.writes.push_back({m_floor, std::move(zeros)});
    for (const auto& [at, bytes] : m_ranges) merged.writes.push_back({at, bytes});
    merged.Normalize();
    plan.writes = std::move(merged.writes);
  }
  plan.lengthAfter = m_length;
}

EditPlan PlanOf(CMapFile& map, const std::string& label, const std::function<void()>& command) {
  EditPlan plan;
  plan.label = label;
  plan.path = map.m_strPath;
  plan.stamp = map.Stamp();
  BinaryFile& file = map.File();
  WriteStage* const outer = file.Stage();
  plan.lengthBefore = outer ? outer->Length() : file.LengthUnstaged();
  PlanStage stage(file);
  struct Restore {
    BinaryFile& file;
    WriteStage* outer;
    ~Restore() { file.SetStage(outer); }
  } restore{file, outer};
  file.SetStage(&stage);
  command();
  stage.FillPlan(plan);
  if (outer) {
    // What the inner command wrote, the outer one wrote: its plan must hold
    // it, or the outer command's step would leave it out. The writes lie
    // within the final length, so the length goes first.
    if (plan.lengthAfter && *plan.lengthAfter != outer->Length()) outer->SetLength(*plan.lengthAfter);
    for (const PlanWrite& write : plan.writes) outer->Write(write.offset, write.bytes.data(), write.bytes.size());
  }
  return plan;
}

}  // namespace jov
