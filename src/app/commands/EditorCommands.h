#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

class CommandContext;
class MapPanel;

namespace jov {
class CMapFile;
}

// The editor's commands, one function each, grouped by the file that holds
// them. A panel command runs for the panel it is given; its twin in the other
// panel is the same function with the other panel.
namespace commands {

// FileCommands.cpp: the File and Help menus, and Find.
void OpenMap(CommandContext& context, MapPanel& panel);
void CloseMap(CommandContext& context, MapPanel& panel);
void Exit(CommandContext& context);
// Focuses the filter of the panel that has the focus (Map 1 when neither has).
void Find(CommandContext& context);
void About(CommandContext& context);

// HistoryCommands.cpp: the Edit menu's Undo, Redo and History...
void Undo(CommandContext& context);
void Redo(CommandContext& context);
void History(CommandContext& context);
// The steps Undo and Redo take next, for their labels: the newest finished
// step of the maps open, and the step undone most recently among them.
std::optional<jov::StepInfo> NextUndo(CommandContext& context);
std::optional<jov::StepInfo> NextRedo(CommandContext& context);

// TagTreeCommands.cpp: the tag tree's clicks and its context menu.
void TagSelected(CommandContext& context, MapPanel& panel);
// The hex editor on the selected tag's metadata (a double click).
void OpenTagInHexEditor(CommandContext& context, MapPanel& panel);
// The hex editor on the selected tag, its cursor on the byte at offset of the
// metadata (a field's Show Bytes).
void OpenTagBytesAt(CommandContext& context, MapPanel& panel, std::uint32_t offset);
void CopyTagName(CommandContext& context, MapPanel& panel);
void CopyTagIdentifier(CommandContext& context, MapPanel& panel);
// The hex editor's "Save" for tag i of the panel's map.
std::function<void(const std::string&)> TagHexSave(CommandContext& context, MapPanel& panel, int i);

// TagRecordCommands.cpp: the Tag Information buttons that edit a tag's record.
void Swap(CommandContext& context, MapPanel& panel);
void SaveChanges(CommandContext& context, MapPanel& panel);
void Revert(CommandContext& context, MapPanel& panel);
void Copy(CommandContext& context, MapPanel& panel);

// InjectCommands.cpp: metadata out of and into a tag.
void SaveMetadata(CommandContext& context, MapPanel& panel);
void Inject(CommandContext& context, MapPanel& panel);
void DirectInject(CommandContext& context, MapPanel& panel);

// ScannerCommands.cpp: the Meta Scanner.
void ScanMetadata(CommandContext& context, MapPanel& panel);
void ClearScanner(CommandContext& context, MapPanel& panel);
void UpdateItem(CommandContext& context, MapPanel& panel);
void ScanResultSelected(CommandContext& context, MapPanel& panel);
// A double-clicked result line: a Dependency or LoneID selects the tag it
// names, a Reflexive opens the hex editor at its offset.
void ScanResultActivated(CommandContext& context, MapPanel& panel);
// Scan Metadata again on the selected tag with the values the panel holds.
void Rescan(MapPanel& panel);

// ToolCommands.cpp: the Tools menu's dialogs.
void MapInfo(CommandContext& context, MapPanel& panel);
void HexFloatCalculator(CommandContext& context);
void ReflexiveCalculator(CommandContext& context);
void GuerillaTagConverter(CommandContext& context);
void InsertDataAtEnd(CommandContext& context, MapPanel& panel);
void AddTag(CommandContext& context, MapPanel& panel);

// IntegrityCommands.cpp: Check Map and Fix CRC32.
void CheckMap(CommandContext& context, MapPanel& panel);
void FixCrc(CommandContext& context, MapPanel& panel);

// CompareCommands.cpp: Compare Map 1 with Map 2, Apply Patch to Map N.
void CompareMaps(CommandContext& context);
void ApplyPatch(CommandContext& context, MapPanel& panel);

// FieldCommands.cpp: the Fields view's edits and the definitions folder.
// Writes text into the field at path of the selected tag; whether it wrote.
bool SetField(CommandContext& context, MapPanel& panel, const std::string& path, const QString& text);
// Writes bytes over the selected tag's metadata at offset (the hex view below
// the fields); whether it wrote.
bool SetFieldBytes(CommandContext& context, MapPanel& panel, std::uint32_t offset, const std::vector<unsigned char>& bytes);
void ChooseDefinitionsFolder(CommandContext& context);
// Where CE maps' resource maps are read from when they are not beside the map.
void ChooseResourceFolder(CommandContext& context);

}  // namespace commands
