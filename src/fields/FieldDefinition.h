#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A tag class's layout as data: the fields of its metadata by offset, read from
// JOV's JSON definition files and from users' plugin files (XML). A field inside
// a block entry has its offset from the entry's start.
namespace jov {

enum class FieldType {
  Float, Angle, Int8, Int16, Int32, UInt32,
  Enum8, Enum16, Enum32, Flags8, Flags16, Flags32,
  String, Range, Range16, Point3, TagRef, TagId, Block, DataRef, Unknown,
  // Two and four floats (points, vectors, planes, ARGB colours); four int16
  // (a rectangle: top, left, bottom, right); an ARGB colour of one byte a
  // component; a section title with no bytes of its own.
  Point2, Point4, Rect16, Color32, Comment,
};

// "float", "enum16", "tagref" ...: the names the definition files and jov-cli use.
std::string_view FieldTypeName(FieldType type);
std::optional<FieldType> FieldTypeNamed(std::string_view name);
// The bytes a field of type takes (String, Unknown: their own length).
std::uint32_t FieldTypeSize(FieldType type);

// How a stored value is shown: angles are stored in radians (shown in degrees),
// projectile speeds per tick (shown per second, 30 ticks a second).
enum class FieldUnit { None, Radians, PerTick };
inline constexpr float kTicksPerSecond = 30.0f;

struct FieldDef {
  std::string id;
  FieldType type = FieldType::Unknown;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;  // bytes taken
  FieldUnit unit = FieldUnit::None;
  bool readOnly = false;  // computed when the map is built
  bool hidden = false;    // listed only when asked for all fields
  // Enums: value -> option name; flags: bit index -> bit name.
  std::map<std::int64_t, std::string> names;
  std::vector<std::string> classes;  // tag references: the classes allowed, empty for any
  std::uint32_t entrySize = 0;       // blocks
  std::vector<FieldDef> entry;       // blocks: the fields of one entry, by offset
  std::string tooltip;               // what the file says of the field, for the editor to show
  std::string title;                 // a section title's own words ("Ammunition"), for the editor's row
  std::uint32_t line = 0;            // where the file defines it, 0 when not known
};

struct ClassDef {
  std::string cls;  // "weap"
  std::string name;
  std::uint32_t size = 0;
  bool abstract = false;  // object, item, unit: parents, no tag has them as class
  std::vector<FieldDef> fields;
  std::string source;  // the file it came from
};

// The fields of a list, each block's entry fields counted with it.
std::size_t CountFields(const std::vector<FieldDef>& fields);
// The names they carry: options, bits, allowed classes.
std::size_t CountNames(const std::vector<FieldDef>& fields);

// What one definition may ask for. A file of a few bytes could otherwise
// expand into gigabytes (a count on a block whose entry holds counted blocks)
// or nest deeper than the readers and the layout walks recurse: such a file is
// refused with its line and the reason.
inline constexpr int kMaxFieldNesting = 64;  // blocks inside blocks
// The fields of one class with every count expanded, block entries and the
// fields it includes from its parents counted.
inline constexpr std::size_t kMaxClassFields = 100000;
// The same for the names fields carry (enum options, flag bits, the classes a
// reference allows): each copy of a counted field holds its own.
inline constexpr std::size_t kMaxClassNames = 100000;
// The longest id or name a definition file may give (each copy of a counted
// field holds its own); a plugin's longer names are cut to it.
inline constexpr std::size_t kMaxDefinitionText = 128;
// Every class of a set together, fields and names (a folder of many small
// files, each at the limits above, must not add up to gigabytes either). The
// built-in definitions hold a few hundred.
inline constexpr std::size_t kMaxSetFields = 400000;

// Class codes of three letters are four in a map, the last a space ("fog "):
// a file named fog.xml or a definition of class "fog" is that class.
std::string ClassCode(std::string_view cls);

// Plugin names to ids: lower case, each run of other characters one
// underscore, none at either end ("Rounds Loaded Max" -> "rounds_loaded_max").
std::string IdFromName(std::string_view name);

// What is wrong with a layout: a field past the size of its struct or entry, two
// fields sharing bytes, a block without an entry size (the first 20 problems).
// Empty when sound.
std::vector<std::string> CheckLayout(const ClassDef& def);

// The built-in definitions and the user's, by class; a user's file wins for the
// classes it defines. A file that cannot be read is skipped and named in
// Messages() with its line; loading never throws for a bad file.
class DefinitionSet {
 public:
  // Reads every *.json (and, in a user folder, *.xml plugin file) of folder; the
  // classes defined there replace those already held.
  void LoadFolder(const std::string& folder);
  // One JSON definition text or plugin text, as if read from a file named source.
  void LoadJsonText(const std::string& text, const std::string& source);
  void LoadPluginText(const std::string& text, const std::string& source, const std::string& cls);

  const ClassDef* Find(const std::string& cls) const;
  std::vector<const ClassDef*> All() const;
  // Every file skipped so far, with the reason.
  std::vector<std::string> Messages() const;

 private:
  struct Raw;
  void Keep(std::shared_ptr<Raw> raw);
  void Resolve();
  // Per class, the files that define it in the order read; the last sound one wins.
  std::map<std::string, std::vector<std::shared_ptr<Raw>>> m_raw;
  std::map<std::string, std::shared_ptr<const ClassDef>> m_classes;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_resolveMessages;
  std::size_t m_rawFields = 0;  // held in m_raw, for kMaxSetFields
  bool m_loadingFolder = false;
};

// Where the built-in definitions are: share/jov/definitions beside the
// installed program, else the source tree's definitions folder.
std::string BuiltInDefinitionsFolder();
// The built-in definitions, then the user's folder (userFolder, or the user
// definitions folder when empty).
DefinitionSet LoadDefinitions(const std::string& userFolder = "");

}  // namespace jov
