#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/BinaryFile.h"

namespace jov {

// What a command will write into one map, computed before anything is written:
// the bytes, the file's length afterwards, and what must still hold when it is
// applied. Planners read the map and return one; only the executor
// (edit/MapDocument.h) writes it, after checking every precondition.
struct PlanWrite {
  std::uint64_t offset = 0;
  std::vector<unsigned char> bytes;
};

// Bytes the map must hold at offset when the plan is applied, or the plan is
// refused with text naming what differs (a patch that says what it overwrites).
// A range whose bytes the plan only knows by hash (what a recorded step left)
// has hash set and size its length.
struct PlanExpect {
  std::uint64_t offset = 0;
  std::vector<unsigned char> bytes;
  std::string what;  // "the name of tag 3", shown when the bytes differ
  std::optional<std::uint64_t> hash;
  std::uint64_t size = 0;
  std::uint64_t Size() const { return hash ? size : bytes.size(); }
};

// Commands write new bytes and become history steps; the others write a
// recorded step's bytes back and move that step between its states.
enum class PlanKind { Command, Undo, Redo, Recover };

struct EditPlan {
  PlanKind kind = PlanKind::Command;
  std::int64_t step = -1;  // the history step an undo, redo or recovery works on
  // A recovery that only marks its step done: every range already holds the
  // step's after-bytes.
  bool finishOnly = false;
  std::string label;  // the history step's label: "Direct Inject weap:weapons\pistol\pistol"
  std::string path;   // the map, as it was opened
  // The file as the planner read it: a file changed since (by another panel or
  // program) refuses the plan, so nothing is written at stale offsets.
  FileStamp stamp;
  std::uint64_t lengthBefore = 0;
  std::vector<PlanExpect> expects;
  // The length the file must have when the plan is applied (undo, redo).
  std::optional<std::uint64_t> expectLength;
  // Disjoint, in ascending order once Normalize() ran. A write past the end of
  // the file extends it; bytes between the old end and a write read as zeros.
  std::vector<PlanWrite> writes;
  // The file's length afterwards; unset: the old length, or the end of the last
  // write past it.
  std::optional<std::uint64_t> lengthAfter;

  // Merges overlapping writes (a later write wins) into ascending disjoint ones.
  void Normalize();
  std::uint64_t FinalLength() const;
  bool Empty() const { return writes.empty() && (!lengthAfter || *lengthAfter == lengthBefore); }
  // Adds a write (the plan must be normalized again before it is applied).
  void Write(std::uint64_t offset, const void* data, std::size_t n);
};

// Disjoint byte ranges by their offset. LayOver puts n bytes at offset over
// them: the ranges it overlaps or touches merge with it into one, its bytes
// winning. Only those ranges are visited, so laying many writes costs their
// number times its logarithm, not its square.
using ByteRanges = std::map<std::uint64_t, std::vector<unsigned char>>;
void LayOver(ByteRanges& ranges, std::uint64_t offset, const unsigned char* data, std::size_t n);

// The plan as text, one line a write: "write 0x1a2b 16 bytes: 00 01 ..." (for
// jov-cli --dry-run).
std::string DescribePlan(const EditPlan& plan);

}  // namespace jov
