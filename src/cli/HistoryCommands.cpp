// jov-cli history, undo, redo, recover: the edit history of one map, shared with
// the editor (a step made in either can be undone in the other).
#include <algorithm>
#include <ctime>
#include <iomanip>
#include <iostream>

#include "cli/CliCommon.h"
#include "history/History.h"
#include "map/Refused.h"
#include "map/ValueText.h"

namespace jov::cli {

namespace {

std::string LocalTime(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

const char* StateWord(StepState state) {
  switch (state) {
    case StepState::Done: return "";
    case StepState::Undone: return "undone";
    default: return "incomplete";
  }
}

// The history has to be there for these commands; without it they are refused.
History& RequireHistory() {
  History& history = ProgramHistory();
  if (!history.IsOn()) {
    std::string text = kHistoryOffText;
    throw Refused(text.replace(text.find("%1"), 2, history.OffReason()));
  }
  return history;
}

void RequireMap(const std::string& path) {
  // A map that cannot be opened is reported as every command reports it.
  OpenMap(path);
}

void ListHistory(const std::string& path) {
  History& history = RequireHistory();
  const auto steps = history.Steps(path);
  const auto interrupted = history.Interrupted(path);
  int number = 0;
  for (const StepInfo& step : steps) {
    ++number;
    const char* state = StateWord(step.state);
    // A step another process is writing right now is neither done nor interrupted.
    bool stopped = false;
    for (const StepInfo& i : interrupted) stopped = stopped || i.id == step.id;
    if (*state == 'i' && !stopped) state = "running";
    std::cout << number << '\t' << LocalTime(step.timeMs) << '\t' << step.label << '\t' << step.bytes << " bytes";
    if (*state) std::cout << '\t' << state;
    std::cout << '\n';
  }
}

void UndoSteps(const std::string& path, int steps, bool redo) {
  RequireMap(path);
  History& history = RequireHistory();
  if (const auto interrupted = history.Interrupted(path); !interrupted.empty()) {
    std::string text = kInterruptedRefusalText;
    throw Refused(text.replace(text.find("%1"), 2, interrupted.front().label));
  }
  for (int n = 0; n < steps; ++n) {
    const auto step = redo ? history.OldestUndone({path}) : history.NewestDone({path});
    if (!step) {
      std::cout << (redo ? "Nothing to redo." : "Nothing to undo.") << '\n';
      if (n == 0) SetExitStatus(kRefused);
      return;
    }
    RunPlan(redo ? history.PlanRedo(step->id) : history.PlanUndo(step->id));
    if (DryRun()) return;
    std::cout << (redo ? "Redone: " : "Undone: ") << step->label << '\n';
  }
}

void RecoverMap(const std::string& path, bool yes) {
  History& history = RequireHistory();
  const auto interrupted = history.Interrupted(path);
  if (interrupted.empty()) {
    std::cout << "No interrupted step.\n";
    return;
  }
  // Newest first: each takes the map back to where the step before it left it.
  for (auto it = interrupted.rbegin(); it != interrupted.rend(); ++it) {
    std::cout << "Interrupted: " << it->label << " (" << LocalTime(it->timeMs) << ", " << it->bytes << " bytes)\n";
    if (!yes) continue;
    const EditPlan plan = history.PlanRecover(it->id);
    RunPlan(plan);
    if (DryRun()) return;
    std::cout << (plan.finishOnly ? "Every byte it wrote is in the map: marked done.\n"
                                  : "Restored the map as it was before it.\n");
  }
  if (!yes) std::cout << "Run again with --yes to restore the map as it was before.\n";
}

// As the editor's "Clear History": the finished steps go at once; a map with an
// interrupted step asks first (--yes answers), as that edit can then no longer
// be restored.
void ClearHistory(const std::string& path, bool yes) {
  History& history = RequireHistory();
  const auto interrupted = history.Interrupted(path);
  if (!interrupted.empty()) {
    ConsoleDialogs dialogs;
    dialogs.yes = yes;
    if (!dialogs.AskYesNo(FillText(kClearInterruptedQuestion, {interrupted.back().label}))) {
      SetExitStatus(kRefused);
      return;
    }
  }
  const std::size_t before = history.Steps(path).size();
  history.ClearMap(path, !interrupted.empty());
  const std::size_t cleared = before - std::min(before, history.Steps(path).size());
  std::cout << "Cleared " << cleared << (cleared == 1 ? " step.\n" : " steps.\n");
}

const Registration kRegistration([](CLI::App& app) {
  {
    static std::string path;
    auto* cmd = app.add_subcommand("history", "List MAP's recorded edits, oldest first");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->callback([] { ListHistory(path); });
  }
  for (const bool redo : {false, true}) {
    static std::string paths[2];
    static int steps[2] = {1, 1};
    auto* cmd = app.add_subcommand(redo ? "redo" : "undo",
                                   redo ? "Do MAP's last undone edits again" : "Take back MAP's last edits");
    cmd->add_option("MAP", paths[redo], "Map file")->required();
    cmd->add_option("--steps", steps[redo], "How many steps (default 1)")->check(CLI::Range(1, 1000000));
    AddDryRun(cmd);
    cmd->callback([redo] { UndoSteps(paths[redo], steps[redo], redo); });
  }
  {
    static std::string path;
    static bool yes = false;
    auto* cmd = app.add_subcommand("recover", "Report an edit of MAP that was interrupted; --yes restores the map");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->add_flag("--yes", yes, "Restore the map as it was before the interrupted edit");
    AddDryRun(cmd);
    cmd->callback([] { RecoverMap(path, yes); });
  }
  {
    static std::string path;
    static bool yes = false;
    auto* cmd = app.add_subcommand("clear-history", "Forget MAP's recorded edits (the map stays as it is)");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->add_flag("--yes", yes, "Answer \"Yes\" to the question asked when an edit of MAP was interrupted");
    cmd->callback([] { ClearHistory(path, yes); });
  }
});

}  // namespace

}  // namespace jov::cli
