// The tag tree's commands: a selection shows the tag's record, a double click
// (or the context menu) opens its metadata in the hex editor, and the context
// menu copies its name or identifier.
#include <QApplication>
#include <QClipboard>
#include <QLocale>

#include "CHexEditDlg.h"
#include "CommandNames.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "history/StepLabel.h"
#include "platform/UserDialogs.h"
#include "tools/HexEditorText.h"

namespace commands {

void TagSelected(CommandContext& context, MapPanel& panel) {
  // Emptying or rebuilding the tree leaves nothing selected: not a selection.
  if (!panel.HasTagSelection()) return;
  if (!context.SaveControls()) {
    // The fields still show the tag selected before: keep the tree on it, so
    // that no later command takes them for the newly selected tag's.
    panel.RestoreTagSelection();
    return;
  }
  panel.AcceptTagSelection();
  // A class group item has no record: the fields keep what they show.
  if (const auto index = panel.SelectedTag()) {
    panel.ShowTagRecord(panel.Map().GetTagEntry(*index));
    panel.ShowTagViews(index);
  }
  panel.ResetScannerValues();
  panel.FillTagChoiceList();
  context.LoadControls();
}

void OpenTagInHexEditor(CommandContext& context, MapPanel& panel) { OpenTagBytesAt(context, panel, 0); }

void OpenTagBytesAt(CommandContext& context, MapPanel& panel, std::uint32_t offset) {
  if (!context.SaveControls()) return;
  // A class group item has no record, and opens nothing.
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  const int i = *tag;
  CHexEditDlg dialog(jov::HexEditorText(panel.Map(), i), TagHexSave(context, panel, i), context.Runner(),
                     context.DialogParent());
  dialog.setWindowTitle(ToolTitle(QStringLiteral("Hex Editor"), panel, i));
  if (offset > 0) dialog.ShowOffset(static_cast<int>(offset));
  context.RunModal(dialog);
}

std::function<void(const std::string&)> TagHexSave(CommandContext& context, MapPanel& panel, int i) {
  return [&context, &panel, i](const std::string& text) {
    jov::CMapFile& map = panel.Map();
    CommandContext::RequireWritable(panel);
    const std::size_t given = jov::HexEditorDigits(text).size() / 2;
    const auto size = static_cast<std::int32_t>(map.GetTagEntry(i).nSize);
    context.ApplyPlanned(panel, jov::StepLabel("Hex Editor", map, i),
                         [&](jov::UserDialogs&) { jov::SaveHexEditorText(map, i, text); });
    // Bytes past the tag's size are not written: say so, or they seem saved.
    if (size >= 0 && given > static_cast<std::size_t>(size)) {
      const QLocale english(QLocale::English);
      context.Dialogs().ShowMessage(QStringLiteral("%1 bytes were not written: the text holds %2 bytes and the tag's "
                                                   "metadata is %3 bytes long.")
                                        .arg(english.toString(static_cast<qulonglong>(given) -
                                                              static_cast<qulonglong>(size)))
                                        .arg(english.toString(static_cast<qulonglong>(given)))
                                        .arg(english.toString(size))
                                        .toStdString());
    }
  };
}

void CopyTagName(CommandContext&, MapPanel& panel) {
  if (const auto tag = panel.SelectedTag()) {
    const std::string name = panel.Map().GetTagName(*tag);
    QApplication::clipboard()->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
}

void CopyTagIdentifier(CommandContext&, MapPanel& panel) {
  if (const auto tag = panel.SelectedTag())
    QApplication::clipboard()->setText(QString::fromStdString(panel.Map().GetTagEntry(*tag).strIdentifier));
}

}  // namespace commands
