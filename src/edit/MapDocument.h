#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "map/EditPlan.h"

namespace jov {

class History;

// What applying a plan did.
struct PlanOutcome {
  bool written = false;       // false: the plan changed no byte, nothing was recorded
  std::uint64_t changed = 0;  // bytes whose value or presence changed
  std::int64_t step = -1;     // the history step, -1 when unrecorded
};

// One map file as the commands edit it: its path and the edit history its
// steps go into, which the document holds (several documents of one program
// share one history object, as they share its database).
//
// Apply is the one code that writes maps. It holds the map's writer lock
// (platform/MapLock.h) from (a) to (e), so no other JOV writes the map in
// between; a second writer waits up to kMapLockWait for it, then is refused
// (kAnotherWriterText). In order:
//  (a) the preconditions refuse the plan (Refused, nothing written): an
//      interrupted step on the map, the file changed since the plan's stamp,
//      a range that does not hold what the plan expects, the step of an undo,
//      redo or recovery no longer where the plan found it;
//  (b) the before-images of the ranges that change are made durable in one
//      transaction of the edit history (a history that fails here refuses the
//      command; one that could not be opened at all leaves it unrecorded);
//  (c) the map is written, (d) synced, (e) the step marked done.
// A failure in (c) or (d) puts the before-images back at once (from memory)
// and drops the step; only if that fails too does the step stay for recovery.
// A failure in (e) leaves a step whose ranges all hold their after-bytes,
// which recovery marks done rather than taking back.
class MapDocument {
 public:
  MapDocument(std::string path, std::shared_ptr<History> history);

  const std::string& Path() const { return m_path; }
  History& Edits() const { return *m_history; }

  // A plan of another file is a caller's mistake (std::logic_error).
  PlanOutcome Apply(const EditPlan& plan);
  // The history's steps of this map, planned and applied under one hold of
  // the lock.
  PlanOutcome Undo(std::int64_t step);
  PlanOutcome Redo(std::int64_t step);
  PlanOutcome Recover(std::int64_t step);

 private:
  PlanOutcome ApplyLocked(const EditPlan& plan, bool locked);

  std::string m_path;
  std::string m_key;
  std::shared_ptr<History> m_history;
};

inline constexpr const char* kAnotherWriterText = "Another JOV is writing %1; try again.";
inline constexpr const char* kNothingToWriteText = "%1: nothing to change; the map already holds these bytes.";
inline constexpr const char* kInterruptedRefusalText =
    "This map has an interrupted edit (%1). Recover it first: Edit > History, or jov-cli recover MAP.";
inline constexpr const char* kStaleMapText =
    "%1 was changed on disk after JOV read it, so nothing was written. Read it again and repeat the command.";
inline constexpr const char* kExpectedBytesText =
    "The map does not hold what this command expects at %1 (%2), so nothing was written.";

}  // namespace jov
