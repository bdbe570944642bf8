#pragma once
#include <span>
#include <string>

// Whether a file is a map at all, before anything of it is trusted: a text file,
// an empty file or a README must not open as a map with 80 empty tag classes.
namespace jov {

enum class MapKind {
  Map,             // the header's signatures are there
  CompressedXbox,  // a map, but its data is one zlib stream: decompress it first
  ResourceMap,     // bitmaps.map, sounds.map or loc.map: listed by jov-cli resources
  NotAMap,
};

struct MapVerdict {
  MapKind kind = MapKind::NotAMap;
  std::string reason;  // why it is not a map, or what to do with a compressed one
};

// From the file's first bytes (the 0x800-byte header and what follows, as much
// as is at hand: a compressed Xbox map is known by its stream starting to
// inflate).
MapVerdict JudgeMapBytes(std::span<const unsigned char> bytes);
// Reads only the header and the start of what follows; a resource map is told
// from other files that are not maps (its reason: "bitmaps, 12 entries").
// FileError when the file cannot be opened or read.
MapVerdict JudgeMapFile(const std::string& path);

inline constexpr const char* kNotAMapText = "%1 is not a Halo map: %2.";
inline constexpr const char* kCompressedXboxText = "%1 is a compressed Xbox map: %2.";
inline constexpr const char* kResourceMapText = "%1 is a resource map (%2), see jov-cli resources.";

// Refused (kNotAMapText or kCompressedXboxText, NAME being name) unless path is
// a map that can be opened as it is. A file that cannot be read passes: opening
// it as a map reports that.
void RequireMapFile(const std::string& path, const std::string& name);

}  // namespace jov
