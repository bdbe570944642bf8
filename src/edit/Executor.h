#pragma once
#include <cstdint>
#include <string>

#include "map/EditPlan.h"

namespace jov {

// What applying a plan did.
struct ApplyResult {
  bool written = false;       // false: the plan changed no byte, nothing was recorded
  std::uint64_t changed = 0;  // bytes whose value or presence changed
  std::int64_t step = -1;     // the history step, -1 when unrecorded
};

// The one code that writes maps. In order: the preconditions (no interrupted
// step on the map, the file unchanged since the plan's stamp, every expected
// range) refuse the plan with Refused and nothing written; the before-images
// are made durable in one transaction of the edit history; the map is written
// and synced; the step is marked done. A failure while writing or syncing puts
// the before-images back at once.
ApplyResult ApplyPlan(const EditPlan& plan);

inline constexpr const char* kNothingToWriteText = "%1: nothing to change; the map already holds these bytes.";
inline constexpr const char* kInterruptedRefusalText =
    "This map has an interrupted edit (%1). Recover it first: Edit > History, or jov-cli recover MAP.";
inline constexpr const char* kStaleMapText =
    "%1 was changed on disk since JOV read it; nothing was written. It has been re-read: try again.";

}  // namespace jov
