#include "map/MapFile.h"
#include "platform/PathText.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "map/Refused.h"
#include "map/ResourceMap.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

namespace jov {

namespace {

const FileDialogOptions kOpenMapDialog{"Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||", "map", "*.map", true};

}  // namespace

void CMapFile::Open(TreeView& tree, UserDialogs& dialogs) {
  if (m_bOpen) return;
  const auto path = dialogs.PickOpenFile(kOpenMapDialog);
  if (!path) return;
  m_strPath = *path;
  ReadMap(tree);
}

void CMapFile::OpenPath(TreeView& tree, const std::string& path) {
  if (m_bOpen) return;
  m_strPath = path;
  ReadMap(tree);
}

void CMapFile::ReadMap(TreeView& tree) {
  // The file is opened and the whole index read before the tree is touched, so a
  // map that cannot be read leaves the panel closed and its tree empty.
  OpenFile();
  try {
    m_stamp = FileStamp::Of(m_strPath);
    ReadHeader();
    ReadEntries();
  } catch (...) {
    m_file.Close();
    m_tags.clear();
    m_tagByTreeItem.clear();
    m_nTagCount = 0;
    throw;
  }
  m_bOpen = true;
  Identify(tree);
  FillTree(tree);
}

void CMapFile::OpenFile() {
  m_bReadOnly = false;
  if (!m_bAllowReadOnly) {
    try {
      m_file.Open(m_strPath, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    } catch (const FileError&) {
      // The map tools have always reported any failure to open a map this way.
      throw FileError(FileError::Cause::NotFound, kUnnamedFile);
    }
    return;
  }
  // A folder, a device or a pipe: opening one for writing says "access denied",
  // which would send the user looking at permissions.
  std::error_code error;
  const auto status = std::filesystem::status(PathFromUtf8(m_strPath), error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    throw FileError(FileError::Cause::NotRegularFile, kUnnamedFile);
  // A file marked read-only for everyone is not written, even by a user whom the
  // system would let write it.
  using std::filesystem::perms;
  if (!error && std::filesystem::exists(status) &&
      (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none) {
    m_file.Open(m_strPath, BinaryFile::Mode::ReadOnly, kUnnamedFile);
    m_bReadOnly = true;
    return;
  }
  try {
    m_file.Open(m_strPath, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  } catch (const FileError& denied) {
    if (denied.cause() != FileError::Cause::AccessDenied) throw;
    m_file.Open(m_strPath, BinaryFile::Mode::ReadOnly, kUnnamedFile);
    m_bReadOnly = true;
  }
}

void CMapFile::Close(TreeView& tree) {
  if (!m_bOpen) return;
  m_file.Close();
  tree.SetBackgroundColor(0);
  tree.DeleteAllItems();
  m_bOpen = false;
}

void CMapFile::CloseFile() {
  if (!m_bOpen) return;
  m_file.Close();
  m_bOpen = false;
}

void CMapFile::Reload(TreeView& tree) {
  Close(tree);
  OpenPath(tree, m_strPath);
}

void CMapFile::ReadHeader() {
  unsigned char header[0x64];
  m_file.Read(0, header, sizeof header);

  const std::uint32_t indexOffset = ReadLe32(header + 0x10);
  m_strIndexOffset = TrimmedHex(indexOffset);
  m_strEofPosition = TrimmedHex(ReadLe32(header + 0x08));
  m_nMetaIndexSize = static_cast<std::int32_t>(ReadLe32(header + 0x14));
  m_nVersion = ReadLe16(header + 0x04);
  m_nMapType = ReadLe16(header + 0x60);
  // The 32-byte texts end at their first zero byte, and at 32 characters.
  m_strMapName.assign(reinterpret_cast<const char*>(header + 0x20),
                      strnlen(reinterpret_cast<const char*>(header + 0x20), 32));
  m_strBuildDate.assign(reinterpret_cast<const char*>(header + 0x40),
                        strnlen(reinterpret_cast<const char*>(header + 0x40), 32));

  // Two reads, as each field is positioned to: a count lying at 0x80000000 or
  // more cannot be reached even when the magic can.
  unsigned char indexMagic[4];
  unsigned char tagCount[2];
  m_file.Read(indexOffset, indexMagic, sizeof indexMagic);
  m_file.Read(std::uint64_t{indexOffset} + 0x0C, tagCount, sizeof tagCount);
  m_strIndexMagic = TrimmedHex(ReadLe32(indexMagic));
  m_nTagCount = ReadLe16(tagCount);
  // The scenario's identifier and the model data fields, for the picture of
  // where each tag's bytes live.
  unsigned char scenario[4];
  unsigned char model[16];
  m_file.Read(std::uint64_t{indexOffset} + 0x04, scenario, sizeof scenario);
  m_file.Read(std::uint64_t{indexOffset} + 0x14, model, sizeof model);
  m_pictureHeader.version = ReadLe16(header + 0x04);
  m_pictureHeader.eofPosition = ReadLe32(header + 0x08);
  m_pictureHeader.indexOffset = indexOffset;
  m_pictureHeader.tagDataSize = ReadLe32(header + 0x14);
  m_pictureHeader.scenarioId = ReadLe32(scenario);
  m_pictureHeader.modelField14 = ReadLe32(model);
  m_pictureHeader.modelField1C = ReadLe32(model + 8);
  m_pictureHeader.modelSize = ReadLe32(model + 12);

  // Derived values: the magic is the index magic minus the first entry's offset.
  m_nEofSpaceSize = m_nVersion == kVersionXbox
                        ? static_cast<std::int32_t>(static_cast<std::uint32_t>(m_file.Length()) -
                                                    HexToUInt(m_strEofPosition))
                        : 0;
  std::uint32_t magic = HexToUInt(m_strIndexMagic) - indexOffset - 0x24;
  if (HasPcIndexLayout(m_nVersion)) {
    magic -= 4;
    m_strIndexOffset = UIntToHex(indexOffset + 4);
  }
  m_strMagic = ToUpperAscii(UIntToHex(magic));
  m_pictureHeader.magic = magic;
  m_pictureHeader.fileLength = m_file.Length();
}

std::uint32_t CMapFile::StoredEofPosition() {
  unsigned char eof[4];
  m_file.Read(0x08, eof, sizeof eof);
  const std::uint32_t value = ReadLe32(eof);
  m_strEofPosition = TrimmedHex(value);
  return value;
}

void CMapFile::CheckIndexUnchanged() {
  unsigned char offset[4];
  m_file.Read(0x10, offset, sizeof offset);
  const std::uint32_t indexOffset = ReadLe32(offset);
  unsigned char count[2];
  m_file.Read(std::uint64_t{indexOffset} + 0x0C, count, sizeof count);
  const std::uint32_t modelOffset = HexToUInt(m_strIndexOffset) - (HasPcIndexLayout(m_nVersion) ? 4 : 0);
  if (indexOffset != modelOffset || ReadLe16(count) != m_nTagCount) throw Refused(kMapChangedOnDisk);
}

void CMapFile::ReadEntries() {
  const std::uint32_t magic = Magic();
  const std::uint32_t first = HexToUInt(m_strIndexOffset) + 0x24;
  const std::size_t count = m_nTagCount;
  m_tags.assign(count, TagEntry{});
  m_tagByTreeItem.clear();
  m_picture = MapPicture{};
  m_resourceMaps.clear();
  if (count == 0) return;

  // Every field of every entry is positioned to on its own by the format's
  // readers: the last entry's metadata pointer must lie where a position can reach.
  if (first + 32ull * (count - 1) + 0x14 > BinaryFile::kMaxPosition)
    throw FileError(FileError::Cause::BadSeek, kUnnamedFile);
  std::vector<unsigned char> index(count * 32);
  m_file.Read(first, index.data(), count * 32);

  std::vector<std::uint32_t> nameOffsets(count);
  for (std::size_t n = 0; n < count; ++n) {
    const unsigned char* e = index.data() + n * 32;
    TagEntry& r = m_tags[n];
    r.strEntryOffset = UIntToHex(static_cast<std::uint32_t>(first + 32 * n));
    // A class code is the text of its 4 stored bytes (up to the first zero byte,
    // in file order), reversed.
    std::string* classes[] = {&r.strClass1, &r.strClass2, &r.strClass3};
    for (int c = 0; c < 3; ++c) {
      const char* stored = reinterpret_cast<const char*>(e + 4 * c);
      classes[c]->assign(stored, strnlen(stored, 4));
      std::reverse(classes[c]->begin(), classes[c]->end());
    }
    r.strIdentifier = SwapHexBytes(DwordToHex(e + 0x0C));
    nameOffsets[n] = ReadLe32(e + 0x10) - magic;
    r.strNameOffset = UIntToHex(nameOffsets[n]);
    r.strMetaOffset = UIntToHex(ReadLe32(e + 0x14) - magic);
  }
  PlaceTags(index);

  // Names: at most 1995 characters each, read in one span when they lie together.
  constexpr std::uint32_t kNameRead = 1995;
  constexpr std::uint64_t kMaxSpan = 32u << 20;
  for (const std::uint32_t at : nameOffsets)
    if (at > BinaryFile::kMaxPosition) throw FileError(FileError::Cause::BadSeek, kUnnamedFile);
  const auto [lo, hi] = std::minmax_element(nameOffsets.begin(), nameOffsets.end());
  const std::uint64_t span = std::uint64_t{*hi} - *lo + kNameRead;
  std::vector<char> names;
  if (span <= kMaxSpan) {
    names.resize(span + 1);
    m_file.Read(*lo, names.data(), span);
  }
  std::vector<char> one(kNameRead + 1);
  for (std::size_t n = 0; n < count; ++n) {
    const char* text;
    if (!names.empty()) {
      text = names.data() + (nameOffsets[n] - *lo);
    } else {
      m_file.Read(nameOffsets[n], one.data(), kNameRead);
      text = one.data();
    }
    m_tags[n].strName.assign(text, strnlen(text, kNameRead));
  }
}

void CMapFile::PlaceTags(const std::vector<unsigned char>& index) {
  const std::size_t count = m_tags.size();
  std::vector<PictureEntry> entries(count);
  for (std::size_t n = 0; n < count; ++n) {
    const unsigned char* e = index.data() + n * 32;
    entries[n] = {m_tags[n].strClass1, ReadLe32(e + 0x0C), ReadLe32(e + 0x14), ReadLe32(e + 0x18)};
  }
  const std::uint64_t length = m_pictureHeader.fileLength;
  m_picture = DrawMapPicture(m_pictureHeader, entries, [this, length](std::uint64_t at, void* out, std::size_t n) {
    if (at > length || n > length - at) return false;
    m_file.Read(at, out, n);
    return true;
  });
  for (std::size_t n = 0; n < count; ++n) {
    const TagPlace& place = m_picture.tags[n];
    TagEntry& r = m_tags[n];
    r.eHome = place.home;
    r.nBase = place.base;
    r.nResource = place.resource;
    r.nSize = place.size;
    if (place.home == TagHome::Bsp) r.strMetaOffset = UIntToHex(static_cast<std::uint32_t>(place.offset));
  }
}

std::string CMapFile::ResourceFolder() const {
  if (!m_strResourceFolder.empty()) return m_strResourceFolder;
  const auto folder = PathFromUtf8(m_strPath).parent_path();
  return folder.empty() ? std::string(".") : Utf8FromPath(folder);
}

const ResourceMapFile& CMapFile::ResourceMap(const std::string& name) const {
  auto& slot = m_resourceMaps[name];
  if (!slot) {
    auto file = std::make_shared<ResourceMapFile>();
    file->Open(Utf8FromPath(PathFromUtf8(ResourceFolder()) / PathFromUtf8(name)), name);
    slot = std::move(file);
  }
  return *slot;
}

std::uint32_t CMapFile::MetaBase(int i) const {
  const TagEntry& r = m_tags[static_cast<std::size_t>(i)];
  // A CE external tag's pointers count from its resource entry's first byte.
  if (r.eHome == TagHome::Resource) return 0;
  // The Meta Offset may have been edited since the map was read: only a BSP
  // section keeps a base of its own.
  if (r.eHome == TagHome::Bsp) return r.nBase + (MetaOffset(i) - static_cast<std::uint32_t>(m_picture.tags[static_cast<std::size_t>(i)].offset));
  return Magic() + MetaOffset(i);
}

void CMapFile::FillTree(TreeView& tree) {
  tree.BeginUpdate();
  for (int row = 0; row < TagClassTable::kRows; ++row)
    m_hClassItems[static_cast<std::size_t>(row)] = tree.InsertItem(kTreeRoot, TagClassTable::GroupText(row), false);
  // A class that no row names gets a group of its own after the 80 rows, so
  // every tag stays visible and selectable.
  std::unordered_map<std::string, TreeItem> unknownGroups;
  for (std::size_t n = 0; n < m_tags.size(); ++n) {
    TagEntry& r = m_tags[n];
    const int row = TagClassTable::Find(r.strClass1);
    TreeItem group;
    if (row >= 0) {
      group = m_hClassItems[static_cast<std::size_t>(row)];
    } else {
      auto it = unknownGroups.find(r.strClass1);
      if (it == unknownGroups.end())
        it = unknownGroups.emplace(r.strClass1, tree.InsertItem(kTreeRoot, r.strClass1 + " -- Unknown Class", false)).first;
      group = it->second;
    }
    r.hTreeItem = tree.InsertItem(group, r.strName, true);
    // A CE tag kept in a resource map says so where it is listed.
    if (r.eHome == TagHome::Resource || r.eHome == TagHome::SoundBase)
      tree.SetItemNote(r.hTreeItem, ExternalText(m_picture.tags[n], r.strClass1));
    m_tagByTreeItem.emplace(r.hTreeItem, static_cast<int>(n));
  }
  tree.EndUpdate();
}

MapHeaderInfo CMapFile::GetHeaderInfo() const {
  MapHeaderInfo info;
  info.m_strPath = m_strPath;
  info.m_strNickname = m_strNickname;
  info.m_strTypeText = m_strTypeText;
  info.m_strFormatText = m_strFormatText;
  info.m_strMapName = m_strMapName;
  info.m_strBuildDate = m_strBuildDate;
  info.m_strEofPosition = m_strEofPosition;
  info.m_strIndexOffset = m_strIndexOffset;
  info.m_strMagic = m_strMagic;
  info.m_strIndexMagic = m_strIndexMagic;
  info.m_nEofSpaceSize = m_nEofSpaceSize;
  info.m_nMetaIndexSize = m_nMetaIndexSize;
  info.m_nTagCount = m_nTagCount;
  info.m_nVersion = m_nVersion;
  info.m_nMapType = m_nMapType;
  return info;
}

std::string CMapFile::GetTagClass(int i, int n) const {
  const TagEntry& r = m_tags[static_cast<std::size_t>(i)];
  if (n == 2) return r.strClass2;
  if (n == 3) return r.strClass3;
  return r.strClass1;
}

std::optional<int> CMapFile::FindTagByTreeItem(TreeItem item) const {
  if (!m_bOpen || item == 0) return std::nullopt;
  const auto it = m_tagByTreeItem.find(item);
  if (it == m_tagByTreeItem.end()) return std::nullopt;
  return it->second;
}

std::uint32_t CMapFile::Magic() const { return HexToUInt(m_strMagic); }

std::uint32_t CMapFile::MetaOffset(int i) const { return HexToUInt(m_tags[static_cast<std::size_t>(i)].strMetaOffset); }

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace jov
