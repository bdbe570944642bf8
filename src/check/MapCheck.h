#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "map/MapFile.h"

// "Is this map sound?": every problem of a map's header, index, names and CRC32
// in plain words. A check only reads, and reads nothing past the file's end.
namespace jov {

enum class Severity { Error, Warning, Note };

struct Finding {
  Severity severity = Severity::Note;
  std::string where;  // "header 0x008 EoF Position", "tag 12 weap:weapons\pistol\pistol", ...
  std::string what;   // one plain sentence
  int tag = -1;       // the tag the finding is about, -1 for none
};

struct CheckReport {
  std::vector<Finding> findings;
  int errors = 0;
  int warnings = 0;
  int notes = 0;
  bool compressedXbox = false;  // an Xbox map as shipped: decompress before anything else
  std::optional<std::uint32_t> storedCrc;
  std::optional<std::uint32_t> computedCrc;

  bool HasErrors() const { return errors > 0; }
};

CheckReport CheckMapBytes(std::span<const unsigned char> file);
// The same, with the CRC-32 of each whole chunk of the file as FileBytes took it.
CheckReport CheckMapBytes(std::span<const unsigned char> file, std::span<const std::uint32_t> chunkCrcs);
CheckReport CheckMapFile(const std::string& path);  // throws FileError when it cannot be read
CheckReport CheckMap(const CMapFile& map);          // the open map's file

// "error", "warning", "note".
const char* SeverityText(Severity severity);
// "error   tag 12 weap:weapons\pistol\pistol: metadata 0x1234..0x5678 runs past ..."
std::string FindingLine(const Finding& finding);
// "1 error, 2 warnings, 2 notes"
std::string SummaryLine(const CheckReport& report);

// The errors a header would give the map by its version, index offset, tag count
// and EoF Position alone (each a plain sentence). A header save compares these
// for the header now and the header about to be written.
struct HeaderNumbers {
  std::uint16_t version = 0;
  std::uint32_t indexOffset = 0;  // as stored at 0x010
  std::uint16_t tagCount = 0;
  std::uint32_t eofPosition = 0;
};
enum class HeaderError { Version, IndexOffset, TagCount, EofPosition };
struct HeaderLayoutError {
  HeaderError kind;
  std::string text;
};
std::vector<HeaderLayoutError> HeaderLayoutErrors(const HeaderNumbers& header, std::uint64_t fileLength);

}  // namespace jov
