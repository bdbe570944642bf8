// The main window's commands that move metadata and data: Save Metadata, Inject,
// Direct Inject.
#include "CMapEditorDlg.h"
#include "MapPanel.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"

// Save Metadata and Inject read no field: a value that does not parse elsewhere
// in the window does not stand in their way.
void CMapEditorDlg::OnSaveMetadata(MapPanel& panel) {
  if (const std::optional<int> tag = panel.SelectedTag()) jov::ExtractTagMetadata(panel.Map(), *tag, m_dialogs);
}

void CMapEditorDlg::OnInject(MapPanel& panel) {
  if (const std::optional<int> tag = panel.SelectedTag()) jov::InjectTagMetadata(panel.Map(), *tag, m_dialogs);
}

// Copies the selected tag of the panel's Direct Inject source (the other panel)
// over this panel's selected tag.
void CMapEditorDlg::OnDirectInject(MapPanel& panel) {
  if (!SaveControls()) return;
  MapPanel* source = panel.DirectInjectSource();
  const std::optional<int> destinationTag = panel.SelectedTag();
  const std::optional<int> sourceTag = source ? source->SelectedTag() : std::nullopt;
  if (destinationTag && sourceTag)
    jov::DirectInjectTag(panel.Map(), *destinationTag, source->Map(), *sourceTag, m_dialogs);
  LoadControls();
}
