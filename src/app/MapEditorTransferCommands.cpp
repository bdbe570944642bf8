// The main window's commands that move metadata and data: Save Metadata, Inject,
// Direct Inject.
#include <QString>

#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "history/StepLabel.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"

namespace {

// "weap:weapons\\pistol\\pistol": a tag as the status bar names it.
QString TagLabel(const MapPanel& panel, int tag) {
  const std::string text = panel.Map().GetTagClass(tag, 1) + ":" + panel.Map().GetTagName(tag);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// Save Metadata and Inject read no field: a value that does not parse elsewhere
// in the window does not stand in their way.
void CMapEditorDlg::OnSaveMetadata(MapPanel& panel) {
  if (const std::optional<int> tag = panel.SelectedTag()) jov::ExtractTagMetadata(panel.Map(), *tag, m_dialogs);
}

void CMapEditorDlg::OnInject(MapPanel& panel) {
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  RequireWritable(panel);
  jov::InjectOutcome outcome = jov::InjectOutcome::Cancelled;
  ApplyPlanned(panel, jov::StepLabel("Inject", panel.Map(), *tag),
               [&](jov::UserDialogs& dialogs) { outcome = jov::InjectTagMetadata(panel.Map(), *tag, dialogs); });
  if (outcome == jov::InjectOutcome::Completed)
    ShowCommandStatus(QStringLiteral("Inject: %1 %2").arg(panel.title(), TagLabel(panel, *tag)));
}

// Copies the selected tag of the panel's Direct Inject source (the other panel)
// over this panel's selected tag.
void CMapEditorDlg::OnDirectInject(MapPanel& panel) {
  if (!SaveControls()) return;
  MapPanel* source = panel.DirectInjectSource();
  const std::optional<int> destinationTag = panel.SelectedTag();
  const std::optional<int> sourceTag = source ? source->SelectedTag() : std::nullopt;
  if (destinationTag && sourceTag) {
    RequireWritable(panel);
    jov::DirectInjectOutcome outcome = jov::DirectInjectOutcome::Declined;
    ApplyPlanned(panel, jov::StepLabel("Direct Inject", panel.Map(), *destinationTag), [&](jov::UserDialogs& dialogs) {
      outcome = jov::DirectInjectTag(panel.Map(), *destinationTag, source->Map(), *sourceTag, dialogs);
    });
    if (outcome == jov::DirectInjectOutcome::Completed)
      ShowCommandStatus(QStringLiteral("Direct Inject: %1 %2 -> %3 %4")
                            .arg(source->title(), TagLabel(*source, *sourceTag), panel.title(),
                                 TagLabel(panel, *destinationTag)));
  }
  LoadControls();
}
