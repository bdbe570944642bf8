// The main window's tool commands: Map Info, the calculators, the Guerilla tag
// converter, Add Tag and the hex editor opened from the tag tree.
#include "CMapEditorDlg.h"
#include "MapPanel.h"

void CMapEditorDlg::OnMapInfo(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnHexFloatCalculator() {}

void CMapEditorDlg::OnReflexiveCalculator() {}

void CMapEditorDlg::OnGuerillaTagConverter() {}

void CMapEditorDlg::OnAddTag(MapPanel& /*panel*/) {}

void CMapEditorDlg::OnTagDoubleClicked(MapPanel& /*panel*/) {}
