#pragma once
#include <cstdint>
#include <string>

#include "builder/MapBuilder.h"
#include "map/MapFile.h"
#include "map/TagEntry.h"
#include "platform/TreeView.h"
#include "platform/UserDialogs.h"

// Add Tag: one new tag appended to a map's tag index. Its 32-byte entry goes
// directly after the last one, its name (and a zero byte) at the EoF Position,
// and room for its metadata, as long as the tag file, is reserved after the
// name; the header's tag count and EoF Position move on. The tag file's content
// is never copied: only its length counts.
namespace jov {

inline constexpr const char* kAddTagNoMap = "No map is open; open a map before adding a tag to it.";
inline constexpr const char* kAddTagNoTags =
    "The map has no tags; a new tag's identifier follows the last tag's, so there is nothing to follow.";
inline constexpr const char* kAddTagFileTooLarge =
    "The tag file is too large: its data would end past the 2 GB a map can address.";
inline constexpr const char* kAddTagIndexFull = "The tag index already holds 65535 tags; no more can be added.";
inline constexpr const char* kAddTagOverwriteQuestion =
    "The 32 bytes after the last tag index entry hold tag names or metadata, which the new entry would overwrite. "
    "Add the tag anyway?";

// The new tag's entry, before anything is written: entry at I + 0x24 + 32 N,
// metadata offset E + L + 1, identifier the last tag's + 0x00010001 (8 digits),
// nSize M + L + 1 (N tags, index offset I and EoF Position E as the model holds
// them, L the name's length, M the tag file's).
TagEntry BuildNewTagEntry(const CMapFile& map, const MapBuilderFields& fields, std::uint32_t tagFileLength);

// True when a name or metadata extent the model knows of overlaps the 32 bytes at
// which entry N would go.
bool NewEntryOverlapsTagData(const CMapFile& map);
// True when a name or metadata extent the model knows of overlaps length bytes
// at begin.
bool OverlapsTagData(const CMapFile& map, std::uint64_t begin, std::uint64_t length);

enum class AddTagResult {
  Added,     // written; the map is closed and its tree emptied
  Declined,  // the overwrite question was answered "No"; nothing written
};

// The command after "Add Tag" closed the Map Builder. Refused (no map open, no
// tag, a full index, an EoF Position inside the header or past the file's end) and a tag file that cannot be opened (FileError) end it
// before anything is written; so does "No" to kAddTagOverwriteQuestion, asked
// only when the new entry would overwrite known tag data. Then WriteTagEntry
// (name at the EoF Position, entry stored as record N), WriteHeader with tag
// count N + 1 and EoF Position E + L + 1 + M, and Close: the user reopens the
// map to see the new tag, the last of the index. A file error while writing
// leaves the map open and the writes done so far in the file.
AddTagResult AddTag(CMapFile& map, TreeView& tree, const MapBuilderFields& fields, UserDialogs& dialogs);

}  // namespace jov
