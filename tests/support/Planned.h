#pragma once
// Commands in tests run as the front ends run them: planned on the map's model,
// applied by the executor, the model read again after.
#include <memory>
#include <string>

#include "edit/MapDocument.h"
#include "history/History.h"
#include "map/MapFile.h"
#include "map/PlanStage.h"

namespace jov::testing {

// The tests' edit history, on JOV_STATE_DIR. ReopenHistory() drops it and opens
// the database again, as a program started anew would (a test that moves
// JOV_STATE_DIR, or one that simulates a crash, calls it).
inline std::shared_ptr<History>& SharedHistory() {
  static std::shared_ptr<History> history = History::OfUser();
  return history;
}
inline History& TestHistory() { return *SharedHistory(); }
inline void ReopenHistory() { SharedHistory() = History::OfUser(); }

// The plan applied by its map's document, recording into the tests' history.
inline PlanOutcome ApplyPlan(const EditPlan& plan) { return MapDocument(plan.path, SharedHistory()).Apply(plan); }
inline PlanOutcome UndoStep(std::int64_t step) {
  return MapDocument(TestHistory().Step(step)->mapPath, SharedHistory()).Undo(step);
}
inline PlanOutcome RedoStep(std::int64_t step) {
  return MapDocument(TestHistory().Step(step)->mapPath, SharedHistory()).Redo(step);
}

template <typename Command>
PlanOutcome RunPlanned(CMapFile& map, const std::string& label, Command&& command) {
  const EditPlan plan = PlanOf(map, label, command);
  return ApplyPlan(plan);
}

// A plan of raw writes to the file at path, with no stamp (applied as it is).
inline EditPlan RawPlan(const std::string& path, const std::string& label) {
  EditPlan plan;
  plan.label = label;
  plan.path = path;
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, kUnnamedFile);
  plan.lengthBefore = file.Length();
  return plan;
}

}  // namespace jov::testing
