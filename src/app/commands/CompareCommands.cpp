// "Compare Map 1 with Map 2" (whose dialog saves the differences as a patch)
// and "Apply Patch to Map N...".
#include <QFile>

#include "CApplyPatchDlg.h"
#include "CCompareMapsDlg.h"
#include "CSavePatchDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "compare/Patch.h"
#include "map/Refused.h"

namespace {

constexpr const char* kBothMapsNeeded = "Open Map 1 and Map 2 to compare them.";
constexpr const char* kNoMapForPatch = "No map is open in this panel; there is nothing to apply the patch to.";
constexpr const char* kPatchApplied = "Patch applied.";
const jov::FileDialogOptions kPatchDialog{"JOV Patch (*.json)|*.json|All Files (*.*)|*.*||", "json", "*.json", false};

}  // namespace

namespace commands {

void CompareMaps(CommandContext& context) {
  MapPanel& p1 = context.Panel(1);
  MapPanel& p2 = context.Panel(2);
  if (!p1.Map().m_bOpen || !p2.Map().m_bOpen) throw jov::Refused(kBothMapsNeeded);
  if (!context.SaveControls()) return;
  const jov::MapComparison comparison = jov::CompareMaps(p1.Map(), p2.Map());
  CCompareMapsDlg dialog(
      comparison,
      [&](const jov::TagDifference& tag) {
        context.RunCommand([&] {
          p1.SelectTagItem(tag.first);
          p2.SelectTagItem(tag.second);
        });
      },
      [&] {
        context.RunCommand([&] {
          jov::Patch patch = jov::PatchFromComparison(jov::CompareMaps(p2.Map(), p1.Map()), p1.Map(), p2.Map(),
                                                      p2.Map().m_strMapName, "");
          // Title and author first, with what the patch cannot carry, so the
          // user decides before a file is written.
          CSavePatchDlg details(QString::fromLatin1(patch.title.c_str()), jov::LeftOutLines(patch),
                                context.DialogParent());
          if (context.RunModal(details) != QDialog::Accepted) return;
          patch.title = details.PatchTitle();
          patch.author = details.PatchAuthor();
          const auto path = context.Dialogs().PickSaveFile(kPatchDialog);
          if (!path) return;
          jov::WritePatchFile(*path, patch);
          context.ShowCommandStatus(QStringLiteral("Saved the patch to %1").arg(QFile::decodeName(path->c_str())));
          context.Dialogs().ShowMessage(
              QStringLiteral("The patch \"%1\" was saved to %2.")
                  .arg(QString::fromLatin1(patch.title.c_str()), QFile::decodeName(path->c_str()))
                  .toStdString());
        });
      },
      context.DialogParent());
  context.RunModal(dialog);
}

void ApplyPatch(CommandContext& context, MapPanel& panel) {
  if (!panel.Map().m_bOpen) throw jov::Refused(kNoMapForPatch);
  CommandContext::RequireWritable(panel);
  if (!context.SaveControls()) return;
  jov::FileDialogOptions options = kPatchDialog;
  options.mustExist = true;
  const auto path = context.Dialogs().PickOpenFile(options);
  if (!path) return;
  const jov::Patch patch = jov::ReadPatchFile(*path);
  CApplyPatchDlg preview(ToolTitle(QStringLiteral("Apply Patch ") + QString::fromLatin1(patch.title.c_str()), panel),
                         jov::PatchLines(patch), context.DialogParent());
  if (context.RunModal(preview) != QDialog::Accepted) return;

  // The patch is verified against the map and planned inside the command's own
  // planning stage, which takes its writes: one step of the history, written
  // and synced by the executor as every editor command is.
  jov::PatchResult result;
  const jov::PlanOutcome written = context.ApplyPlanned(panel, "Apply Patch " + patch.title, [&](jov::UserDialogs& dialogs) {
    result = jov::ApplyPatch(panel.Map(), patch, dialogs, nullptr);
  });
  if (result.outcome == jov::ApplyOutcome::Verified && written.written) result.outcome = jov::ApplyOutcome::Applied;
  if (result.outcome == jov::ApplyOutcome::Conflicts) {
    std::vector<std::string> lines{"The patch does not fit this map; nothing was written."};
    for (const jov::PatchConflict& conflict : result.conflicts) lines.push_back(jov::ConflictLine(conflict));
    CApplyPatchDlg conflicts(ToolTitle(QStringLiteral("Patch Conflicts"), panel), lines, context.DialogParent());
    context.RunModal(conflicts);
    return;
  }
  if (result.outcome != jov::ApplyOutcome::Applied) return;
  context.LoadControls();
  if (!result.leftOut.empty()) {
    std::vector<std::string> lines{"Applied part of the patch. Left out, as no patch can carry them:"};
    lines.insert(lines.end(), result.leftOut.begin(), result.leftOut.end());
    CApplyPatchDlg leftOut(ToolTitle(QStringLiteral("Apply Patch"), panel), lines, context.DialogParent());
    context.RunModal(leftOut);
    return;
  }
  context.Dialogs().ShowMessage(kPatchApplied);
}

}  // namespace commands
