#include "map/ResourceMap.h"

#include <algorithm>
#include <cstring>

#include "map/ValueText.h"

namespace jov {

namespace {

std::string Bytes(std::uint64_t n) { return n == 1 ? "1 byte" : std::to_string(n) + " bytes"; }

bool KnownType(std::uint32_t type) { return type >= 1 && type <= 3; }

}  // namespace

std::string ResourceTypeName(std::uint32_t type) {
  switch (type) {
    case 1: return "bitmaps";
    case 2: return "sounds";
    case 3: return "loc";
    default: return "";
  }
}

const ResourceEntry* FindResourceEntry(const ResourceMapListing& listing, const std::string& path) {
  const auto found = std::find_if(listing.entries.begin(), listing.entries.end(),
                                  [&path](const ResourceEntry& e) { return e.path == path; });
  return found == listing.entries.end() ? nullptr : &*found;
}

BadResourceMap::BadResourceMap(const std::string& name, const std::string& reason)
    : Refused(FillText(kBadResourceMapText, {name, reason})), m_reason(reason) {}

ResourceMapListing ReadResourceListing(std::uint64_t length, const ResourceReader& read, const std::string& name) {
  const auto refuse = [&name](const std::string& reason) { throw BadResourceMap(name, reason); };
  if (length < kResourceMapHeaderSize)
    refuse("it is " + Bytes(length) + " long, shorter than the 16-byte resource map header");
  const std::vector<unsigned char> header = read(0, kResourceMapHeaderSize);
  ResourceMapListing listing;
  listing.fileLength = length;
  listing.type = ReadLe32(header.data());
  listing.pathsOffset = ReadLe32(header.data() + 4);
  listing.entriesOffset = ReadLe32(header.data() + 8);
  const std::uint32_t count = ReadLe32(header.data() + 12);
  if (!KnownType(listing.type))
    refuse("its type is " + std::to_string(listing.type) + ", not 1 (bitmaps), 2 (sounds) or 3 (loc)");
  // A count no resource map comes near is refused first (a file past 4 GiB
  // could hold a table that no 32-bit size spans).
  if (count > kMaxResourceEntries)
    refuse("its entry count " + std::to_string(count) + " is beyond any resource map's (at most " +
           std::to_string(kMaxResourceEntries) + ")");
  // The entry count is checked against the file before anything is allocated
  // for it: a huge count cannot fit in the bytes that are there.
  const std::uint64_t tableEnd = std::uint64_t{listing.entriesOffset} + std::uint64_t{count} * kResourceEntrySize;
  if (listing.entriesOffset > length || tableEnd > length)
    refuse("its " + std::to_string(count) + " entries at " + HexOffsetText(listing.entriesOffset) + " run past its end at " +
           HexOffsetText(length));
  if (count == 0) return listing;
  if (listing.pathsOffset >= length)
    refuse("its paths start at " + HexOffsetText(listing.pathsOffset) + ", past its end at " + HexOffsetText(length));

  const std::vector<unsigned char> table = read(listing.entriesOffset, count * kResourceEntrySize);
  // The path strings are read in one piece: from the paths offset to the end
  // of the last path any entry may name, bounded by the file.
  std::uint64_t pathsEnd = listing.pathsOffset;
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint64_t start = std::uint64_t{listing.pathsOffset} + ReadLe32(table.data() + k * kResourceEntrySize);
    if (start >= length) refuse("entry " + std::to_string(k) + "'s path starts at " + HexOffsetText(start) + ", past its end");
    pathsEnd = std::max(pathsEnd, std::min<std::uint64_t>(length, start + kMaxResourcePathLength + 1));
  }
  // Paths that lie together (as every writer puts them) are read in one
  // piece; scattered ones one by one, so a hostile offset never makes the
  // whole file be read.
  constexpr std::uint64_t kOnePiece = 16u << 20;
  std::vector<unsigned char> paths;
  if (pathsEnd - listing.pathsOffset <= kOnePiece)
    paths = read(listing.pathsOffset, static_cast<std::uint32_t>(pathsEnd - listing.pathsOffset));

  listing.entries.reserve(count);
  for (std::uint32_t k = 0; k < count; ++k) {
    const unsigned char* e = table.data() + k * kResourceEntrySize;
    ResourceEntry entry;
    entry.index = k;
    const std::uint64_t start = std::uint64_t{listing.pathsOffset} + ReadLe32(e);
    const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(length - start, kMaxResourcePathLength + 1));
    std::vector<unsigned char> own;
    const unsigned char* at = nullptr;
    if (!paths.empty()) {
      at = paths.data() + (start - listing.pathsOffset);
    } else {
      own = read(start, static_cast<std::uint32_t>(room));
      at = own.data();
    }
    const auto* text = reinterpret_cast<const char*>(at);
    const auto* end = static_cast<const char*>(std::memchr(text, 0, room));
    if (end == nullptr)
      refuse("entry " + std::to_string(k) + "'s path has no terminating zero byte" +
             (room <= kMaxResourcePathLength ? " before the end of the file" : " within " + Bytes(kMaxResourcePathLength)));
    entry.path.assign(text, end);
    entry.size = ReadLe32(e + 4);
    entry.offset = ReadLe32(e + 8);
    if (std::uint64_t{entry.offset} + entry.size > length)
      refuse("entry " + std::to_string(k) + "'s data (" + Bytes(entry.size) + " at " + HexOffsetText(entry.offset) +
             ") runs past its end at " + HexOffsetText(length));
    listing.entries.push_back(std::move(entry));
  }
  return listing;
}

ResourceMapListing ReadResourceMap(std::span<const unsigned char> bytes, const std::string& name) {
  return ReadResourceListing(
      bytes.size(),
      [bytes](std::uint64_t offset, std::uint32_t n) {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
        return std::vector<unsigned char>(from, from + n);
      },
      name);
}

bool LooksLikeResourceMap(std::span<const unsigned char> head, std::uint64_t length) {
  if (head.size() < kResourceMapHeaderSize || length < kResourceMapHeaderSize) return false;
  const std::uint32_t type = ReadLe32(head.data());
  const std::uint32_t paths = ReadLe32(head.data() + 4);
  const std::uint32_t entries = ReadLe32(head.data() + 8);
  const std::uint32_t count = ReadLe32(head.data() + 12);
  return KnownType(type) && entries >= kResourceMapHeaderSize && paths <= length &&
         std::uint64_t{entries} + std::uint64_t{count} * kResourceEntrySize <= length;
}

void ResourceMapFile::Open(const std::string& path, const std::string& name) {
  m_file.Open(path, BinaryFile::Mode::ReadOnly, name);
  m_name = name;
  m_listing = ReadResourceListing(
      m_file.Length(),
      [this](std::uint64_t offset, std::uint32_t n) { return m_file.ReadBytes(offset, n); }, name);
}

std::vector<unsigned char> ResourceMapFile::ReadEntry(std::size_t index) const {
  if (index >= m_listing.entries.size())
    throw BadResourceMap(m_name, "it has no entry " + std::to_string(index) + ", only " +
                                     std::to_string(m_listing.entries.size()));
  const ResourceEntry& entry = m_listing.entries[index];
  return m_file.ReadBytes(entry.offset, entry.size);
}

}  // namespace jov
