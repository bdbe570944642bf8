#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "map/MapFile.h"
#include "scanner/HexSearch.h"

// Rewriting a tag's metadata text so that it can live in another map, or at
// another place of the same map. The text is searched for plain hex needles; the
// tag's structure is not parsed.
//
// Each step finds its hits on the text as it stood when the step began, takes
// them in order (by needle, then position), reads what it needs from that same
// text and writes into the working text. So a value written by a step is never
// found again by the same step: maps number their tags alike, and a destination
// identifier is often the identifier of another source tag, just as a pointer
// already moved can fall inside the source range when both ranges overlap (the
// same map as source and destination). A later step does see the earlier steps'
// writes. Writes never grow the text: what would fall past its end is cut.
namespace jov {

// A reference or lone identifier of a source tag's metadata that names a
// source tag the destination lacks (no tag of its class 1 and name there).
// Kept as it is, its identifier would name whatever destination tag happens to
// have that number, of any class.
struct UnresolvedReference {
  std::uint32_t offset = 0;  // the identifier's byte in the metadata
  bool lone = false;         // a lone identifier, not a tag reference
  std::size_t tag = 0;       // the source tag it names
};

inline constexpr const char* kNullIdentifier = "ffffffff";

// Tag references: a class fourCC of the first 79 class rows, stored reversed,
// and 12 bytes further the referenced tag's identifier. The identifier is looked
// up among the source tags (the first with it) and replaced by the identifier of
// the first destination tag with that tag's class 1 and name. Null references
// (ffffffff), identifiers no source tag has, and tags the destination lacks are
// kept (ReferenceTranslator::Translate can set the last ones to none).
void TranslateDependencies(std::string& text, const CMapFile& source, const CMapFile& destination);

// Lone identifiers: every stored identifier of a source tag whose 4 bytes 12
// bytes before it (or the text's first 4 bytes when it stands in the first 12)
// are not a known class fourCC, translated by class 1 and name as above.
void TranslateLoneIdentifiers(std::string& text, const CMapFile& source, const CMapFile& destination);

// Pointers: every stored address of byte k of source tag s (source magic + s's
// meta offset + k, for k below s's nSize) becomes the destination's address of
// byte k of destination tag d (d's meta offset + destination magic + k).
void RebasePointers(std::string& text, const CMapFile& source, int s, const CMapFile& destination, int d);

// The three steps in order, as direct injection runs them on s's metadata text.
void TranslateReferences(std::string& text, const CMapFile& source, int s, const CMapFile& destination, int d);

// The same translation for many tags of one pair of maps: the lookup tables that
// depend only on the two tag indexes (identifiers, counterparts by class 1 and
// name) are built once, so translating every tag of a map costs its text, not
// the square of its tag count. The maps' indexes must not change meanwhile.
class ReferenceTranslator {
 public:
  ReferenceTranslator(const CMapFile& source, const CMapFile& destination);
  void Dependencies(std::string& text) const;
  void LoneIdentifiers(std::string& text) const;
  void Pointers(std::string& text, int s, int d) const;
  // The three steps in order, exactly as TranslateReferences. Given a list,
  // references and identifiers of tags the destination lacks become the null
  // identifier instead of being kept, and are added to it in the order the
  // steps meet them.
  void Translate(std::string& text, int s, int d, std::vector<UnresolvedReference>* unresolved = nullptr) const;

 private:
  void Dependencies(std::string& text, std::vector<UnresolvedReference>* unresolved) const;
  void LoneIdentifiers(std::string& text, std::vector<UnresolvedReference>* unresolved) const;

  const CMapFile& m_source;
  const CMapFile& m_destination;
  std::unordered_map<std::string, std::size_t> m_sourceByIdentifier;
  std::vector<std::string> m_counterparts;
  PreparedNeedles m_identifierNeedles;
};

}  // namespace jov
