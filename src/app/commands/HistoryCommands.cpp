// The Edit menu's edit history: "Undo", "Redo" and "History...", one stack for
// the window across both panels (the newest finished step of the maps open in
// it), each step applied by its map's document.
#include <QString>
#include <algorithm>

#include "CHistoryDlg.h"
#include "CommandNames.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "history/History.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

namespace commands {

namespace {

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// Undo to Here on a step of one map also takes back the newer steps of the
// other map (the window's one stack): the user is asked first, No by default.
bool MayTakeBackOthers(CommandContext& context, const std::vector<jov::StepInfo>& all, const jov::StepInfo& row) {
  const std::string rowKey = jov::History::KeyOf(row.mapPath);
  int others = 0;
  std::string otherMap;
  for (const jov::StepInfo& s : all)
    if (s.id > row.id && s.state == jov::StepState::Done && jov::History::KeyOf(s.mapPath) != rowKey) {
      ++others;
      otherMap = s.mapPath;
    }
  return others == 0 ||
         context.Dialogs().AskYesNoDefaultNo(QStringLiteral("Undo to Here on a step of %1 also takes back %2 newer step%3 of "
                                                            "%4. Take %5 back too?")
                                                 .arg(MapFileName(row.mapPath))
                                                 .arg(others)
                                                 .arg(others == 1 ? QString() : QStringLiteral("s"))
                                                 .arg(MapFileName(otherMap))
                                                 .arg(others == 1 ? QStringLiteral("it") : QStringLiteral("them"))
                                                 .toStdString());
}

}  // namespace

std::optional<jov::StepInfo> NextUndo(CommandContext& context) {
  return context.Edits().NewestDone(context.OpenMapPaths());
}

std::optional<jov::StepInfo> NextRedo(CommandContext& context) {
  // Each map can only redo its oldest undone step (its newer ones build on it);
  // of those, the one this window undid last. Steps undone elsewhere (jov-cli,
  // an earlier session) come after the window's own, the oldest first.
  std::vector<std::string> seen;
  std::vector<jov::StepInfo> candidates;
  for (const std::string& path : context.OpenMapPaths()) {
    const std::string key = jov::History::KeyOf(path);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;  // one map in both panels
    seen.push_back(key);
    if (auto step = context.Edits().OldestUndone({path})) candidates.push_back(std::move(*step));
  }
  if (candidates.empty()) return std::nullopt;
  const std::vector<std::int64_t>& order = context.UndoneOrder();
  const auto rank = [&order](const jov::StepInfo& step) {
    const auto at = std::find(order.rbegin(), order.rend(), step.id);
    return at == order.rend() ? std::ptrdiff_t{-1} : order.rend() - at;
  };
  return *std::max_element(candidates.begin(), candidates.end(), [&](const jov::StepInfo& a, const jov::StepInfo& b) {
    const auto ra = rank(a), rb = rank(b);
    return ra != rb ? ra < rb : a.id > b.id;
  });
}

void Undo(CommandContext& context) {
  const auto step = NextUndo(context);
  if (!step) return;
  context.DocumentOf(step->mapPath).Undo(step->id);
  context.UndoneOrder().push_back(step->id);
  context.ShowCommandStatus(MapFileName(step->mapPath) + QStringLiteral(": Undo: ") + Latin1(step->label));
}

void Redo(CommandContext& context) {
  const auto step = NextRedo(context);
  if (!step) return;
  context.DocumentOf(step->mapPath).Redo(step->id);
  std::vector<std::int64_t>& order = context.UndoneOrder();
  order.erase(std::remove(order.begin(), order.end(), step->id), order.end());
  context.ShowCommandStatus(MapFileName(step->mapPath) + QStringLiteral(": Redo: ") + Latin1(step->label));
}

void History(CommandContext& context) {
  jov::History& history = context.Edits();
  CHistoryDlg::Actions actions;
  actions.steps = [&context, &history] {
    std::vector<jov::StepInfo> steps;
    std::vector<std::string> seen;
    for (const std::string& path : context.OpenMapPaths()) {
      const std::string key = jov::History::KeyOf(path);
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;  // one map in both panels
      seen.push_back(key);
      for (jov::StepInfo& step : history.Steps(path)) steps.push_back(std::move(step));
    }
    std::sort(steps.begin(), steps.end(), [](const auto& a, const auto& b) { return a.id > b.id; });
    return steps;
  };
  // Every finished step from the newest down to the chosen one, each as "Undo".
  actions.undoTo = [&context, &history, steps = actions.steps](std::int64_t target) {
    context.RunCommand([&] {
      const auto all = steps();
      const auto row = std::find_if(all.begin(), all.end(), [&](const jov::StepInfo& s) { return s.id == target; });
      if (row == all.end() || !MayTakeBackOthers(context, all, *row)) return;
      while (const auto step = history.NewestDone(context.OpenMapPaths())) {
        if (step->id < target) break;
        context.DocumentOf(step->mapPath).Undo(step->id);
        context.UndoneOrder().push_back(step->id);
        context.ReloadChangedPanels();
        if (step->id == target) break;
      }
    });
  };
  // A map with an interrupted step asks first: that edit can then no longer be restored.
  actions.clear = [&context, &history] {
    for (const std::string& path : context.OpenMapPaths()) {
      const auto interrupted = history.Interrupted(path);
      if (!interrupted.empty() &&
          !context.Dialogs().AskYesNoDefaultNo(jov::FillText(jov::kClearInterruptedQuestion, {interrupted.back().label})))
        continue;
      history.ClearMap(path, !interrupted.empty());
    }
  };
  actions.limitMb = [&history] { return history.LimitBytes() / (1024 * 1024); };
  actions.setLimitMb = [&history](std::uint64_t mb) { history.SetLimitMb(mb); };
  CHistoryDlg dialog(std::move(actions), context.DialogParent());
  context.RunModal(dialog);
}

}  // namespace commands
