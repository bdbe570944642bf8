// "Make Mod from Map 1 and Map 2..." and "Apply Mod...".
#include "commands/ModCommands.h"

#include <QFile>

#include "CApplyModDlg.h"
#include "CSavePatchDlg.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "fields/FieldDefinition.h"
#include "map/Refused.h"
#include "mod/ModApply.h"
#include "mod/ModCreate.h"
#include "platform/SaveFile.h"
#include "platform/UserDialogs.h"

namespace {

constexpr const char* kBothMapsForMod = "Open the original map as Map 1 and the changed one as Map 2 to make a mod.";
constexpr const char* kNoEditsText = "Map 2's defined fields hold the same values as Map 1's: the mod would be empty.";
constexpr const char* kNoMapsText = "No map was chosen; nothing was written.";
const jov::FileDialogOptions kModDialog{"JOV Mod (*.jovmod)|*.jovmod|All Files (*.*)|*.*||", "jovmod", "*.jovmod", false};
const jov::FileDialogOptions kMapsDialog{"Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||", "map", "", true};

jov::DefinitionSet Definitions(CommandContext& context) {
  return jov::LoadDefinitions(QFile::encodeName(context.DefinitionsFolder()).toStdString());
}

// The table, then each edit that does not apply.
std::vector<std::string> TableWithNotes(const jov::ModRun& run, bool preview) {
  std::vector<std::string> lines = jov::ModTableLines(run, preview);
  for (const jov::ModTarget& target : run.maps)
    for (const std::string& note : target.planned.notes) lines.push_back(target.path + ": " + note);
  return lines;
}

}  // namespace

namespace commands {

void MakeMod(CommandContext& context) {
  MapPanel& p1 = context.Panel(1);
  MapPanel& p2 = context.Panel(2);
  if (!p1.Map().m_bOpen || !p2.Map().m_bOpen) throw jov::Refused(kBothMapsForMod);
  if (!context.SaveControls()) return;
  const jov::DefinitionSet definitions = Definitions(context);
  const jov::FieldComparison comparison = jov::CompareFields(p1.Map(), p2.Map(), definitions);
  if (comparison.fields.empty()) throw jov::Refused(kNoEditsText);
  // Title and author first, with what the mod cannot carry, before a file is written.
  CSavePatchDlg details(QString::fromLatin1(p2.Map().m_strMapName.c_str()), comparison.leftOut, context.DialogParent());
  details.setWindowTitle(QStringLiteral("Make Mod"));
  if (context.RunModal(details) != QDialog::Accepted) return;
  const jov::Mod mod = jov::ModFromComparison(comparison, details.PatchTitle(), details.PatchAuthor());
  const auto path = context.Dialogs().PickSaveFile(kModDialog);
  if (!path) return;
  const std::string text = jov::ModText(mod);
  jov::SaveFile file(*path, *path);
  file.File().Write(0, text.data(), text.size());
  file.Commit();
  context.ShowCommandStatus(QStringLiteral("Saved the mod to %1").arg(QFile::decodeName(path->c_str())));
  context.Dialogs().ShowMessage("The mod \"" + mod.title + "\" (" + std::to_string(mod.edits.size()) +
                                (mod.edits.size() == 1 ? " edit" : " edits") + ") was saved to " + *path + ".");
}

void ApplyMod(CommandContext& context) {
  if (!context.SaveControls()) return;
  jov::FileDialogOptions options = kModDialog;
  options.mustExist = true;
  const auto modPath = context.Dialogs().PickOpenFile(options);
  if (!modPath) return;
  const jov::DefinitionSet definitions = Definitions(context);
  // The whole mod is read and checked before a map is chosen.
  const jov::Mod mod = jov::ReadModFile(*modPath);
  jov::CheckModEdits(mod, *modPath, definitions);
  const std::vector<std::string> maps = context.Dialogs().PickOpenFiles(kMapsDialog);
  if (maps.empty()) {
    context.ShowCommandStatus(QString::fromLatin1(kNoMapsText));
    return;
  }
  const std::string label = jov::ModStepLabel(mod, *modPath);
  jov::ModRun run = jov::PlanModForMaps(mod, label, maps, definitions, context.Edits(), "");

  // The preview: what each map would take, as if written without partial.
  jov::ModRun preview = run;
  jov::ApplyModRun(preview, false, [](const jov::EditPlan&) {
    jov::PlanOutcome wouldBe;
    wouldBe.written = true;
    return wouldBe;
  });
  CApplyModDlg ask(QString::fromLatin1(label.c_str()), TableWithNotes(preview, true), true, context.DialogParent());
  if (context.RunModal(ask) != QDialog::Accepted) return;

  jov::ApplyModRun(run, ask.Partial(), [&](const jov::EditPlan& plan) { return context.DocumentOf(plan.path).Apply(plan); });
  context.ReloadChangedPanels();
  context.LoadControls();
  std::size_t written = 0;
  for (const jov::ModTarget& target : run.maps) written += target.state == jov::ModTarget::State::Written;
  context.ShowCommandStatus(QStringLiteral("%1: %2 of %3 maps written").arg(QString::fromLatin1(label.c_str())).arg(written).arg(run.maps.size()));
  CApplyModDlg result(QString::fromLatin1(label.c_str()), TableWithNotes(run, false), false, context.DialogParent());
  context.RunModal(result);
}

}  // namespace commands
