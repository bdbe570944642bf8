// The Meta Scanner's commands of the main window.
#include "CMapEditorDlg.h"
#include "MapPanel.h"

void CMapEditorDlg::OnScanMetadata(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnClearScanner(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnUpdateItem(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnScanResultSelected(MapPanel& /*panel*/) {}
