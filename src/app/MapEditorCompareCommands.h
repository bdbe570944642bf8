#pragma once

class CMapEditorDlg;
class MapPanel;

// The main window's "Compare Map 1 with Map 2" and "Apply Patch to Map N..."
// commands, run through its command dispatch.
void CompareMapsCommand(CMapEditorDlg& window);
void ApplyPatchCommand(CMapEditorDlg& window, MapPanel& panel);
