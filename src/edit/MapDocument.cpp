#include "edit/MapDocument.h"

#include <stdexcept>

#include <algorithm>
#include <functional>
#include <memory>
#include <cstdio>

#include "edit/ImageStaging.h"
#include "history/History.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "platform/MapLock.h"

namespace jov {

namespace {

using Bytes = std::vector<unsigned char>;

void RefuseIfInterrupted(History& history, const std::string& path, bool locked) {
  const auto interrupted = history.Interrupted(path, locked);
  if (!interrupted.empty()) throw Refused(FillText(kInterruptedRefusalText, {interrupted.front().label}));
}

// Takes the map's writer lock, or refuses the command when another JOV keeps
// it past the wait.
void LockMap(MapLock& lock, const std::string& path) {
  if (!lock.Acquire(path, kMapLockWait)) throw Refused(FillText(kAnotherWriterText, {path}));
}

// An undo, redo or recovery planned before the lock was taken: its step must
// still be where the plan found it (another JOV may have moved it since).
void CheckStepState(History& history, const EditPlan& plan) {
  if (plan.kind == PlanKind::Command) return;
  const auto info = history.Step(plan.step);
  const StepState state = info ? info->state : StepState::Writing;
  switch (plan.kind) {
    case PlanKind::Undo:
      if (!info || state != StepState::Done) throw Refused("That step can no longer be undone.");
      break;
    case PlanKind::Redo:
      if (!info || state != StepState::Undone) throw Refused("That step can no longer be redone.");
      break;
    case PlanKind::Recover:
      if (!info || state == StepState::Done || state == StepState::Undone) throw Refused("That step is not interrupted.");
      break;
    case PlanKind::Command: break;
  }
}

// (a) Everything that must hold before a byte is written. A command's own
// look for an interrupted step is made where its step is recorded, in the
// same transaction (History::RecordStep).
void CheckPreconditions(History& history, const EditPlan& plan, const BinaryFile& file, bool locked) {
  CheckStepState(history, plan);
  if (plan.kind == PlanKind::Undo || plan.kind == PlanKind::Redo) RefuseIfInterrupted(history, plan.path, locked);
  const bool stamped = plan.stamp.device != 0 || plan.stamp.inode != 0 || plan.stamp.modifiedNs != 0;
  if (stamped && FileStamp::Of(plan.path) != plan.stamp) throw Refused(FillText(kStaleMapText, {FileNameOf(plan.path)}));
  if (plan.expectLength && file.Length() != *plan.expectLength)
    throw Refused(FillText(kExpectedBytesText, {"its end", "the file is " + std::to_string(file.Length()) +
                                                                " bytes long, not " + std::to_string(*plan.expectLength)}));
  for (const PlanExpect& expect : plan.expects) {
    const auto found = file.ReadBytes(expect.offset, expect.Size());
    const bool holds = expect.hash ? RangeHash(found.data(), found.size()) == *expect.hash : found == expect.bytes;
    if (holds) continue;
    std::uint64_t at = expect.offset;
    if (!expect.hash)
      at += static_cast<std::uint64_t>(std::mismatch(found.begin(), found.end(), expect.bytes.begin()).first -
                                       found.begin());
    throw Refused(FillText(kExpectedBytesText,
                           {HexOffsetText(at), expect.what.empty() ? "bytes a step recorded" : expect.what}));
  }
}

// The parts of a command's writes that change the map: runs of bytes that
// differ from what the file holds, and everything past its end. Of a large
// write (a whole tag rewritten to change a few bytes of it) only those runs
// are recorded and written; runs closer than kGap are one. A small write that
// changes anything is kept whole. read sees what each write replaces, before
// it is compared.
std::vector<PlanWrite> ChangedRuns(const EditPlan& plan, const BinaryFile& file, std::uint64_t length,
                                   std::uint64_t* changed,
                                   const std::function<void(std::uint64_t, const std::shared_ptr<const Bytes>&)>& read) {
  constexpr std::size_t kWhole = 4096;
  constexpr std::size_t kGap = 64;
  std::vector<PlanWrite> runs;
  for (const PlanWrite& write : plan.writes) {
    const std::size_t n = write.bytes.size();
    const std::size_t inside =
        write.offset < length ? static_cast<std::size_t>(std::min<std::uint64_t>(n, length - write.offset)) : 0;
    const auto shared = std::make_shared<const Bytes>(file.ReadBytes(write.offset, inside));
    read(write.offset, shared);
    const Bytes& current = *shared;
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    for (std::size_t i = 0; i < inside;) {
      if (current[i] == write.bytes[i]) {
        ++i;
        continue;
      }
      std::size_t end = i + 1;
      while (end < inside && current[end] != write.bytes[end]) ++end;
      for (std::size_t k = i; k < end; ++k) ++*changed;
      if (!parts.empty() && i - parts.back().second < kGap)
        parts.back().second = end;
      else
        parts.emplace_back(i, end);
      i = end;
    }
    if (inside < n) {
      if (!parts.empty() && inside - parts.back().second < kGap)
        parts.back().second = n;
      else
        parts.emplace_back(inside, n);
    }
    if (parts.empty()) continue;
    if (n <= kWhole) parts = {{0, n}};
    for (const auto& [start, end] : parts)
      runs.push_back({write.offset + start, std::vector<unsigned char>(write.bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                                                       write.bytes.begin() + static_cast<std::ptrdiff_t>(end))});
  }
  return runs;
}

// What the ranges hold now: the bytes to put back if writing fails, and the
// before-images the history keeps.
std::vector<StepWrite> BeforeImages(const std::vector<PlanWrite>& runs, const BinaryFile& file, std::uint64_t length,
                                    std::uint64_t finalLength) {
  std::vector<StepWrite> images;
  images.reserve(runs.size() + 1);
  for (const PlanWrite& run : runs) {
    StepWrite image;
    image.offset = run.offset;
    const std::uint64_t inside = run.offset < length ? std::min<std::uint64_t>(run.bytes.size(), length - run.offset) : 0;
    image.before = file.ReadBytes(run.offset, inside);
    image.hasHash = true;
    image.afterSize = run.bytes.size();
    image.afterHash = RangeHash(run.bytes.data(), run.bytes.size());
    image.lengthBefore = length;
    image.lengthAfter = finalLength;
    images.push_back(std::move(image));
  }
  if (finalLength < length) {
    // A file cut shorter keeps the bytes it loses.
    StepWrite tail;
    tail.offset = finalLength;
    tail.before = file.ReadBytes(finalLength, length - finalLength);
    tail.hasHash = true;
    tail.afterHash = RangeHash(nullptr, 0);
    tail.lengthBefore = length;
    tail.lengthAfter = finalLength;
    images.push_back(std::move(tail));
  }
  return images;
}

void WriteRuns(BinaryFile& file, const std::vector<PlanWrite>& runs, std::uint64_t finalLength) {
  for (const PlanWrite& run : runs) file.Write(run.offset, run.bytes.data(), run.bytes.size());
  if (file.Length() != finalLength) file.SetLength(finalLength);
  file.Sync();
}

void PutBack(BinaryFile& file, const std::vector<StepWrite>& images, std::uint64_t length) {
  for (auto it = images.rbegin(); it != images.rend(); ++it)
    if (!it->before.empty()) file.Write(it->offset, it->before.data(), it->before.size());
  if (file.Length() != length) file.SetLength(length);
  file.Sync();
}

}  // namespace

MapDocument::MapDocument(std::string path, std::shared_ptr<History> history)
    : m_path(std::move(path)), m_key(History::KeyOf(m_path)), m_history(std::move(history)) {}

PlanOutcome MapDocument::Apply(const EditPlan& plan) {
  if (plan.path != m_path && History::KeyOf(plan.path) != m_key)
    throw std::logic_error("a plan of " + plan.path + " applied to " + m_path);
  MapLock lock;
  LockMap(lock, plan.path);
  return ApplyLocked(plan, lock.Held());
}

PlanOutcome MapDocument::ApplyLocked(const EditPlan& plan, bool locked) {
  History& history = *m_history;
  const std::string& key = m_key;
  BinaryFile file;
  file.Open(plan.path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  CheckPreconditions(history, plan, file, locked);

  PlanOutcome result;
  const std::uint64_t length = file.Length();
  // Unless the plan sets it, the length is the file's own, or the end of the
  // last write past it.
  std::uint64_t finalLength = length;
  if (plan.lengthAfter) {
    finalLength = *plan.lengthAfter;
  } else {
    for (const PlanWrite& write : plan.writes)
      finalLength = std::max<std::uint64_t>(finalLength, write.offset + write.bytes.size());
  }
  std::vector<PlanWrite> runs;
  const bool recording = plan.kind == PlanKind::Command && history.IsOn();
  ImageStaging staging(history);
  if (plan.kind == PlanKind::Command) {
    // Overlapping writes become one range each: a step's ranges are disjoint.
    EditPlan normalized = plan;
    normalized.Normalize();
    runs = ChangedRuns(normalized, file, length, &result.changed,
                       [&](std::uint64_t offset, const std::shared_ptr<const Bytes>& current) {
                         if (recording) staging.Start(offset, current);
                       });
  } else {
    runs = plan.writes;
    for (const PlanWrite& run : runs) result.changed += run.bytes.size();
  }
  result.changed += finalLength > length ? finalLength - length : length - finalLength;
  if (plan.kind == PlanKind::Command && runs.empty() && finalLength == length) {
    // Nothing to record, but still no command while a step waits for recovery.
    RefuseIfInterrupted(history, plan.path, locked);
    return result;
  }
  std::vector<StepWrite> images = BeforeImages(runs, file, length, finalLength);
  staging.Attach(images);

  // (b) What must be durable before the map is touched.
  try {
    switch (plan.kind) {
      case PlanKind::Command:
        try {
          result.step =
              recording ? history.RecordStep(key, plan.path, plan.label, images, result.changed, locked) : -1;
        } catch (const InterruptedStepFound& found) {
          staging.Release();
          throw Refused(FillText(kInterruptedRefusalText, {found.Step().label}));
        } catch (...) {
          staging.Release();
          throw;
        }
        break;
      case PlanKind::Undo: {
        // The after-bytes are taken from the map now, for redo; the plan's
        // check proved they are the ones the step wrote.
        std::vector<std::vector<unsigned char>> after;
        for (const PlanExpect& expect : plan.expects)
          if (expect.hash) after.push_back(file.ReadBytes(expect.offset, expect.size));
        if (after.empty())
          history.SetState(plan.step, StepState::Undoing);
        else
          history.BeginUndo(plan.step, after);
        result.step = plan.step;
        break;
      }
      case PlanKind::Redo:
        history.SetState(plan.step, StepState::Redoing);
        result.step = plan.step;
        break;
      case PlanKind::Recover: result.step = plan.step; break;
    }
  } catch (const HistoryError& e) {
    throw Refused(FillText(kHistoryFailedText, {e.what()}));
  }

  // (c), (d)
  if (!plan.finishOnly) {
    try {
      WriteRuns(file, runs, finalLength);
    } catch (...) {
      try {
        PutBack(file, images, length);
        if (plan.kind == PlanKind::Command && result.step >= 0) history.DiscardStep(result.step);
        if (plan.kind == PlanKind::Undo) history.SetState(plan.step, StepState::Done);
        if (plan.kind == PlanKind::Redo) history.SetState(plan.step, StepState::Undone);
      } catch (...) {
        // The step stays unfinished; the next open offers to recover it.
      }
      throw;
    }
  }

  // (e) The bytes are on the disk: from here on the command has happened.
  try {
    switch (plan.kind) {
      case PlanKind::Command:
        if (result.step >= 0) history.FinishStep(result.step, key);
        break;
      case PlanKind::Undo: history.SetState(plan.step, StepState::Undone); break;
      case PlanKind::Redo: history.SetState(plan.step, StepState::Done); break;
      case PlanKind::Recover: history.EndRecovery(plan); break;
    }
  } catch (const HistoryError&) {
    // Left unfinished with every range holding its after-bytes: recovery
    // marks it done, it never takes it back.
  }
  result.written = true;
  return result;
}

// Planned under the lock: the map a step is checked against is the one it is
// applied to.
PlanOutcome MapDocument::Undo(std::int64_t step) {
  MapLock lock;
  LockMap(lock, m_path);
  return ApplyLocked(m_history->PlanUndo(step), lock.Held());
}

PlanOutcome MapDocument::Redo(std::int64_t step) {
  MapLock lock;
  LockMap(lock, m_path);
  return ApplyLocked(m_history->PlanRedo(step), lock.Held());
}

PlanOutcome MapDocument::Recover(std::int64_t step) {
  MapLock lock;
  LockMap(lock, m_path);
  return ApplyLocked(m_history->PlanRecover(step), lock.Held());
}

}  // namespace jov
