#pragma once
#include <QString>
#include <optional>

class MapPanel;

// What a command acts on, named where the user reads it: a misclick on the
// other panel's map must show in the dialog's title and the status line.

// "Hex Editor - a.map - weap:weapons\pistol\pistol", "Map Builder - a.map".
QString ToolTitle(const QString& tool, const MapPanel& panel, std::optional<int> tag = std::nullopt);
// "a.map: Insert Data: 9 bytes placed at 0x8b20".
QString OnMap(const MapPanel& panel, const QString& text);
// "a.map" from a map's path.
QString MapFileName(const std::string& path);
