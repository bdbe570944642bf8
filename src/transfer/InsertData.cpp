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

  // The EoF Position as the file holds it now, and the data in place before the
  // header field that makes it part of the map.
  const std::uint32_t p = map.StoredEofPosition();
  if (std::uint64_t{p} + count - 1 > BinaryFile::kMaxPosition) throw FileError(FileError::Cause::BadSeek, kUnnamedFile);
  unsigned char eof[4];
  EncodeHexField(UIntToHex(p + static_cast<std::uint32_t>(count)), eof, 4);
  BinaryFile& file = map.File();
  file.Write(p, bytes.data(), bytes.size());
  file.Write(0x08, eof, sizeof eof);
  return p;
}

std::uint32_t InsertDataAndReload(CMapFile& map, TreeView& tree, const std::string& text) {
  const std::uint32_t p = InsertDataAtEnd(map, text);
  map.Reload(tree);
  return p;
}

}  // namespace jov
