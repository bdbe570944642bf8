// The main window's commands that move metadata and data: Save Metadata, Inject,
// Direct Inject and Insert Data at End of Map.
#include "CMapEditorDlg.h"
#include "MapPanel.h"

void CMapEditorDlg::OnSaveMetadata(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnInject(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnDirectInject(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnInsertDataAtEnd(MapPanel& /*panel*/) {}
