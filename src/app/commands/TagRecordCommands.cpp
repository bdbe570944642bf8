// The Tag Information buttons that edit a tag's index record: Swap, Save Changes,
// Revert and Copy.
#include <QString>

#include "COffsetSwapDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "history/StepLabel.h"
#include "platform/UserDialogs.h"
#include "transfer/TagRecordEdit.h"

namespace commands {

void Swap(CommandContext& context, MapPanel& panel) {
  const std::vector<jov::OffsetSwapItem> list = jov::BuildOffsetSwapList(panel.Map());
  COffsetSwapDlg dialog(list, context.DialogParent());
  dialog.setWindowTitle(ToolTitle(dialog.windowTitle(), panel, panel.SelectedTag()));
  if (context.RunModal(dialog) != QDialog::Accepted) return;
  // "Swap" with no line selected has no tag to take an offset from.
  if (!dialog.SelectedIndex()) return;
  if (!context.SaveControls()) return;
  jov::TagRecordFields fields = panel.RecordFields();
  if (!jov::ApplyOffsetSwap(fields, list, dialog.SelectedIndex())) return;
  panel.SetRecordFields(fields);
  context.LoadControls();
}

void SaveChanges(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  const std::optional<int> tag = panel.SelectedTag();
  if (tag) CommandContext::RequireWritable(panel);
  // Names and classes may change: the next selection or scan builds the list anew.
  panel.EmptyTagChoiceList();
  if (!tag) {
    context.LoadControls();
    return;
  }
  const jov::TagRecordFields fields = panel.RecordFields();
  const std::size_t heldName = panel.Map().GetTagName(*tag).size();
  // A longer name written in place is cut to the old one's length: asked
  // before anything is written, No (keep the map as it is) by default.
  if (!fields.bUpdateSize && fields.strName.size() > heldName &&
      !context.Dialogs().AskYesNoDefaultNo(
          QStringLiteral("The last %1 characters of the name will not be written: a name saved "
                         "in place keeps the old name's length of %2 characters. Check "
                         "\"Update Size\" to save it whole. Save the name cut?")
              .arg(fields.strName.size() - heldName)
              .arg(heldName)
              .toStdString()))
    return;
  // The reload rebuilds the tree: the tag comes back selected, its record shown.
  const jov::PlanOutcome outcome =
      context.ApplyPlanned(panel, jov::StepLabel("Save Changes", panel.Map(), *tag), [&](jov::UserDialogs&) {
        jov::SaveTagChanges(panel.Map(), panel.TagTree(), *tag, fields);
      });
  if (outcome.written)
    context.ShowCommandStatus(OnMap(panel, QStringLiteral("Save Changes: the record of tag %1 written").arg(*tag)));
}

// The controls show the values again: what was typed since is dropped.
void Revert(CommandContext& context, MapPanel&) { context.LoadControls(); }

void Copy(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  jov::TagRecordFields fields = panel.RecordFields();
  jov::CopyTagFields(fields, context.Other(panel).RecordFields());
  panel.SetRecordFields(fields);
  context.LoadControls();
}

}  // namespace commands
