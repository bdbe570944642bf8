#pragma once
#include <cstdint>
#include <string>

namespace jov {

// A value copy of one map's header block, as the Map Info dialog shows it.
struct MapHeaderInfo {
  std::string m_strPath;
  std::string m_strNickname;
  std::string m_strTypeText;
  std::string m_strFormatText;
  std::string m_strMapName;
  std::string m_strBuildDate;
  std::string m_strEofPosition;
  std::string m_strIndexOffset;
  std::string m_strMagic;
  std::string m_strIndexMagic;
  std::int32_t m_nEofSpaceSize = 0;
  std::int32_t m_nMetaIndexSize = 0;
  std::uint16_t m_nTagCount = 0;
  std::uint16_t m_nVersion = 0;
  std::uint16_t m_nMapType = 0;
};

}  // namespace jov
