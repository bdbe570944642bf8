#include "check/WriteGuards.h"

#include <algorithm>

#include "check/MapCheck.h"
#include "check/MapLayout.h"
#include "map/Refused.h"
#include "map/ValueText.h"

namespace jov {

void RequireEofInFile(CMapFile& map) {
  if (!map.m_bOpen) return;  // the command's own refusal says so
  const std::uint64_t eof = map.StoredEofPosition();
  if (eof < kMapHeaderSize) throw Refused(kEofInsideHeader);
  if (eof > BinaryFile::kMaxPosition) throw Refused(kEofPastFileEnd);
}

std::vector<std::string> NewHeaderErrors(const CMapFile& map, const MapHeaderInfo& info) {
  const std::uint64_t length = map.File().Length();
  const std::uint32_t shownShift = HasPcIndexLayout(map.m_nVersion) ? 4 : 0;
  const std::uint32_t indexHeaderAt = HexToUInt(map.m_strIndexOffset) - shownShift;

  const HeaderNumbers now{map.m_nVersion, indexHeaderAt, map.m_nTagCount, HexToUInt(map.m_strEofPosition)};
  HeaderNumbers next{info.m_nVersion, HexToUInt(info.m_strIndexOffset) - shownShift, info.m_nTagCount,
                     HexToUInt(info.m_strEofPosition)};
  if (next.indexOffset != indexHeaderAt) {
    unsigned char count[2] = {0, 0};
    if (std::uint64_t{next.indexOffset} + 14 <= length) map.File().Read(std::uint64_t{next.indexOffset} + 12, count, 2);
    next.tagCount = ReadLe16(count);
  }
  const auto before = HeaderLayoutErrors(now, length);
  std::vector<std::string> added;
  for (const HeaderLayoutError& e : HeaderLayoutErrors(next, length))
    if (std::none_of(before.begin(), before.end(), [&e](const HeaderLayoutError& b) { return b.kind == e.kind; }))
      added.push_back(e.text);
  return added;
}

std::string HeaderErrorsQuestion(const std::vector<std::string>& errors) {
  std::string text = "This header would give the map errors it does not have now:";
  for (const std::string& e : errors) text += "\n- " + e;
  return text + "\nThe map may not open again. Save it anyway?";
}

bool ConfirmHeaderWrite(const CMapFile& map, const MapHeaderInfo& info, UserDialogs& dialogs) {
  const std::vector<std::string> errors = NewHeaderErrors(map, info);
  return errors.empty() || dialogs.AskYesNoDefaultNo(HeaderErrorsQuestion(errors));
}

}  // namespace jov
