#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "map/Refused.h"
#include "platform/BinaryFile.h"

// Resource maps: bitmaps.map (type 1), sounds.map (2) and, on Halo CE,
// loc.map (3). They have no map header: a 16-byte header (type, paths offset,
// entries offset, entry count), then entries of 12 bytes (path offset counted
// from the paths offset, data size, data file offset). Everything in one is
// checked against the file before it is used: a truncated or hostile file is
// refused with the reason, never read past its end.
namespace jov {

inline constexpr std::uint32_t kResourceMapHeaderSize = 16;
inline constexpr std::uint32_t kResourceEntrySize = 12;
// Tag paths are at most 255 characters; with "__pixels" and the like a path of
// a resource map is far below this.
inline constexpr std::uint32_t kMaxResourcePathLength = 1024;
// Far more entries than any resource map holds (a tag and its data for every
// tag of every map); a count past it is refused before its table is read.
inline constexpr std::uint32_t kMaxResourceEntries = 1u << 24;

struct ResourceEntry {
  std::uint32_t index = 0;
  std::string path;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // file offset of the entry's data
};

struct ResourceMapListing {
  std::uint32_t type = 0;
  std::uint32_t pathsOffset = 0;
  std::uint32_t entriesOffset = 0;
  std::uint64_t fileLength = 0;
  std::vector<ResourceEntry> entries;
};

// The first entry whose path is exactly path, or null. A CE sound kept in
// sounds.map is found this way (its samples' entry is named PATH__samples).
const ResourceEntry* FindResourceEntry(const ResourceMapListing& listing, const std::string& path);

// "bitmaps", "sounds", "loc", or "" for any other type.
std::string ResourceTypeName(std::uint32_t type);

// Thrown with kBadResourceMapText filled: "NAME is not a usable resource map: REASON."
class BadResourceMap : public Refused {
 public:
  BadResourceMap(const std::string& name, const std::string& reason);
  const std::string& Reason() const { return m_reason; }

 private:
  std::string m_reason;
};
inline constexpr const char* kBadResourceMapText = "%1 is not a usable resource map: %2.";

// The header, every entry and its path, checked against length. read(offset,
// n) returns n bytes that lie within length. Throws BadResourceMap.
using ResourceReader = std::function<std::vector<unsigned char>(std::uint64_t offset, std::uint32_t n)>;
ResourceMapListing ReadResourceListing(std::uint64_t length, const ResourceReader& read, const std::string& name);
// The same over bytes in memory.
ResourceMapListing ReadResourceMap(std::span<const unsigned char> bytes, const std::string& name);

// Whether the first bytes of a file of that length read as a resource map's
// header whose entry table lies inside the file (a map's header starts with
// its signature, which is no resource map type).
bool LooksLikeResourceMap(std::span<const unsigned char> head, std::uint64_t length);

// A resource map opened read-only: its listing, and the bytes of one entry.
class ResourceMapFile {
 public:
  // Throws FileError when the file cannot be read, BadResourceMap when it is
  // not a usable resource map.
  void Open(const std::string& path, const std::string& name);
  const ResourceMapListing& Listing() const { return m_listing; }
  const std::string& Name() const { return m_name; }
  // The data of entry index (its size and offset were checked at Open).
  // Throws BadResourceMap for an index past the entries.
  std::vector<unsigned char> ReadEntry(std::size_t index) const;

 private:
  BinaryFile m_file;
  std::string m_name;
  ResourceMapListing m_listing;
};

}  // namespace jov
