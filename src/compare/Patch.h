#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compare/CompareMaps.h"
#include "edit/MapDocument.h"
#include "map/EditPlan.h"
#include "map/MapFile.h"
#include "platform/UserDialogs.h"

// A mod shared as the changes it makes, in terms of tags: a JSON document that
// names the map it was made from, holds the bytes before and after each change,
// and carries the original's tag index so that its bytes can be translated into
// the terms of a copy laid out differently. Applying it verifies every "before"
// first and writes nothing when one does not match.
namespace jov {

// Map texts are bytes; JSON wants UTF-8. Each byte goes as its Latin-1 character,
// so any byte (a class of four 0xFF bytes) survives the trip.
std::string Latin1ToUtf8(const std::string& bytes);
// The bytes a UTF-8 text of Latin-1 characters stands for; none when it holds
// a character outside Latin-1.
std::optional<std::string> Latin1FromUtf8(const std::string& text);

inline constexpr const char* kPatchFormat = "jov patch";
inline constexpr int kPatchFormatVersion = 1;

inline constexpr const char* kPatchOtherMapQuestion =
    "This patch was made from another map (its CRC32 differs). Apply it anyway? Every change is still verified "
    "before anything is written.";

// The map a patch was made from.
struct PatchSource {
  std::string name;
  std::string build;
  std::uint16_t version = 0;
  std::uint16_t tagCount = 0;
  std::uint32_t crc32 = 0;
};

// A tag added after the original's last index entry: its 32-byte entry as the
// modified map holds it; where its name and metadata lie when they lie in the
// appended data (offsets from that data's start), and the room reserved for its
// metadata.
struct PatchAddedTag {
  std::string class1;
  std::string name;
  std::string entry;
  std::optional<std::uint32_t> nameInAppended;
  std::optional<std::uint32_t> metaInAppended;
  std::uint32_t room = 0;
  // The original's 32 bytes where the entry goes (what the entry overwrites);
  // unset in patches written before it was recorded.
  std::optional<std::string> entryBefore;
};

struct Patch {
  std::string title;
  std::string author;
  PatchSource source;
  // The original's index, for translating the patch's bytes: magic and one
  // record a tag (class 1, name, identifier as 8 digits, meta offset, size, and
  // name offset: empty in patches made before it was recorded); a structure
  // BSP's record has eHome Bsp and its base address in nBase.
  std::uint32_t magic = 0;
  std::vector<TagEntry> index;
  // Header fields: before = the original's bytes, after = the modified map's.
  std::vector<FieldChange> header;
  // Changed tags: ranges hold the original's bytes (before) and the modified
  // map's translated into the original's terms (after); a rename is a "name"
  // record change. Tags only in the original or only in the modified map (other
  // than the added ones) are listed with their state and no ranges: a patch
  // cannot express them, and applying leaves them out and says so.
  std::vector<TagDifference> tags;
  std::vector<PatchAddedTag> added;
  std::string appended;  // bytes the modified map holds past the original's end
  // The original's bytes the appended data overwrites (those between its EoF
  // Position and its file's end), usually none.
  std::string appendedBefore;
};

// Patch files are read whole; a larger file is refused before it is read.
inline constexpr std::uint64_t kMaxPatchFileSize = 64ull << 20;

// The patch that turns original into modified.
Patch CreatePatch(const CMapFile& original, const CMapFile& modified, const std::string& title,
                  const std::string& author);
// The same, from a comparison already made by CompareMaps(modified, original).
Patch PatchFromComparison(const MapComparison& modifiedToOriginal, const CMapFile& original, const CMapFile& modified,
                          const std::string& title, const std::string& author);

std::string PatchToJson(const Patch& patch);
// Throws Refused naming what is wrong: not JSON, another format or version, a
// missing or mistyped field, bytes that are not hex, before and after of unequal
// length, a range past the tag's metadata in the original's index.
Patch PatchFromJson(const std::string& text);

// Written whole or not at all (a temporary file beside path, renamed over it).
void WritePatchFile(const std::string& path, const Patch& patch);
// Refuses (Refused, kPatchTooLarge) a file over kMaxPatchFileSize unread.
Patch ReadPatchFile(const std::string& path);
inline constexpr const char* kPatchTooLarge = "%1 is %2 bytes; a patch file holds at most 64 MiB, so it is not read.";

// The patch in the `diff` form: a summary line, then one line a change.
std::vector<std::string> PatchLines(const Patch& patch);

// The differences the patch holds but cannot carry out, one line each (empty
// when it carries them all): a tag only in the original (a patch removes no
// tag), a tag only in the modified map that is not an added tag after the
// original's last one, a rename to a name longer than the old one's room.
// `patch create` and the editor list them before saving; applying leaves them
// out and says so.
std::vector<std::string> LeftOutLines(const Patch& patch);

struct PatchConflict {
  std::string tag;  // CLASS:NAME, or "header"
  std::string field;  // the header or record field; empty for metadata
  std::uint32_t offset = 0;  // inside the tag's metadata
  std::string expected;      // raw bytes
  std::string found;
};

enum class ApplyOutcome {
  Applied,    // the plan was written (ApplyPatch only)
  Verified,   // everything matches: the plan is ready, nothing written
  Conflicts,  // some "before" does not match: no plan, nothing written
  Declined,   // a question was answered No: nothing written
};

struct PlannedWrite {
  std::uint64_t offset = 0;
  std::string bytes;
  std::string what;  // one line for a dry run
};

struct PatchResult {
  ApplyOutcome outcome = ApplyOutcome::Declined;
  std::vector<PatchConflict> conflicts;
  std::vector<PlannedWrite> writes;
  // LeftOutLines(patch): what the plan does not carry out although the patch lists it.
  std::vector<std::string> leftOut;
  // Verified and Applied: the writes as one plan, each with the bytes this map
  // held there when it was planned as an expectation.
  EditPlan plan;
};

inline constexpr const char* kPatchMissingTag = "The patch names a tag this map does not have: ";
inline constexpr const char* kPatchPastMetadata = "The patch changes bytes past the end of a tag's metadata: ";
inline constexpr const char* kPatchTagCountText =
    "The patch adds %1 tags but does not raise the Tag Count by %1: their index entries would be written where the map "
    "keeps other data. Nothing was written.";
inline constexpr const char* kPatchOverwriteQuestion =
    "The patch's new tag entries or appended data would overwrite tag names or metadata of this map. Apply it anyway?";

// Finds every tag the patch names, translates its bytes into this map's terms,
// verifies every "before" and every byte the new entries and appended data
// overwrite, and returns the writes as a plan; nothing is written. A patch made
// from a map with another CRC32 asks kPatchOtherMapQuestion first; new entries
// or appended data over tag names or metadata ask kPatchOverwriteQuestion (No by
// default). Throws Refused for a tag the map lacks, ranges past a tag's
// metadata, and added tags the Tag Count does not count.
PatchResult PlanApplyPatch(CMapFile& map, const Patch& patch, UserDialogs& dialogs);

// PlanApplyPatch, then (unless document is null: a dry run) the plan applied by
// the map's document as one step labelled "Apply Patch TITLE". The model is not
// changed: callers reload the map after Applied.
PatchResult ApplyPatch(CMapFile& map, const Patch& patch, UserDialogs& dialogs, MapDocument* document);

std::string ConflictLine(const PatchConflict& conflict);

}  // namespace jov
