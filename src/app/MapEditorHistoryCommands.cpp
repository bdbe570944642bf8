// The main window's side of the edit history: the Edit menu's "Undo", "Redo"
// and "History..." actions wired to their commands (commands/HistoryCommands.cpp)
// and labelled with the step they take, views re-read after every write, and
// the question asked when a map opens with a step a stopped process left
// unfinished.
#include <QAction>
#include <QMenu>

#include "CMapEditorDlg.h"
#include "CommandNames.h"
#include "commands/EditorCommands.h"
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
  connect(m_actionUndo, &QAction::triggered, this, [this] { RunCommand([this] { commands::Undo(*this); }); });
  connect(m_actionRedo, &QAction::triggered, this, [this] { RunCommand([this] { commands::Redo(*this); }); });
  connect(m_actionHistory, &QAction::triggered, this, [this] { RunCommand([this] { commands::History(*this); }); });
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
  const auto paths = OpenMapPaths();
  const auto undo = commands::NextUndo(*this);
  const auto redo = commands::NextRedo(*this);
  // The label names the panel and the map: with two panels open, Undo and Redo
  // must say which they take ("&Redo Direct Inject weap:... (Map 1, a.map)").
  const auto where = [this](const std::string& path) {
    QStringList panels;
    for (const MapPanel* panel : {m_panel1, m_panel2})
      if (panel->Map().m_bOpen && jov::History::KeyOf(panel->Map().m_strPath) == jov::History::KeyOf(path))
        panels << panel->title();
    return panels.isEmpty() ? MapFileName(path) : panels.join(QStringLiteral(" and ")) + QStringLiteral(", ") + MapFileName(path);
  };
  m_actionUndo->setEnabled(undo.has_value());
  m_actionUndo->setText(undo ? QStringLiteral("&Undo %1 (%2)").arg(Latin1(undo->label), where(undo->mapPath))
                             : QStringLiteral("&Undo"));
  m_actionRedo->setEnabled(redo.has_value());
  m_actionRedo->setText(redo ? QStringLiteral("&Redo %1 (%2)").arg(Latin1(redo->label), where(redo->mapPath))
                             : QStringLiteral("&Redo"));
  m_actionHistory->setEnabled(!paths.empty());
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
