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

// The most references an index holds, each identifier's hits counted once
// however many tags share it (8 bytes each). A map's own references number in
// the hundreds of thousands; only tags laid over one another or runs of bytes
// that repeat an identifier reach this, and the index is refused.
inline constexpr std::size_t kMaxIndexedReferences = 4000000;
inline constexpr const char* kTooManyReferences =
    "The map's metadata holds more than 4,000,000 references (tags laid over one another, or runs of bytes that "
    "repeat an identifier); they are not indexed.";

class ReferenceIndex {
 public:
  // Reads every tag's metadata. Tags the scanner does not scan (metadata larger
  // than its work area) refer to nothing. The scanner searches the text at every
  // character; a hit at an odd one straddles two bytes and lies at no byte
  // offset, so it is no reference here. Throws Refused (kTooManyReferences).
  explicit ReferenceIndex(CMapFile& map);

  // The references to tag, in index order of the referring tags, then by offset
  // (a dependency before an identifier at one offset).
  std::vector<TagReference> To(int tag) const;
  // The references to every tag together: a hit of an identifier that several
  // tags share counts once for each of them, as the scanner lists it.
  std::size_t Count() const { return m_count; }
  // The hits held, each once: what the index's memory grows with.
  std::size_t Held() const { return m_held; }

 private:
  struct Hit {
    std::int32_t from;
    std::uint32_t offset;
  };
  std::vector<std::vector<Hit>> m_dependenciesTo;  // by the tag the dependency names
  std::vector<std::vector<Hit>> m_identifierHits;  // by distinct identifier
  std::vector<std::uint32_t> m_identifierOf;       // by tag: its identifier's place in m_identifierHits
  std::size_t m_count = 0;
  std::size_t m_held = 0;
};

const char* KindText(ReferenceKind kind);  // "dependency", "identifier"

}  // namespace jov
