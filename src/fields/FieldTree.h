#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fields/FieldDefinition.h"

// The layout engine: a tag's metadata read through its class definition into a
// flat list of fields in order, a block's entries (and their fields) right
// after the block. Every read is bounded by the tag's metadata: a block whose
// entries would lie outside it is marked broken and not followed.
namespace jov {

class CMapFile;

// Counts above this are not a block's count but garbage (a block of a map is
// indexed by 16 bits).
inline constexpr std::int64_t kMaxBlockCount = 65535;
// A tree that would hold more fields than this is cut there (a hostile map of
// blocks inside blocks, each at the largest count).
inline constexpr std::size_t kMaxFieldNodes = 200000;
// The same for the text of the fields' paths: a path repeats every id above
// it, so long ids in deep blocks would take gigabytes at far fewer fields.
inline constexpr std::size_t kMaxFieldPathText = std::size_t{16} << 20;

struct FieldNode {
  std::string path;  // "magazines[0].rounds_loaded_maximum"
  std::string name;  // "rounds_loaded_maximum", "[0]" for an entry
  const FieldDef* def = nullptr;  // null for entries, gaps and what the scanner found
  FieldType type = FieldType::Unknown;
  bool entry = false;  // a block's entry: no value of its own
  int depth = 0;
  int parent = -1;
  std::uint32_t offset = 0;  // from the start of the tag's metadata
  std::uint32_t size = 0;
  FieldUnit unit = FieldUnit::None;
  bool readOnly = false;
  bool hidden = false;
  // Why the field cannot be read or followed: past the metadata, a broken block.
  std::string error;
  // Blocks.
  std::int32_t count = 0;
  std::uint32_t entriesAt = 0;  // from the start of the tag's metadata
  // Tag references and identifiers: the tag named, "CLASS:NAME".
  std::optional<int> refTag;
  std::string refText;
};

struct FieldTree {
  int tag = -1;
  std::string tagText;  // "weap:weapons\pistol\pistol"
  std::string cls;
  const ClassDef* def = nullptr;  // null: what the scanner sees is listed
  std::uint32_t metaOffset = 0;   // the metadata's file offset
  std::uint32_t base = 0;         // the pointer that names metadata byte 0
  std::vector<unsigned char> bytes;  // the tag's metadata as read
  std::vector<FieldNode> nodes;
  std::vector<std::string> messages;  // about the tag as a whole (no definition, too small)

  // The node with this path (hidden ones too), or -1.
  int Find(const std::string& path) const;
  // The deepest shown node holding metadata byte offset: a field inside an
  // entry rather than the entry, the entry rather than nothing (its padding is
  // a hidden gap). Hidden nodes never count; with fieldsOnly neither do block
  // entries. Of two fields at one depth (a definition's overlapping fields)
  // the later one. -1 when no node holds the byte.
  int NodeAt(std::uint32_t offset, bool fieldsOnly = false) const;
};

// Builds tag's field tree from def (null: the scanner's references and blocks).
// Throws Refused for a tag whose metadata is larger than the metadata work area.
FieldTree BuildFieldTree(CMapFile& map, int tag, const ClassDef* def);

}  // namespace jov
