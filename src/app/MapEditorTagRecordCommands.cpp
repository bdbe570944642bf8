// The Tag Information buttons that edit a tag's index record: Swap, Save Changes,
// Revert and Copy.
#include "CMapEditorDlg.h"
#include "MapPanel.h"

void CMapEditorDlg::OnSwap(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnSaveChanges(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnRevert() {}

void CMapEditorDlg::OnCopy(MapPanel& /*panel*/) {}
