#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "map/MapFile.h"

// Two maps compared tag by tag. A byte diff of two maps tells nothing: the same
// tag sits at other offsets, under other identifiers, in another build. So tags
// are paired by class 1 and name (a tag left unpaired is paired by class 1 and
// identifier with one left in the other map: a rename), and the first map's metadata is translated into
// the second map's terms (dependencies and lone identifiers by class and name,
// pointers into the tag rebased) exactly as Direct Inject translates it, before
// the bytes are compared. A reference's name pointer goes with the name of the
// tag it names, and where that name lies elsewhere in the second map, two
// references to the same tag are equal whatever their name pointers hold
// (compare/ReferenceMeaning.h).
namespace jov {

// A run of differing bytes. Offsets count from the start of the tag's metadata
// (or of the header field); the bytes are raw, one char a byte.
struct ByteRange {
  std::uint32_t offset = 0;
  std::string before;  // the first map's, translated into the second's terms
  std::string after;   // the second map's
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// One field of a tag's index record ("class 2", "class 3", "size") or of the
// header ("Map Name", "Tag Count", ...), as the values read from each map.
struct FieldChange {
  std::string field;
  std::string before;  // raw bytes of the field in the first map
  std::string after;   // and in the second
  friend bool operator==(const FieldChange&, const FieldChange&) = default;
};

enum class TagState { Changed, OnlyInFirst, OnlyInSecond };

struct TagDifference {
  TagState state = TagState::Changed;
  std::string class1;
  std::string name;
  int occurrence = 0;  // 0 for the first tag of this class and name, 1 for the second, ...
  int first = -1;      // index in the first map, -1 when it has none
  int second = -1;     // index in the second map
  // A rename: the pair was found by class 1 and identifier, and this is the
  // second map's name (a "name" record change holds both). Empty otherwise.
  std::string secondName;
  // Where the tag's metadata starts in each map's file, when the map has the tag
  // (the ranges count from there).
  std::optional<std::uint32_t> metaFirst;
  std::optional<std::uint32_t> metaSecond;
  std::vector<ByteRange> ranges;
  std::vector<FieldChange> record;

  std::size_t ChangedBytes() const;
};

struct MapComparison {
  std::size_t matched = 0;            // tag pairs found
  std::vector<TagDifference> tags;    // differing pairs in the first map's order, then tags only in one map
  std::vector<FieldChange> header;    // header fields whose bytes differ

  std::size_t Count(TagState state) const;
  bool Same() const { return tags.empty() && header.empty(); }
};

// Where a header field lies: in the 0x800-byte file header, or in the index
// header (relative to the index offset stored at 0x10).
struct HeaderFieldPlace {
  const char* name;
  std::uint32_t offset;
  std::uint32_t length;
  bool inIndexHeader;
};
const std::vector<HeaderFieldPlace>& HeaderFieldPlaces();
// The field's file offset in map (index header fields follow the map's index offset).
std::uint64_t HeaderFieldOffset(const CMapFile& map, const HeaderFieldPlace& place);

// A tag's metadata bytes as they are in the file; Refused (kTagTooLarge) when its
// size does not fit the metadata work area.
std::string ReadMetaBytes(const CMapFile& map, int i);

// The runs where two byte strings differ, over the shorter one's length.
std::vector<ByteRange> DifferingRanges(const std::string& before, const std::string& after);

MapComparison CompareMaps(const CMapFile& first, const CMapFile& second);

// One line per difference, as `jov-cli diff` prints it:
// "changed  weap:weapons\pistol\pistol  3 ranges, 12 bytes: +0x40 (4) +0x1a0 (4) +0x2f0 (4)",
// a rename as "renamed  weap:old -> weap:new", a tag of one map as
// "only in Map 1  weap:...", each followed by where the metadata lies in each map
// when the comparison knows it ("  metadata at 0x1a000 in Map 1, 0x1b000 in Map 2").
std::string DifferenceLine(const TagDifference& difference);
std::string HeaderLine(const FieldChange& change);
// "N tags matched, N changed, N only in Map 1, N only in Map 2"
std::string SummaryLine(const MapComparison& comparison);
// "only in Map 1", "only in Map 2", "changed" (also the state in `diff --json`).
const char* StateText(TagState state);

}  // namespace jov
