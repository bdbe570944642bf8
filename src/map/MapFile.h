#pragma once
#include <array>
#include <map>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "map/MapHeaderInfo.h"
#include "map/MapPicture.h"
#include "map/TagClassTable.h"
#include "map/TagEntry.h"
#include "platform/BinaryFile.h"
#include "platform/TreeView.h"

namespace jov {

class UserDialogs;
class ResourceMapFile;

// Map versions the reader tells apart; the PC releases have a 4-byte longer
// index header.
inline constexpr std::uint16_t kVersionXbox = 5;
inline constexpr std::uint16_t kVersionPc = 7;
inline constexpr std::uint16_t kVersionCe = 0x261;
inline bool HasPcIndexLayout(std::uint16_t version) { return version == kVersionPc || version == kVersionCe; }

// The in-memory model of one open map: header texts and numbers, the tag index
// records and the open file. It holds no metadata; commands read and write the
// file at offsets taken from here. Fields are read directly by the commands.
class CMapFile {
 public:
  CMapFile() = default;
  CMapFile(const CMapFile&) = delete;
  CMapFile& operator=(const CMapFile&) = delete;

  // Asks for a map file and reads it; does nothing when a map is open or the
  // picker is cancelled.
  void Open(TreeView& tree, UserDialogs& dialogs);
  // Reads the map at path without asking (does nothing when a map is open).
  void OpenPath(TreeView& tree, const std::string& path);
  void Close(TreeView& tree);
  void CloseFile();
  void Reload(TreeView& tree);

  MapHeaderInfo GetHeaderInfo() const;
  TagEntry GetTagEntry(int i) const { return m_tags[static_cast<std::size_t>(i)]; }
  std::string GetTagName(int i) const { return m_tags[static_cast<std::size_t>(i)].strName; }
  std::string GetTagClass(int i, int n) const;

  // The lowest tag index whose tree item is item, among the first m_nTagCount.
  std::optional<int> FindTagByTreeItem(TreeItem item) const;
  std::uint32_t Magic() const;
  // The EoF Position as the file holds it now (the same map may have been
  // written through another panel or program since it was read); the model's
  // text is brought up to date.
  std::uint32_t StoredEofPosition();
  // Whether the file at the map's path was written or replaced since the model
  // read it (through this model, another panel's, or another program).
  bool ChangedOnDisk() const { return m_bOpen && FileStamp::Of(m_strPath) != m_stamp; }
  const FileStamp& Stamp() const { return m_stamp; }
  // Refused (kMapChangedOnDisk) when the file's index offset or tag count is no
  // longer what the model holds: a command would write at stale places.
  void CheckIndexUnchanged();
  std::uint32_t MetaOffset(int i) const;
  // The pointer that names tag i's metadata byte 0: the map's magic plus its
  // Meta Offset, or for a structure BSP its section's own load address.
  std::uint32_t MetaBase(int i) const;
  // Where every tag's bytes live, as read with the index.
  const MapPicture& Picture() const { return m_picture; }
  // The resource map of that name ("bitmaps.map") from the resource folder, or
  // the map's own folder when none is set; opened once and kept. Throws
  // FileError when it cannot be read, BadResourceMap when it is no resource map.
  const ResourceMapFile& ResourceMap(const std::string& name) const;
  // The folder ResourceMap looks in.
  std::string ResourceFolder() const;

  // Where CE resource maps are looked for; empty: the map's own folder.
  std::string m_strResourceFolder;
  // Sets it and forgets the resource maps opened from the old one.
  void SetResourceFolder(const std::string& folder) {
    m_strResourceFolder = folder;
    m_resourceMaps.clear();
  }
  BinaryFile& File() { return m_file; }
  const BinaryFile& File() const { return m_file; }

  TagClassTable m_classTable;
  std::string m_strPath;
  std::string m_strNickname = "None";
  std::string m_strTypeText = "None";
  std::string m_strFormatText = "None";
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
  std::array<TreeItem, TagClassTable::kRows> m_hClassItems{};
  std::vector<TagEntry> m_tags;  // as many as the index declares
  bool m_bOpen = false;
  // Set by the open when the file could only be opened for reading.
  bool m_bReadOnly = false;
  // The editor's rule for opening: a map the user may not write (or marked
  // read-only for everyone) opens read-only,
  // and a map that cannot be opened at all names the cause (not found, access
  // denied, not a regular file). Off, every open failure reads "not found", as
  // the map tools have always reported it.
  bool m_bAllowReadOnly = false;

 private:
  void ReadMap(TreeView& tree);
  void OpenFile();
  void ReadHeader();
  void ReadEntries();
  void FillTree(TreeView& tree);
  void PlaceTags(const std::vector<unsigned char>& index);
  void Identify(TreeView& tree);

  BinaryFile m_file;
  FileStamp m_stamp;
  std::unordered_map<TreeItem, int> m_tagByTreeItem;
  PictureHeader m_pictureHeader;
  MapPicture m_picture;
  mutable std::map<std::string, std::shared_ptr<ResourceMapFile>> m_resourceMaps;
};

inline constexpr const char* kMapChangedOnDisk =
    "The map's tag index was changed by another program since it was opened. Close and open the map again.";

// The Map Filename field: the path without its folder.
std::string FileNameOf(const std::string& path);

}  // namespace jov
