#include "scanner/MetaHex.h"

#include <algorithm>
#include <vector>

#include "map/Refused.h"
#include "map/TagBytes.h"
#include "map/ValueText.h"

namespace jov {

void CheckMetaSize(std::uint32_t size) {
  if (size > kMetaBufferSize) throw Refused(kTagTooLarge);
}

std::string ReadMetaHex(CMapFile& map, int i) {
  CheckMetaSize(map.m_tags[static_cast<std::size_t>(i)].nSize);
  // A CE external tag's bytes come from its resource map.
  const std::vector<unsigned char> buffer = ReadTagBytes(map, i);
  CheckMetaSize(static_cast<std::uint32_t>(std::min<std::size_t>(buffer.size(), 0xFFFFFFFFu)));
  return BytesToHex(buffer.data(), static_cast<long>(buffer.size()));
}

void WriteMetaHex(CMapFile& map, int i, std::string_view text, long length) {
  RefuseWriteOutsideMap(map, i);
  const TagEntry& tag = map.m_tags[static_cast<std::size_t>(i)];
  const std::uint32_t count = length < 0 ? tag.nSize : static_cast<std::uint32_t>(length);
  CheckMetaSize(count);
  std::vector<unsigned char> buffer(std::max<std::size_t>(count, (text.size() + 1) / 2));
  HexToBytes(text, buffer.data());
  map.File().Write(HexToUInt(tag.strMetaOffset), buffer.data(), count);
}

void PutHexAt(std::string& text, std::string_view piece, long pos) {
  const long size = static_cast<long>(text.size());
  for (long k = 0; k < static_cast<long>(piece.size()); ++k) {
    const long at = pos + k;
    if (at >= 0 && at < size) text[static_cast<std::size_t>(at)] = piece[static_cast<std::size_t>(k)];
  }
}

}  // namespace jov
