#include "mod/ModApply.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <thread>
#include <map>
#include <unordered_map>

#include "check/MapKind.h"
#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "history/History.h"
#include "map/MapFile.h"
#include "map/PlanStage.h"
#include "map/Refused.h"
#include "map/TagBytes.h"
#include "platform/FileError.h"
#include "platform/MemoryTreeView.h"
#include "platform/PathText.h"

namespace jov {

namespace {

std::size_t Index(EditOutcome outcome) { return static_cast<std::size_t>(outcome); }

std::string WithoutTail(std::string text) {
  if (const std::size_t tail = text.rfind("; nothing was written."); tail != std::string::npos) text.resize(tail);
  return text;
}

struct OpenedTarget {
  MemoryTreeView tree;
  CMapFile map;
};

}  // namespace

bool ModMapPlan::Complete() const {
  return Count(EditOutcome::TagMissing) + Count(EditOutcome::FieldMissing) + Count(EditOutcome::WasDiffers) +
             Count(EditOutcome::Refused) ==
         0;
}

bool ModRun::Complete() const {
  return std::all_of(maps.begin(), maps.end(), [](const ModTarget& t) {
    return t.refusal.empty() && t.planned.Complete() && t.state != ModTarget::State::Untouched;
  });
}

std::string ModStepLabel(const Mod& mod, const std::string& modPath) {
  return "Apply mod " + (mod.title.empty() ? Utf8FromPath(PathFromUtf8(modPath).filename()) : mod.title);
}

ModMapPlan PlanModForMap(CMapFile& map, const Mod& mod, const DefinitionSet& definitions, const std::string& label) {
  ModMapPlan out;
  // The first tag of each class and path, as TAG names one everywhere else.
  std::unordered_map<std::string, int> byText;
  for (int i = 0; i < map.m_nTagCount && i < static_cast<int>(map.m_tags.size()); ++i) {
    const TagEntry& tag = map.m_tags[static_cast<std::size_t>(i)];
    byText.emplace(tag.strClass1 + ":" + tag.strName, i);
  }
  std::map<int, FieldTree> trees;
  std::vector<std::pair<std::uint64_t, std::vector<unsigned char>>> writes;
  std::vector<PlanExpect> expects;
  std::size_t number = 0;
  for (const ModEdit& edit : mod.edits) {
    ++number;
    const auto outcome = [&](EditOutcome kind, const std::string& why) {
      ++out.counts[Index(kind)];
      if (!why.empty()) out.notes.push_back("edit " + std::to_string(number) + " (" + edit.tag + " " + edit.field + "): " + why);
    };
    const auto found = byText.find(edit.tag);
    if (found == byText.end()) {
      outcome(EditOutcome::TagMissing, "the map has no such tag");
      continue;
    }
    const int tag = found->second;
    const TagEntry& entry = map.m_tags[static_cast<std::size_t>(tag)];
    // Never written to another file: the tag's bytes are not in this map.
    if (entry.eHome == TagHome::Resource) {
      outcome(EditOutcome::Refused, "kept " + WhereTagLives(map, tag) + "; skipped, JOV does not write resource maps");
      continue;
    }
    const ClassDef* def = definitions.Find(entry.strClass1);
    if (!def) {
      outcome(EditOutcome::Refused, "no definition describes class " + entry.strClass1);
      continue;
    }
    auto tree = trees.find(tag);
    if (tree == trees.end()) tree = trees.emplace(tag, BuildFieldTree(map, tag, def)).first;
    const FieldTree& fields = tree->second;
    const int at = fields.Find(edit.field);
    if (at < 0) {
      try {
        FieldAt(fields, edit.field);
      } catch (const Refused& why) {
        outcome(EditOutcome::FieldMissing, WithoutTail(why.what()));
      }
      continue;
    }
    const FieldNode& node = fields.nodes[static_cast<std::size_t>(at)];
    if (std::uint64_t{node.offset} + node.size > fields.bytes.size()) {
      if (entry.eHome == TagHome::SoundBase)
        outcome(EditOutcome::Refused, "the field lies in the part of the sound kept " + WhereTagLives(map, tag) + "; skipped");
      else
        outcome(EditOutcome::FieldMissing, node.error.empty() ? "past the end of the tag's metadata" : node.error);
      continue;
    }
    const std::vector<unsigned char> now(fields.bytes.begin() + node.offset, fields.bytes.begin() + node.offset + node.size);
    std::vector<unsigned char> bytes;
    try {
      bytes = EncodeFieldValue(map, fields, node, edit.value, edit.raw);
    } catch (const Refused& why) {
      outcome(EditOutcome::Refused, WithoutTail(why.what()));
      continue;
    }
    if (bytes == now) {
      outcome(EditOutcome::AlreadySo, "");
      continue;
    }
    if (edit.was && DisplayText(fields, node) != *edit.was) {
      bool same = false;
      try {
        same = EncodeFieldValue(map, fields, node, *edit.was, edit.raw) == now;
      } catch (const Refused&) {
      }
      if (!same) {
        outcome(EditOutcome::WasDiffers, "holds " + DisplayText(fields, node) + ", not " + *edit.was);
        continue;
      }
    }
    outcome(EditOutcome::Applied, "");
    const std::uint64_t offset = std::uint64_t{fields.metaOffset} + node.offset;
    writes.emplace_back(offset, std::move(bytes));
    expects.push_back({offset, now, edit.field + " of " + edit.tag, {}, 0});
  }
  out.plan = PlanOf(map, label, [&] {
    for (const auto& [offset, bytes] : writes) map.File().Write(offset, bytes.data(), bytes.size());
  });
  // Two edits of one field: the map must hold what the first found.
  std::sort(expects.begin(), expects.end(), [](const PlanExpect& a, const PlanExpect& b) { return a.offset < b.offset; });
  expects.erase(std::unique(expects.begin(), expects.end(), [](const PlanExpect& a, const PlanExpect& b) { return a.offset == b.offset; }),
                expects.end());
  out.plan.expects = std::move(expects);
  return out;
}

ModRun PlanModForMaps(const Mod& mod, const std::string& label, const std::vector<std::string>& paths,
                      const DefinitionSet& definitions, History& history, const std::string& resourceFolder) {
  ModRun run;
  run.label = label;
  run.maps.resize(paths.size());
  std::vector<std::unique_ptr<OpenedTarget>> opened(paths.size());
  const auto refuse = [&](std::size_t i, const std::string& why) {
    run.maps[i].refusal = why;
    run.maps[i].state = ModTarget::State::Refused;
    opened[i].reset();
  };
  std::map<std::string, std::string> seen;  // history key -> the path first given
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    run.maps[i].path = path;
    std::string key;
    try {
      key = History::KeyOf(path);
    } catch (const std::exception&) {
      key = path;
    }
    if (const auto [first, fresh] = seen.emplace(key, path); !fresh) {
      refuse(i, "named twice (also as " + first->second + ")");
      continue;
    }
    try {
      RequireMapFile(path, path);
      opened[i] = std::make_unique<OpenedTarget>();
      CMapFile& map = opened[i]->map;
      // Only the executor writes a map; the plan reads it through a stage.
      map.File().RequireStage();
      map.m_bAllowReadOnly = true;
      map.m_strResourceFolder = resourceFolder;
      map.OpenPath(opened[i]->tree, path);
      if (map.m_bReadOnly) {
        refuse(i, "the map is read-only");
        continue;
      }
      if (const auto interrupted = history.Interrupted(path); !interrupted.empty())
        refuse(i, "the map has an interrupted edit (" + interrupted.front().label + "); recover it first (jov-cli recover MAP)");
    } catch (const FileError& e) {
      refuse(i, e.what());
    } catch (const Refused& e) {
      refuse(i, WithoutTail(e.what()));
    }
  }
  // Each map is read through its own handle and stage: they are planned side
  // by side, one thread a core.
  std::atomic<std::size_t> next{0};
  std::vector<std::exception_ptr> failures(paths.size());
  const auto work = [&] {
    for (std::size_t i = next++; i < paths.size(); i = next++) {
      if (!opened[i]) continue;
      try {
        run.maps[i].planned = PlanModForMap(opened[i]->map, mod, definitions, label);
        run.maps[i].planned.plan.path = paths[i];
      } catch (const FileError& e) {
        run.maps[i].refusal = e.what();
      } catch (const Refused& e) {
        run.maps[i].refusal = WithoutTail(e.what());
      } catch (...) {
        failures[i] = std::current_exception();
      }
      if (!run.maps[i].refusal.empty()) run.maps[i].state = ModTarget::State::Refused;
    }
  };
  const unsigned helpers = std::min<unsigned>(std::thread::hardware_concurrency(), 8);
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < helpers && t < paths.size(); ++t) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
  return run;
}

void ApplyModRun(ModRun& run, bool partial, const std::function<PlanOutcome(const EditPlan&)>& apply) {
  const bool anyRefused = std::any_of(run.maps.begin(), run.maps.end(), [](const ModTarget& t) { return !t.refusal.empty(); });
  for (ModTarget& target : run.maps) {
    if (!target.refusal.empty()) continue;
    if (anyRefused && !partial) {
      target.state = ModTarget::State::Untouched;
      target.note = "another map was refused";
      continue;
    }
    if (!target.planned.Complete() && !partial) {
      target.state = ModTarget::State::Untouched;
      target.note = "not every edit applies";
      continue;
    }
    if (target.planned.plan.Empty()) {
      target.state = ModTarget::State::Unchanged;
      continue;
    }
    try {
      const PlanOutcome outcome = apply(target.planned.plan);
      target.state = outcome.written ? ModTarget::State::Written : ModTarget::State::Unchanged;
      target.step = outcome.step;
    } catch (const Refused& e) {
      target.state = ModTarget::State::Untouched;
      target.note = WithoutTail(e.what());
    } catch (const FileError& e) {
      target.state = ModTarget::State::Untouched;
      target.note = e.what();
    }
  }
}

std::vector<std::string> ModTableLines(const ModRun& run, bool dryRun) {
  std::vector<std::vector<std::string>> rows;
  rows.emplace_back(std::begin(kModTableColumns), std::end(kModTableColumns));
  for (const ModTarget& t : run.maps) {
    std::vector<std::string> row{t.path};
    for (std::size_t i = 0; i < kEditOutcomes; ++i) row.push_back(t.refusal.empty() ? std::to_string(t.planned.counts[i]) : "-");
    std::string result;
    switch (t.state) {
      case ModTarget::State::Refused: result = "refused: " + t.refusal; break;
      case ModTarget::State::Written: result = dryRun ? "to be written" : "written"; break;
      case ModTarget::State::Unchanged: result = "nothing to change"; break;
      case ModTarget::State::Untouched: result = (dryRun ? "would stay untouched: " : "untouched: ") + t.note; break;
      case ModTarget::State::Planned: result = "not written"; break;
    }
    row.push_back(result);
    rows.push_back(std::move(row));
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  std::vector<std::string> lines;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += "  ";
      const std::string pad(widths[c] - row[c].size(), ' ');
      // Numbers right-aligned under their headings; the map and result left.
      if (c == 0 || c + 1 == row.size()) line += row[c] + (c + 1 == row.size() ? "" : pad);
      else line += pad + row[c];
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace jov
