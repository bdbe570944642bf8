#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "map/MapFile.h"
#include "map/Refused.h"
#include "platform/UserDialogs.h"
#include "transfer/ReferenceTranslation.h"

namespace jov {

// The size question: the bytes written, the destination's own, and the tags
// whose metadata the rest overwrites (%5: kOverwritesTags or kOverwritesNoTag).
inline constexpr const char* kDirectInjectQuestion =
    "Not enough space to inject: %1 bytes of metadata into the %2 bytes of %3, so the %4 bytes past its end "
    "overwrite %5. Unless you are building a map, injection is not advised. Inject?";
inline constexpr const char* kOverwritesTags = "the metadata of %1";
inline constexpr const char* kOverwritesNoTag = "no other tag's metadata";
inline constexpr const char* kDirectInjectComplete = "Direct injection complete.";
inline constexpr const char* kSourceTagTooLarge =
    "The source tag's metadata is larger than 1,000,000 bytes; it cannot be injected.";
inline constexpr const char* kDestinationTagTooLarge =
    "The destination tag's metadata is larger than 1,000,000 bytes; it cannot be written.";
// References of tags the receiving map lacks: %1 the count and its noun and
// verb ("3 references name tags", "1 reference names a tag"), %2 the receiving
// map ("Map 1"), %3 the list (UnresolvedList).
inline constexpr const char* kUnresolvedQuestion = "%1 %2 does not have: %3. Set them to none, or cancel?";
inline constexpr const char* kUnresolvedQuestionOne = "%1 %2 does not have: %3. Set it to none, or cancel?";
inline constexpr const char* kUnresolvedRefused = "%1 %2 does not have: %3. Nothing was written.";

enum class DirectInjectOutcome {
  Declined,   // the size question was answered No; nothing written
  Completed,  // kDirectInjectComplete shown
  Cancelled,  // the question about unresolved references was answered No; nothing written
};

// What becomes of references and identifiers naming tags the receiving map
// lacks. They are never kept: the identifier would name an unrelated tag there.
enum class UnresolvedChoice {
  Ask,        // one question listing them all: Yes sets them to none, No cancels
  SetToNone,  // the null identifier (ffffffff), without asking
  Refuse,     // UnresolvedRefused, before anything is written
};

struct DirectInjectOptions {
  std::string destinationName = "the receiving map";  // as the question names it: "Map 1"
  UnresolvedChoice unresolved = UnresolvedChoice::Ask;
};

// Thrown by UnresolvedChoice::Refuse, with kUnresolvedRefused's text.
class UnresolvedRefused : public Refused {
 public:
  using Refused::Refused;
};

// How many bytes Direct Inject writes from d's metadata start, and when that is
// more than d holds (sizes compared signed), the tags whose metadata lies in the
// bytes past d's extent, in index order.
struct DirectInjectSpace {
  bool larger = false;
  std::uint32_t count = 0;
  std::uint32_t excess = 0;  // of count, the bytes past d's extent
  std::vector<int> overwritten;
};
DirectInjectSpace DirectInjectSpaceOf(const CMapFile& destination, int d, const CMapFile& source, int s);

// "mod2:a\b, bitm:c": tags of map by class 1 and name.
std::string TagListText(const CMapFile& map, const std::vector<int>& tags);
// What the history label and the status line add when a larger source
// overwrites other tags' metadata: ", overwriting mod2:a\b, bitm:c"; empty
// when it overwrites none.
std::string OverwriteNote(const CMapFile& destination, const DirectInjectSpace& space);
// The unresolved references grouped by the tag they name, in the order met:
// "mod2:a\b (reference at +0x1c), bitm:c (reference at +0x44, identifier at +0x90)";
// past 40 tags, or 8 places of one tag, the rest are counted ("and 3 more").
std::string UnresolvedList(const CMapFile& source, const std::vector<UnresolvedReference>& unresolved);

// "Direct Inject": copies source tag s's metadata over destination tag d's,
// translating tag identifiers by class 1 and name and moving pointers into s's
// own metadata to d's addresses (TranslateReferences). A reference or identifier
// of a tag the destination lacks is set to none or the command stops, as
// options.unresolved says; no reference of the written metadata names a tag of
// another class or name than in the source. When d is smaller than s (sizes
// compared signed), kDirectInjectQuestion is asked first; Yes writes s's whole
// size from d's metadata start, over whatever follows d. Otherwise exactly d's
// nSize bytes are written: the translated metadata, then zeros. Source and
// destination may be two CMapFile objects on one file. The front ends look up
// the two panels' selected tags; the models are left as they are.
// Throws Refused, before asking anything or writing, for a source above the
// metadata buffer's 1,000,000 bytes (or negative) and for such a destination when
// its size is the count written; UnresolvedRefused; FileError when a map cannot
// be read or written.
DirectInjectOutcome DirectInjectTag(CMapFile& destination, int d, CMapFile& source, int s, UserDialogs& dialogs,
                                    const DirectInjectOptions& options = {});

}  // namespace jov
