#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A mod: field edits by tag and field path, in the units `jov-cli fields`
// shows, that fit every map holding the tag whatever its layout. Kept as a
// .jovmod file (JSON, UTF-8; map texts go as their Latin-1 characters).
namespace jov {

class DefinitionSet;

struct ModEdit {
  std::string tag;    // "weap:weapons\pistol\pistol", the map's bytes
  std::string field;  // "triggers[0].rounds_per_second"
  std::string value;  // in display units, as `set` takes it
  // Applies only where the field still holds this value.
  std::optional<std::string> was;
  // value and was are in stored units (radians, per tick): a float no text in
  // display units gives back bit for bit.
  bool raw = false;
};

struct Mod {
  std::string title;
  std::string author;
  std::string version;  // the JOV that wrote it
  std::vector<ModEdit> edits;
};

inline constexpr const char* kModFormat = "jovmod";
inline constexpr int kModFormatVersion = 1;
// A mod file larger than this, or holding this many edits, is refused before
// anything is read into edits or written to a map.
inline constexpr std::uint64_t kMaxModBytes = std::uint64_t{16} << 20;
inline constexpr std::size_t kMaxModEdits = 999999;

// The mod in text; Refused naming source and, for a bad edit, its number
// (counted from 1) when the text is not a mod.
Mod ParseModText(const std::string& text, const std::string& source);
// The file at path, refused over kMaxModBytes before it is read.
Mod ReadModFile(const std::string& path);
std::string ModText(const Mod& mod);

// Refused, naming source and the edit's number, for the first edit whose tag
// class has no definition, whose field the definition lacks or cannot be set,
// or whose value does not parse for the field's type.
void CheckModEdits(const Mod& mod, const std::string& source, const DefinitionSet& definitions);

}  // namespace jov
