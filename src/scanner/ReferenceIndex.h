#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "map/MapFile.h"

// Who uses a tag: for every tag of a map, the tags whose metadata holds a
// dependency of it (class code, 12 bytes, its identifier) or its identifier
// alone, found by the scanner's own rules over every tag's metadata once.
namespace jov {

enum class ReferenceKind { Dependency, Identifier };

struct TagReference {
  int from = 0;              // the referring tag's index
  std::uint32_t offset = 0;  // bytes from the start of its metadata
  ReferenceKind kind = ReferenceKind::Dependency;
  friend bool operator==(const TagReference&, const TagReference&) = default;
};

// Names the field at offset of tag's metadata ("triggers[0].projectile") when a
// tag definition covers it, "" otherwise.
using FieldNamer = std::function<std::string(const CMapFile& map, int tag, std::uint32_t offset)>;

class ReferenceIndex {
 public:
  // Reads every tag's metadata. Tags the scanner does not scan (metadata larger
  // than its work area) refer to nothing. The scanner searches the text at every
  // character; a hit at an odd one straddles two bytes and lies at no byte
  // offset, so it is no reference here.
  explicit ReferenceIndex(CMapFile& map);

  // The references to tag, in index order of the referring tags, then by offset.
  const std::vector<TagReference>& To(int tag) const;
  std::size_t Count() const { return m_count; }

 private:
  std::vector<std::vector<TagReference>> m_to;
  std::size_t m_count = 0;
};

const char* KindText(ReferenceKind kind);  // "dependency", "identifier"

}  // namespace jov
