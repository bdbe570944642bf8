#include "edit/Executor.h"

#include "history/EditScope.h"

namespace jov {

// Transitional: writes through the journaled file until the executor lands.
ApplyResult ApplyPlan(const EditPlan& plan) {
  ApplyResult result;
  if (plan.Empty()) return result;
  BinaryFile file;
  file.Open(plan.path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  EditScope scope(plan.label);
  for (const PlanWrite& write : plan.writes) file.Write(write.offset, write.bytes.data(), write.bytes.size());
  if (plan.lengthAfter && *plan.lengthAfter != file.Length()) file.SetLength(*plan.lengthAfter);
  scope.Commit();
  result.written = true;
  return result;
}

}  // namespace jov
