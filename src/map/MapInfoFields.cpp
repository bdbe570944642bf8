#include "map/MapInfoFields.h"

#include "map/FieldText.h"
#include "map/HeaderWriter.h"
#include "map/Refused.h"
#include "map/ValueText.h"

namespace jov {

namespace {

using F = MapInfoField;
using K = MapInfoFieldKind;

constexpr const char* kName = "Name Information";
constexpr const char* kIndex = "Index Information";
constexpr const char* kUse = "Map Use Information";
constexpr const char* kEof = "EoF Information";
constexpr const char* kUseless = "Useless Information";

std::string* TextMember(MapInfoValues& v, MapInfoField field) {
  switch (field) {
    case F::EofPosition: return &v.strEofPosition;
    case F::IndexMagic: return &v.strIndexMagic;
    case F::IndexOffset: return &v.strIndexOffset;
    case F::Magic: return &v.strMagic;
    case F::BuildDate: return &v.strBuildDate;
    case F::Filename: return &v.strFilename;
    case F::Format: return &v.strFormatText;
    case F::MapName: return &v.strMapName;
    case F::Nickname: return &v.strNickname;
    case F::TypeText: return &v.strTypeText;
    default: return nullptr;
  }
}

std::int16_t* Int16Member(MapInfoValues& v, MapInfoField field) {
  switch (field) {
    case F::MapType: return &v.nMapType;
    case F::Version: return &v.nVersion;
    case F::TagCount: return &v.nTagCount;
    default: return nullptr;
  }
}

std::int32_t* Int32Member(MapInfoValues& v, MapInfoField field) {
  switch (field) {
    case F::EofSpaceSize: return &v.nEofSpaceSize;
    case F::MetaIndexSize: return &v.nMetaIndexSize;
    default: return nullptr;
  }
}

}  // namespace

const std::array<MapInfoFieldRow, kMapInfoFieldCount>& MapInfoFieldRows() {
  static const std::array<MapInfoFieldRow, kMapInfoFieldCount> kRows{{
      {F::EofPosition, "EoF Position", kEof, K::Text, true, 8},
      {F::EofSpaceSize, "EoF Space Size (Bytes)", kEof, K::Int32, false, 0},
      {F::IndexMagic, "Index Magic", kIndex, K::Text, true, 8},
      {F::IndexOffset, "Index Offset", kIndex, K::Text, true, 8},
      {F::Magic, "Magic", kIndex, K::Text, false, 8},
      {F::BuildDate, "Map Build Date", kUseless, K::Text, true, 32},
      {F::Filename, "Map Filename", kName, K::Text, false, 0},
      {F::Format, "Map Format", kUse, K::Text, false, 0},
      {F::MapName, "Map Name", kName, K::Text, true, 32},
      {F::Nickname, "Map Nickname", kName, K::Text, false, 0},
      {F::MapType, "Map Type", kUse, K::Int16, true, 0},
      {F::Version, "Map Version", kUse, K::Int16, true, 0},
      {F::MetaIndexSize, "Metadata/Index Size", kIndex, K::Int32, true, 0},
      {F::TypeText, "SP/MP", kUse, K::Text, false, 0},
      {F::TagCount, "Tag Count", kIndex, K::Int16, true, 0},
  }};
  return kRows;
}

const std::array<MapInfoField, kMapInfoFieldCount>& MapInfoDisplayOrder() {
  static const std::array<MapInfoField, kMapInfoFieldCount> kOrder{
      F::Filename, F::MapName,  F::Nickname,  F::IndexMagic,  F::TagCount,     F::IndexOffset, F::Magic,    F::MetaIndexSize,
      F::MapType,  F::TypeText, F::Version,   F::Format,      F::EofPosition,  F::EofSpaceSize, F::BuildDate};
  return kOrder;
}

const MapInfoFieldRow& RowOf(MapInfoField field) { return MapInfoFieldRows()[static_cast<std::size_t>(field)]; }

MapInfoValues MapInfoValuesOf(const CMapFile& map) {
  const MapHeaderInfo h = map.GetHeaderInfo();
  MapInfoValues v;
  v.strFilename = FileNameOf(h.m_strPath);
  v.strMapName = h.m_strMapName;
  v.strNickname = h.m_strNickname;
  v.strIndexMagic = h.m_strIndexMagic;
  v.nTagCount = static_cast<std::int16_t>(h.m_nTagCount);
  v.strIndexOffset = h.m_strIndexOffset;
  v.strMagic = h.m_strMagic;
  v.nMetaIndexSize = h.m_nMetaIndexSize;
  v.nMapType = static_cast<std::int16_t>(h.m_nMapType);
  v.strTypeText = h.m_strTypeText;
  v.nVersion = static_cast<std::int16_t>(h.m_nVersion);
  v.strFormatText = h.m_strFormatText;
  v.strEofPosition = h.m_strEofPosition;
  v.nEofSpaceSize = h.m_nEofSpaceSize;
  v.strBuildDate = h.m_strBuildDate;
  return v;
}

MapInfoTexts MapInfoTextsOf(const MapInfoValues& values) {
  MapInfoValues v = values;  // the member accessors take a mutable object
  MapInfoTexts texts;
  for (const MapInfoFieldRow& row : MapInfoFieldRows()) {
    std::string& text = TextOf(texts, row.field);
    if (const std::string* s = TextMember(v, row.field)) text = *s;
    else if (const std::int16_t* n16 = Int16Member(v, row.field)) text = IntToDecimal(*n16);
    else if (const std::int32_t* n32 = Int32Member(v, row.field)) text = IntToDecimal(*n32);
  }
  return texts;
}

MapInfoCheck ReadMapInfoTexts(const MapInfoTexts& texts, MapInfoValues& values) {
  for (const MapInfoFieldRow& row : MapInfoFieldRows()) {
    const std::string& text = TextOf(texts, row.field);
    if (row.limit > 0 && !FitsLimit(text, row.limit)) return {false, row.field, EnterNoMoreThan(row.limit)};
    switch (row.kind) {
      case K::Text: *TextMember(values, row.field) = text; break;
      case K::Int16: {
        const auto n = ParseInt16Field(text);
        if (!n) return {false, row.field, kEnterInteger};
        *Int16Member(values, row.field) = *n;
        break;
      }
      case K::Int32: {
        const auto n = ParseInt32Field(text);
        if (!n) return {false, row.field, kEnterInteger};
        *Int32Member(values, row.field) = *n;
        break;
      }
    }
  }
  return {};
}

MapHeaderInfo HeaderInfoToWrite(const MapInfoValues& v) {
  MapHeaderInfo info;
  info.m_strMapName = v.strMapName;
  info.m_strBuildDate = v.strBuildDate;
  info.m_strEofPosition = v.strEofPosition;
  info.m_strIndexOffset = v.strIndexOffset;
  info.m_strIndexMagic = v.strIndexMagic;
  info.m_nMetaIndexSize = v.nMetaIndexSize;
  info.m_nTagCount = static_cast<std::uint16_t>(v.nTagCount);
  info.m_nVersion = static_cast<std::uint16_t>(v.nVersion);
  info.m_nMapType = static_cast<std::uint16_t>(v.nMapType);
  return info;
}

MapInfoSession::MapInfoSession(const CMapFile& map) : m_values(MapInfoValuesOf(map)), m_canSave(map.m_bOpen) {}

MapInfoCheck MapInfoSession::SaveChanges(const MapInfoTexts& fields) {
  if (!m_canSave) throw Refused(kNoMapForHeader);
  m_saveFlag = true;
  return ReadMapInfoTexts(fields, m_values);
}

MapInfoCheck MapInfoSession::Close(const MapInfoTexts& fields) { return ReadMapInfoTexts(fields, m_values); }

bool FinishMapInfo(CMapFile& map, TreeView& tree, const MapInfoSession& session) {
  if (!session.SaveFlag()) return false;
  if (!map.m_bOpen) throw Refused(kNoMapForHeader);
  WriteHeader(map, HeaderInfoToWrite(session.Values()));
  map.Reload(tree);
  return true;
}

bool EditHeaderInfo(CMapFile& map, TreeView& tree, const std::function<void(MapInfoSession&)>& runDialog) {
  MapInfoSession session(map);
  runDialog(session);
  return FinishMapInfo(map, tree, session);
}

}  // namespace jov
