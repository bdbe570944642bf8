#pragma once
// Commands in tests run as the front ends run them: planned on the map's model,
// applied by the executor, the model read again after.
#include <string>

#include "edit/Executor.h"
#include "map/MapFile.h"
#include "map/PlanStage.h"

namespace jov::testing {

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
