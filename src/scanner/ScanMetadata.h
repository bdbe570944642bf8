#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "map/MapFile.h"
#include "scanner/ScanItem.h"

// "Scan Metadata": one tag's metadata text searched for references (dependencies,
// lone identifiers, reflexives) and plain values (shorts, floats). Nothing of the
// tag's layout is known: every kind is a text pattern built from the map's own
// data, searched for over the whole text, odd positions and overlaps included.
namespace jov {

// Shorts are searched for the values 1 up to this limit, exclusive: the "Map 1"
// panel looks for 1 to 4, the "Map 2" panel for 1 to 15.
inline constexpr int kShortsLimitPanel1 = 5;
inline constexpr int kShortsLimitPanel2 = 16;

// The scanner's check boxes (as the editor starts: dependencies, lone
// identifiers and reflexives), the float step and the panel's shorts limit.
struct ScanOptions {
  bool bDependencies = true;
  bool bLoneIDs = true;
  bool bReflexives = true;
  bool bShorts = false;
  bool bFloats = false;
  float fStep = 0.01f;
  int nShortsLimit = kShortsLimitPanel1;
};

struct ScanResult {
  // In discovery order: dependencies, lone identifiers, reflexives, shorts,
  // floats; within a kind by pattern, then by position.
  std::vector<ScanItem> items;
  // The results tree top to bottom: indices into items, labels in alphabetical
  // order, equal labels in discovery order. Each line names its own record.
  std::vector<std::size_t> order;
  // Why something was not searched (a tag too large for the metadata buffer: no
  // results; a float step refused: the other kinds are still listed). Empty
  // when everything asked for was searched.
  std::string message;
};

// Reads tag's metadata from the map file and scans it.
ScanResult ScanMetadata(CMapFile& map, int tag, const ScanOptions& options);
// Scans text, the metadata text of tag as ReadMetaHex gives it.
ScanResult ScanMetadataText(const CMapFile& map, int tag, std::string_view text, const ScanOptions& options);

// The scanner's reference rules, shared with the reference index. Needles are
// searched on the metadata text (two characters a byte); positions are
// characters.
// The class codes of the first kSearchRows class rows, stored reversed.
std::vector<std::string> DependencyNeedles();
// Every tag's identifier as stored, in index order (one needle a tag).
std::vector<std::string> LoneIdNeedles(const CMapFile& map);
// Identifier text to the lowest tag index that has it.
std::unordered_map<std::string, int> IdentifierIndex(const CMapFile& map);
// The identifier a dependency whose class code stands at pos names, as the
// index's identifier text ("ffffffff" for a nulled one).
std::string DependencyIdentifier(std::string_view text, std::uint32_t pos);
// True when the identifier at pos stands 12 bytes after a known class code: part
// of a dependency, not a lone identifier.
bool FollowsKnownClass(std::string_view text, std::uint32_t pos);

// "0000012c" for character 600: the hit's byte offset, 8 lowercase digits.
std::string OffsetText(std::uint32_t pos);

}  // namespace jov
