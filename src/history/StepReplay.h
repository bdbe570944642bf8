#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "history/HistoryStore.h"
#include "map/EditPlan.h"

namespace jov {

class BinaryFile;

// Where a map differs from the state a step expects.
struct StepMismatch {
  bool length = false;           // the file's length differs (offset unused)
  std::uint64_t offset = 0;      // the first byte that differs
  std::uint64_t found = 0;       // the file's length, when length
  std::uint64_t expected = 0;    // the length the step expects
};

// Whether the file holds what the step's writes left (after) or found (before),
// over every range they touched, with the step's length at that end. Writes of
// one step may overlap; the later one wins, as in the file.
std::optional<StepMismatch> CompareWithAfter(const BinaryFile& file, const std::vector<StepWrite>& writes);
std::optional<StepMismatch> CompareWithBefore(const BinaryFile& file, const std::vector<StepWrite>& writes);

// The file's state before or after the step, over every range its writes
// touched: disjoint ascending ranges, and the file's length at that end.
struct StepImage {
  std::vector<PlanWrite> ranges;
  std::uint64_t length = 0;
};
StepImage AfterImage(const std::vector<StepWrite>& writes);
StepImage BeforeImage(const std::vector<StepWrite>& writes);

}  // namespace jov
