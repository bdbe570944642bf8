#include "builder/AddTag.h"

#include <cstdio>

#include "map/HeaderWriter.h"
#include "check/WriteGuards.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "transfer/TagEntryWriter.h"

namespace jov {

namespace {

constexpr std::uint32_t kEntrySize = 32;
constexpr std::uint32_t kFirstEntry = 0x24;  // from the index offset the model holds, for every version
constexpr std::uint32_t kIdentifierStep = 0x00010001;
constexpr std::uint16_t kMaxTags = 0xFFFF;

std::string IdentifierText(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::uint32_t NewEntryOffset(const CMapFile& map) {
  return HexToUInt(map.m_strIndexOffset) + kFirstEntry + kEntrySize * map.m_nTagCount;
}

bool Overlaps(std::uint64_t begin, std::uint64_t length, std::uint64_t otherBegin, std::uint64_t otherLength) {
  return length > 0 && otherLength > 0 && begin < otherBegin + otherLength && otherBegin < begin + length;
}

}  // namespace

TagEntry BuildNewTagEntry(const CMapFile& map, const MapBuilderFields& fields, std::uint32_t tagFileLength) {
  const std::uint32_t eof = HexToUInt(map.m_strEofPosition);
  const auto nameLength = static_cast<std::uint32_t>(fields.strTagName.size());
  const TagEntry last = map.GetTagEntry(map.m_nTagCount - 1);

  TagEntry entry;
  entry.strClass1 = fields.strClass1;
  entry.strClass2 = fields.strClass2;
  entry.strClass3 = fields.strClass3;
  entry.strName = fields.strTagName;
  entry.strEntryOffset = UIntToHex(NewEntryOffset(map));
  entry.strMetaOffset = UIntToHex(eof + nameLength + 1);
  entry.strIdentifier = IdentifierText(HexToUInt(last.strIdentifier) + kIdentifierStep);
  entry.nSize = tagFileLength + nameLength + 1;
  return entry;
}

bool OverlapsTagData(const CMapFile& map, std::uint64_t begin, std::uint64_t length) {
  for (int i = 0; i < map.m_nTagCount; ++i) {
    const TagEntry& r = map.m_tags[static_cast<std::size_t>(i)];
    if (Overlaps(begin, length, HexToUInt(r.strNameOffset), r.strName.size() + 1)) return true;
    if (Overlaps(begin, length, HexToUInt(r.strMetaOffset), r.nSize)) return true;
  }
  return false;
}

bool NewEntryOverlapsTagData(const CMapFile& map) { return OverlapsTagData(map, NewEntryOffset(map), kEntrySize); }

AddTagResult AddTag(CMapFile& map, TreeView& tree, const MapBuilderFields& fields, UserDialogs& dialogs) {
  if (!map.m_bOpen) throw Refused(kAddTagNoMap);
  if (map.m_nTagCount == 0) throw Refused(kAddTagNoTags);
  if (map.m_nTagCount >= kMaxTags) throw Refused(kAddTagIndexFull);

  // The tag file is opened and measured before anything is written, so a file
  // that is missing (or was never chosen) leaves the map untouched.
  BinaryFile tagFile;
  tagFile.Open(fields.strTagFile, BinaryFile::Mode::ReadOnly,
               fields.strTagFile.empty() ? std::string(kUnnamedFile) : fields.strTagFile);
  // Measured in 64 bits: a tag file of 4 GiB or more must not wrap to a small room.
  const std::uint64_t measured = tagFile.Length();
  map.CheckIndexUnchanged();
  RequireEofInFile(map);  // takes the EoF Position from the file
  if (measured > BinaryFile::kMaxPosition) throw Refused(kAddTagFileTooLarge);
  const auto tagFileLength = static_cast<std::uint32_t>(measured);

  const TagEntry entry = BuildNewTagEntry(map, fields, tagFileLength);
  // Every place written must be reachable, or the command would stop half-way
  // with the entry written and the header not.
  const std::uint64_t eof = HexToUInt(map.m_strEofPosition);
  if (HexToUInt(entry.strEntryOffset) + std::uint64_t{kEntrySize} > BinaryFile::kMaxPosition ||
      eof + fields.strTagName.size() + 1 > BinaryFile::kMaxPosition)
    throw FileError(FileError::Cause::BadSeek, kUnnamedFile);
  if (std::uint64_t{HexToUInt(entry.strMetaOffset)} + tagFileLength > BinaryFile::kMaxPosition)
    throw Refused(kAddTagFileTooLarge);

  if (NewEntryOverlapsTagData(map) && !dialogs.AskYesNoDefaultNo(kAddTagOverwriteQuestion)) return AddTagResult::Declined;

  const std::uint16_t count = map.m_nTagCount;
  WriteTagEntry(map, count, entry, kNameAtEof, true);

  // The model still holds the old EoF Position.
  MapHeaderInfo info = map.GetHeaderInfo();
  info.m_nTagCount = static_cast<std::uint16_t>(count + 1);
  info.m_strEofPosition = UIntToHex(HexToUInt(entry.strMetaOffset) + tagFileLength);
  WriteHeader(map, info);

  tagFile.Close();
  map.Close(tree);
  return AddTagResult::Added;
}

}  // namespace jov
