#pragma once
#include <functional>
#include <map>
#include <vector>

#include "map/EditPlan.h"
#include "platform/WriteStage.h"

namespace jov {

class CMapFile;

// Runs a command against a map without writing it: the map's file handle gets a
// stage for the command's duration, every write lands there, reads see the map
// with those writes laid over it. The command's own code is unchanged; what it
// would have written comes back as a plan.
//
//   EditPlan plan = PlanOf(map, "Inject weap:...", [&] { InjectTagMetadata(map, ...); });
//
// Stages nest: a command planned while another is being planned (a patch
// applied inside the editor's command) reads the map as the outer command
// left it so far, and what it writes is written into the outer stage too.
class PlanStage final : public WriteStage {
 public:
  // Over the stage the file has now (nullptr: the file itself).
  explicit PlanStage(const BinaryFile& file);

  std::size_t Read(std::uint64_t offset, void* buffer, std::size_t n) const override;
  void Write(std::uint64_t offset, const void* data, std::size_t n) override;
  std::uint64_t Length() const override { return m_length; }
  void SetLength(std::uint64_t length) override;

  // The staged writes, normalized, as a plan's writes and final length.
  void FillPlan(EditPlan& plan) const;

 private:
  // What unwritten bytes read as: the outer stage, or the file.
  std::size_t ReadBase(std::uint64_t offset, void* buffer, std::size_t n) const;

  const BinaryFile& m_file;
  const WriteStage* m_outer = nullptr;
  std::uint64_t m_fileLength = 0;  // of the base: the outer stage's, or the file's
  std::uint64_t m_length = 0;
  // Below this, unwritten bytes are the file's; at and above it they are zeros
  // (the file was cut there and grown again).
  std::uint64_t m_floor = 0;
  std::map<std::uint64_t, std::vector<unsigned char>> m_ranges;  // disjoint
};

// The plan of what command would write into map (label, path, stamp, writes).
// The stage is removed however the command ends, and the stage that was there
// before it is put back; the command's exceptions pass through. Planned inside
// another stage, the plan's writes and length go into that stage as well, once
// the command has ended without an exception.
EditPlan PlanOf(CMapFile& map, const std::string& label, const std::function<void()>& command);

}  // namespace jov
