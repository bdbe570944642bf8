#include "transfer/InsertData.h"

#include <vector>

#include "check/WriteGuards.h"
#include "map/HexTextInput.h"
#include "map/Refused.h"
#include "map/ValueText.h"

namespace jov {

std::uint32_t InsertDataAtEnd(CMapFile& map, std::string text) {
  if (!map.m_bOpen) throw Refused(kInsertNoMap);
  RequireEofInFile(map);
  text = RemoveWhitespace(text);
  const std::size_t length = text.size();
  if ((length + 1) / 2 > kMaxInsertBytes) throw Refused(kInsertTooLarge);

  // L/2 + 1 bytes: the data and a zero byte for an even L, exactly the data of
  // the "0"-padded text for an odd L.
  const std::size_t count = length / 2 + 1;
  std::vector<unsigned char> bytes(count, 0);
  HexToBytes(text, bytes.data());

  const std::uint32_t p = HexToUInt(map.m_strEofPosition);
  unsigned char eof[4];
  EncodeHexField(UIntToHex(p + static_cast<std::uint32_t>(count)), eof, 4);
  BinaryFile& file = map.File();
  file.Write(0x08, eof, sizeof eof);
  file.Write(p, bytes.data(), bytes.size());
  return p;
}

std::uint32_t InsertDataAndReload(CMapFile& map, TreeView& tree, const std::string& text) {
  const std::uint32_t p = InsertDataAtEnd(map, text);
  map.Reload(tree);
  return p;
}

}  // namespace jov
