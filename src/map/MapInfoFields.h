#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "map/MapFile.h"
#include "map/MapHeaderInfo.h"
#include "platform/TreeView.h"

// The "Map Info" dialog without a window: its fields as texts, how they are read
// back (order, limits, the toolkit's messages), its save flag and what happens
// when it closes. The editor's CMapInfoDlg and `jov-cli header` are thin layers
// over this.
namespace jov {

// The fields in the order the dialog reads them back.
enum class MapInfoField {
  EofPosition,
  EofSpaceSize,
  IndexMagic,
  IndexOffset,
  Magic,
  BuildDate,
  Filename,
  Format,
  MapName,
  Nickname,
  MapType,
  Version,
  MetaIndexSize,
  TypeText,
  TagCount,
};
inline constexpr int kMapInfoFieldCount = 15;

enum class MapInfoFieldKind { Text, Int16, Int32 };

struct MapInfoFieldRow {
  MapInfoField field;
  const char* label;  // "EoF Position", ...
  const char* group;  // "EoF Information", ...
  MapInfoFieldKind kind;
  bool editable;
  int limit;  // characters; 0 for none
};

// In reading order; index n describes MapInfoField n.
const std::array<MapInfoFieldRow, kMapInfoFieldCount>& MapInfoFieldRows();
// The fields as the dialog shows them, group by group, top to bottom.
const std::array<MapInfoField, kMapInfoFieldCount>& MapInfoDisplayOrder();
const MapInfoFieldRow& RowOf(MapInfoField field);

inline constexpr const char* kNoMapForHeader = "No map is open in this panel; there is no header to save.";

// The dialog's members.
struct MapInfoValues {
  std::string strFilename;
  std::string strMapName;
  std::string strNickname;
  std::string strIndexMagic;
  std::int16_t nTagCount = 0;
  std::string strIndexOffset;
  std::string strMagic;
  std::int32_t nMetaIndexSize = 0;
  std::int16_t nMapType = 0;
  std::string strTypeText;
  std::int16_t nVersion = 0;
  std::string strFormatText;
  std::string strEofPosition;
  std::int32_t nEofSpaceSize = 0;
  std::string strBuildDate;
};

// The field texts, indexed by MapInfoField.
using MapInfoTexts = std::array<std::string, kMapInfoFieldCount>;
inline std::string& TextOf(MapInfoTexts& texts, MapInfoField field) { return texts[static_cast<std::size_t>(field)]; }
inline const std::string& TextOf(const MapInfoTexts& texts, MapInfoField field) {
  return texts[static_cast<std::size_t>(field)];
}

// Outcome of reading the fields back: the first field that failed and its message.
struct MapInfoCheck {
  bool ok = true;
  MapInfoField field = MapInfoField::EofPosition;
  std::string message;
};

// The members filled from the map model (the Filename without its folder).
MapInfoValues MapInfoValuesOf(const CMapFile& map);
// What the fields show for the members (numbers as signed decimals).
MapInfoTexts MapInfoTextsOf(const MapInfoValues& values);
// Reads the texts into the members in reading order, stopping at the first that
// does not fit its limit or is not an integer; the fields before it are taken.
MapInfoCheck ReadMapInfoTexts(const MapInfoTexts& texts, MapInfoValues& values);
// The header copy the members describe; the fields WriteHeader does not use stay empty.
MapHeaderInfo HeaderInfoToWrite(const MapInfoValues& values);

// One showing of the dialog for one map.
class MapInfoSession {
 public:
  explicit MapInfoSession(const CMapFile& map);

  const MapInfoValues& Values() const { return m_values; }
  // What the fields show at start and after "&Revert": the members' current values.
  MapInfoTexts Shown() const { return MapInfoTextsOf(m_values); }
  // False with no map open in the panel: nothing can be saved.
  bool CanSave() const { return m_canSave; }
  bool SaveFlag() const { return m_saveFlag; }

  // "&Save Changes": reads the fields and sets the save flag, even when a check
  // fails (the dialog then stays open with the focus on that field). Throws
  // Refused (kNoMapForHeader) with no map open.
  MapInfoCheck SaveChanges(const MapInfoTexts& fields);
  // "&Close" and Enter: reads the fields with the same checks; the dialog closes
  // only when they pass. The save flag is not touched. (Escape reads nothing.)
  MapInfoCheck Close(const MapInfoTexts& fields);

 private:
  MapInfoValues m_values;
  bool m_canSave = false;
  bool m_saveFlag = false;
};

// After the dialog has closed, however it closed: with the save flag set, writes
// the members into the header (WriteHeader) and reloads the map. Returns true
// when it wrote.
bool FinishMapInfo(CMapFile& map, TreeView& tree, const MapInfoSession& session);

// The Map Info command: runs the dialog (runDialog drives the session until the
// dialog closes), then FinishMapInfo. Returns true when the header was written.
bool EditHeaderInfo(CMapFile& map, TreeView& tree, const std::function<void(MapInfoSession&)>& runDialog);

}  // namespace jov
