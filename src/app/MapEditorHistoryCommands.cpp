// The main window's edit history: "Undo", "Redo" and "History..." in the Edit
// menu, one stack for the window across both panels (the newest finished step of
// the maps open in it), views re-read after every write, and the question asked
// when a map opens with a step a stopped process left unfinished.
#include <QAction>
#include <QMenu>
#include <algorithm>

#include "CHistoryDlg.h"
#include "CMapEditorDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "history/History.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

namespace {

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void CMapEditorDlg::BuildHistoryActions() {
  QMenu* edit = EditMenu();
  QAction* first = edit->actions().isEmpty() ? nullptr : edit->actions().front();
  m_actionUndo = new QAction(QStringLiteral("&Undo"), this);
  m_actionUndo->setShortcut(QKeySequence::Undo);
  m_actionRedo = new QAction(QStringLiteral("&Redo"), this);
  m_actionRedo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
  m_actionHistory = new QAction(QStringLiteral("&History..."), this);
  connect(m_actionUndo, &QAction::triggered, this, [this] { RunCommand([this] { OnUndo(); }); });
  connect(m_actionRedo, &QAction::triggered, this, [this] { RunCommand([this] { OnRedo(); }); });
  connect(m_actionHistory, &QAction::triggered, this, [this] { RunCommand([this] { OnHistory(); }); });
  edit->insertAction(first, m_actionUndo);
  edit->insertAction(first, m_actionRedo);
  edit->insertSeparator(first);
  edit->insertAction(first, m_actionHistory);
  edit->insertSeparator(first);

  // A history that cannot be kept is said once; the maps are still written.
  m_history->SetOffNotice([this](const std::string& reason) {
    m_dialogs.ShowMessage(jov::FillText(jov::kHistoryOffText, {reason}));
  });
  UpdateHistoryActions();
}

jov::MapDocument& CMapEditorDlg::DocumentOf(const std::string& path) {
  // Keyed by the canonical path: one map open in both panels is one document.
  auto& document = m_documents[jov::History::KeyOf(path)];
  if (!document) document = std::make_unique<jov::MapDocument>(path, m_history);
  return *document;
}

std::vector<std::string> CMapEditorDlg::OpenMapPaths() const {
  std::vector<std::string> paths;
  for (const MapPanel* panel : {m_panel1, m_panel2})
    if (panel->Map().m_bOpen) paths.push_back(panel->Map().m_strPath);
  return paths;
}

void CMapEditorDlg::UpdateHistoryActions() {
  if (!m_actionUndo) return;
  jov::History& history = *m_history;
  const auto paths = OpenMapPaths();
  const auto undo = history.NewestDone(paths);
  const auto redo = history.OldestUndone(paths);
  m_actionUndo->setEnabled(undo.has_value());
  // The label names the map: with two panels open, Undo must say which it takes back.
  m_actionUndo->setText(undo ? QStringLiteral("&Undo %1 (%2)").arg(Latin1(undo->label), MapFileName(undo->mapPath))
                             : QStringLiteral("&Undo"));
  m_actionRedo->setEnabled(redo.has_value());
  m_actionRedo->setText(redo ? QStringLiteral("&Redo %1 (%2)").arg(Latin1(redo->label), MapFileName(redo->mapPath))
                             : QStringLiteral("&Redo"));
  m_actionHistory->setEnabled(!paths.empty());
}

void CMapEditorDlg::OnUndo() {
  const auto step = m_history->NewestDone(OpenMapPaths());
  if (!step) return;
  DocumentOf(step->mapPath).Undo(step->id);
  ShowCommandStatus(MapFileName(step->mapPath) + QStringLiteral(": Undo: ") + Latin1(step->label));
}

void CMapEditorDlg::OnRedo() {
  const auto step = m_history->OldestUndone(OpenMapPaths());
  if (!step) return;
  DocumentOf(step->mapPath).Redo(step->id);
  ShowCommandStatus(MapFileName(step->mapPath) + QStringLiteral(": Redo: ") + Latin1(step->label));
}

void CMapEditorDlg::OnHistory() {
  jov::History& history = *m_history;
  CHistoryDlg::Actions actions;
  actions.steps = [this, &history] {
    std::vector<jov::StepInfo> steps;
    std::vector<std::string> seen;
    for (const std::string& path : OpenMapPaths()) {
      const std::string key = jov::History::KeyOf(path);
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;  // one map in both panels
      seen.push_back(key);
      for (jov::StepInfo& step : history.Steps(path)) steps.push_back(std::move(step));
    }
    std::sort(steps.begin(), steps.end(), [](const auto& a, const auto& b) { return a.id > b.id; });
    return steps;
  };
  // Every finished step from the newest down to the chosen one, each as "Undo".
  actions.undoTo = [this, &history, steps = actions.steps](std::int64_t target) {
    RunCommand([&] {
      // The window's one stack runs across both maps: steps of the other map
      // newer than the row are taken back too, so the user is asked first.
      const auto all = steps();
      const auto row = std::find_if(all.begin(), all.end(), [&](const jov::StepInfo& s) { return s.id == target; });
      if (row == all.end()) return;
      const std::string rowKey = jov::History::KeyOf(row->mapPath);
      int others = 0;
      std::string otherMap;
      for (const jov::StepInfo& s : all)
        if (s.id > target && s.state == jov::StepState::Done && jov::History::KeyOf(s.mapPath) != rowKey) {
          ++others;
          otherMap = s.mapPath;
        }
      if (others > 0 &&
          !m_dialogs.AskYesNoDefaultNo(QStringLiteral("Undo to Here on a step of %1 also takes back %2 newer step%3 of "
                                                      "%4. Take %5 back too?")
                                           .arg(MapFileName(row->mapPath))
                                           .arg(others)
                                           .arg(others == 1 ? QString() : QStringLiteral("s"))
                                           .arg(MapFileName(otherMap))
                                           .arg(others == 1 ? QStringLiteral("it") : QStringLiteral("them"))
                                           .toStdString()))
        return;
      while (const auto step = history.NewestDone(OpenMapPaths())) {
        if (step->id < target) break;
        DocumentOf(step->mapPath).Undo(step->id);
        ReloadChangedPanels();
        if (step->id == target) break;
      }
    });
  };
  actions.clear = [this, &history] {
    for (const std::string& path : OpenMapPaths()) history.ClearMap(path);
    UpdateHistoryActions();
  };
  actions.limitMb = [&history] { return history.LimitBytes() / (1024 * 1024); };
  actions.setLimitMb = [&history](std::uint64_t mb) { history.SetLimitMb(mb); };
  CHistoryDlg dialog(std::move(actions), this);
  RunModal(dialog);
}

QStringList CMapEditorDlg::ReloadChangedPanels() {
  // One file may be open in both panels, and jov-cli may have written it: every
  // view whose file changed since it was read reads it again, keeping its place.
  QStringList reread;
  for (MapPanel* panel : {m_panel1, m_panel2}) {
    if (!panel->Map().m_bOpen || !panel->Map().ChangedOnDisk()) continue;
    KeepPlace(*panel, [panel] { panel->Map().Reload(*panel->m_treeTags); });
    CheckOpenedMap(*panel, false);
    if (!reread.contains(panel->FileName())) reread << panel->FileName();
  }
  return reread;
}

void CMapEditorDlg::OnMapChangedOnDisk() {
  // While a command runs it re-reads what it wrote itself; the watcher's word
  // about that write arrives after it, when nothing is left to re-read.
  if (m_commandDepth > 0) return;
  QStringList reread;
  RunCommand([&] { reread = ReloadChangedPanels(); });
  for (const QString& name : reread) ShowCommandStatus(QStringLiteral("%1 changed on disk; re-read.").arg(name));
}

void CMapEditorDlg::OfferRecovery(MapPanel& panel) {
  jov::History& history = *m_history;
  const auto interrupted = history.Interrupted(panel.Map().m_strPath);
  // Newest first: each takes the map back to where the step before it left it.
  for (auto it = interrupted.rbegin(); it != interrupted.rend(); ++it) {
    const std::string question = jov::FillText(jov::kRecoverQuestion, {it->label});
    if (!m_dialogs.AskYesNoDefaultNo(question)) return;
    const jov::EditPlan plan = history.PlanRecover(it->id);
    DocumentOf(panel.Map().m_strPath).Apply(plan);
    ShowCommandStatus(plan.finishOnly ? QStringLiteral("Every byte of %1 is in the map: marked done").arg(Latin1(it->label))
                                      : QStringLiteral("Restored the map as it was before ") + Latin1(it->label));
  }
  if (!interrupted.empty()) ReloadChangedPanels();
}
