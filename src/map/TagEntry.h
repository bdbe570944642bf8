#pragma once
#include <cstdint>
#include <string>

#include "platform/TreeView.h"

namespace jov {

// One tag's index record. Offsets are lowercase hex text without leading zeros,
// the identifier exactly 8 lowercase digits; the panels show these texts as held.
struct TagEntry {
  std::uint32_t nSize = 0;  // 0 for the last tag and every "sbsp" tag
  std::string strClass1;
  std::string strClass2;
  std::string strClass3;
  std::string strName;
  std::string strIdentifier;
  std::string strMetaOffset;
  std::string strNameOffset;
  std::string strEntryOffset;
  TreeItem hTreeItem = 0;
};

}  // namespace jov
