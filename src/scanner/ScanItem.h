#pragma once
#include <cstdint>
#include <string>

namespace jov {

// Kind codes of a scan result.
inline constexpr char kKindDependency = 'd';  // class code + identifier of a tag of this map
inline constexpr char kKindNulled = 'n';      // a dependency whose identifier is FFFFFFFF
inline constexpr char kKindUnknown = 'u';     // a dependency whose identifier no tag has
inline constexpr char kKindLoneId = 'l';      // a tag identifier not 12 bytes after a class code
inline constexpr char kKindReflexive = 'r';   // a pointer into the scanned tag's own metadata
inline constexpr char kKindShort = 's';
inline constexpr char kKindFloat = 'f';

// One hit of a metadata scan. Positions are characters of the metadata text (two
// a byte), so an odd nPos straddles two bytes. Fields a kind does not set stay
// zero; a record with chKind 0 is "nothing selected yet".
struct ScanItem {
  std::int32_t nPos = 0;
  std::uint32_t dwFloatBits = 0;  // 'f'
  std::int16_t nShort = 0;        // 's'
  std::int16_t nChunkCount = 0;   // 'r': the count field's lowest byte, 0 to 255
  std::string strClass;           // 'd', 'n', 'u': the class code searched for
  std::int32_t nTagIndex = 0;     // 'd', 'l': the tag the hit names
  char chKind = 0;
  std::int32_t nTargetOffset = 0;  // 'r': the byte of this tag's metadata addressed
  std::string strLabel;            // the line of the results tree

  friend bool operator==(const ScanItem&, const ScanItem&) = default;
};

}  // namespace jov
