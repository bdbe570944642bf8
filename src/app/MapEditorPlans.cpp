// Every command that writes a map runs here: planned on the panel's model,
// applied by the one executor, the panel re-read after.
#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "map/PlanStage.h"
#include "platform/DeferredDialogs.h"

namespace {

constexpr const char* kNothingWrittenText = "%1: nothing was written.";

}  // namespace

jov::PlanOutcome CMapEditorDlg::ApplyPlanned(MapPanel& panel, const std::string& label,
                                             const std::function<void(jov::UserDialogs&)>& command) {
  RequireWritable(panel);
  jov::DeferredDialogs dialogs(m_dialogs);
  jov::PlanOutcome outcome;
  bool planned = false;  // the command wrote something, if only the bytes already there
  jov::CMapFile& map = panel.Map();
  // The model was read through the plan while the command ran: whatever the
  // executor does, the map is read again from the file.
  const auto reread = [&] {
    if (map.m_bOpen) map.Reload(*panel.m_treeTags);
  };
  // The user's place (selection, open groups, results) is taken before the
  // command runs: a command that re-reads its map rebuilds the tree.
  KeepPlace(panel, [&] {
    try {
      const jov::EditPlan plan = jov::PlanOf(map, label, [&] { command(dialogs); });
      planned = !plan.Empty();
      if (planned) outcome = DocumentOf(plan.path).Apply(plan);
    } catch (...) {
      dialogs.Drop();
      try {
        reread();
      } catch (...) {
        // The command's own failure is the one to show.
      }
      throw;
    }
    if (outcome.written) reread();
  });
  const bool held = dialogs.HoldsMessages();
  dialogs.Flush();
  if (!outcome.written && !held) {
    // Named by its map, as every status line is. A command that wrote nothing
    // (a question answered No, a picker cancelled) is not one whose bytes were
    // found in the map already.
    const char* text = planned ? jov::kNothingToWriteText : kNothingWrittenText;
    ShowCommandStatus(panel.FileName() + QStringLiteral(": ") +
                      QString::fromLatin1(text).arg(QString::fromLatin1(label.c_str())));
  }
  return outcome;
}
