#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "edit/MapDocument.h"
#include "map/EditPlan.h"
#include "mod/ModFile.h"

// A mod applied to many maps: each map's edits planned as one step, a table of
// what each edit found, then the steps written by the one executor.
namespace jov {

class CMapFile;
class DefinitionSet;
class History;

// What one edit finds in one map.
enum class EditOutcome { Applied, AlreadySo, TagMissing, FieldMissing, WasDiffers, Refused };
inline constexpr std::size_t kEditOutcomes = 6;

struct ModMapPlan {
  std::array<std::size_t, kEditOutcomes> counts{};
  // Each edit that did not apply: "edit 3 (weap:... triggers[0].x): why".
  std::vector<std::string> notes;
  EditPlan plan;  // every applied edit of the map, one step
  std::size_t Count(EditOutcome outcome) const { return counts[static_cast<std::size_t>(outcome)]; }
  // Every edit applied or already so.
  bool Complete() const;
};

// The step's label: "Apply mod TITLE" (the mod file's name when untitled).
std::string ModStepLabel(const Mod& mod, const std::string& modPath);

// Plans every edit of mod on map, in order (a later edit of the same field
// wins). A tag kept in a resource map is never written: its edits are refused
// naming the resource map. Throws only what reading the map throws.
ModMapPlan PlanModForMap(CMapFile& map, const Mod& mod, const DefinitionSet& definitions, const std::string& label);

struct ModTarget {
  std::string path;
  // Why the map as a whole is refused (named twice, read-only, an interrupted
  // edit, not a map); empty when it was planned.
  std::string refusal;
  ModMapPlan planned;
  enum class State { Planned, Written, Untouched, Unchanged, Refused } state = State::Planned;
  std::string note;  // why it was left untouched, or what the executor refused
  std::int64_t step = -1;
};

struct ModRun {
  std::string label;
  std::vector<ModTarget> maps;
  // Every map planned, and every edit of each applied or already so: what
  // `jov-cli mod apply` exits 0 for.
  bool Complete() const;
};

// Opens and plans every map (read-only, none written). A map named twice,
// opened read-only, holding an interrupted edit in history, or not a readable
// map is refused and named.
ModRun PlanModForMaps(const Mod& mod, const std::string& label, const std::vector<std::string>& paths,
                      const DefinitionSet& definitions, History& history, const std::string& resourceFolder);

// Writes the planned steps through apply (the executor). Without partial,
// nothing is written at all while any map is refused as a whole, and a map
// where an edit cannot apply is left untouched; with partial, each planned
// map takes the edits that apply. A step the executor refuses is named on its
// map and the others go on.
void ApplyModRun(ModRun& run, bool partial, const std::function<PlanOutcome(const EditPlan&)>& apply);

// The table, a header line and one line a map, columns separated by two
// spaces or more: map, applied, already so, tag missing, field missing, was
// differs, refused, result. A dry run's ApplyModRun wrote nothing: its
// results say what would be written.
std::vector<std::string> ModTableLines(const ModRun& run, bool dryRun);
inline constexpr const char* kModTableColumns[] = {"map",           "applied", "already so", "tag missing",
                                                   "field missing", "was differs", "refused", "result"};

}  // namespace jov
