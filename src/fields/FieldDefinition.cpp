#include "fields/FieldDefinition.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "fields/PluginReader.h"
#include "map/ValueText.h"
#include "platform/Folders.h"

namespace jov {

namespace {

struct TypeInfo {
  FieldType type;
  std::string_view name;
  std::uint32_t size;
};

constexpr std::array kTypes = {
    TypeInfo{FieldType::Float, "float", 4},     TypeInfo{FieldType::Angle, "angle", 4},
    TypeInfo{FieldType::Int8, "int8", 1},       TypeInfo{FieldType::Int16, "int16", 2},
    TypeInfo{FieldType::Int32, "int32", 4},     TypeInfo{FieldType::UInt32, "uint32", 4},
    TypeInfo{FieldType::Enum8, "enum8", 1},     TypeInfo{FieldType::Enum16, "enum16", 2},
    TypeInfo{FieldType::Enum32, "enum32", 4},   TypeInfo{FieldType::Flags8, "flags8", 1},
    TypeInfo{FieldType::Flags16, "flags16", 2}, TypeInfo{FieldType::Flags32, "flags32", 4},
    TypeInfo{FieldType::String, "string", 32},  TypeInfo{FieldType::Range, "range", 8},
    TypeInfo{FieldType::Range16, "range16", 4}, TypeInfo{FieldType::Point3, "point3", 12},
    TypeInfo{FieldType::TagRef, "tagref", 16},  TypeInfo{FieldType::TagId, "tagid", 4},
    TypeInfo{FieldType::Block, "block", 12},    TypeInfo{FieldType::DataRef, "dataref", 20},
    TypeInfo{FieldType::Unknown, "unknown", 4},   TypeInfo{FieldType::Point2, "point2", 8},
    TypeInfo{FieldType::Point4, "point4", 16},    TypeInfo{FieldType::Rect16, "rect16", 8},
    TypeInfo{FieldType::Color32, "color32", 4},   TypeInfo{FieldType::Comment, "comment", 0},
};

// InfoOf indexes the table by the type.
constexpr bool TypesInOrder() {
  for (std::size_t i = 0; i < kTypes.size(); ++i)
    if (static_cast<std::size_t>(kTypes[i].type) != i) return false;
  return kTypes.size() == static_cast<std::size_t>(FieldType::Comment) + 1;
}
static_assert(TypesInOrder());

const TypeInfo& InfoOf(FieldType type) { return kTypes[static_cast<std::size_t>(type)]; }

// A definition file that cannot be used: the text names the file and the place.
struct BadDefinition : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string LineOfOffset(const std::string& text, std::size_t offset);

// A value as a message shows it: short, whatever the file holds there.
std::string Shown(const nlohmann::json& value) {
  std::string text = value.dump();
  if (text.size() > 40) text = text.substr(0, 37) + "...";
  return text;
}

std::uint32_t NumberOf(const nlohmann::json& value, const std::string& what) {
  if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 0xFFFFFFFFull) return value.get<std::uint32_t>();
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    std::size_t used = 0;
    unsigned long n = 0;
    try {
      n = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == text.size() && used > 0 && n <= 0xFFFFFFFFul) return static_cast<std::uint32_t>(n);
  }
  throw BadDefinition(what + " is not a number (" + Shown(value) + ")");
}

// An id or name as a definition keeps it, no longer than kMaxDefinitionText.
std::string TextOf(const nlohmann::json& value, const std::string& where) {
  std::string text = value.get<std::string>();
  if (text.size() > kMaxDefinitionText)
    throw BadDefinition(where + ": \"" + text.substr(0, 20) + "...\" is longer than " + std::to_string(kMaxDefinitionText) +
                        " characters");
  return text;
}

FieldUnit UnitNamed(const std::string& name, const std::string& where) {
  if (name == "radians") return FieldUnit::Radians;
  if (name == "per_tick") return FieldUnit::PerTick;
  if (name.empty()) return FieldUnit::None;
  throw BadDefinition(where + ": unknown unit \"" + name + "\"");
}

// options / bits: an array (the position is the value or bit; null skips one) or
// an object of value -> name.
std::map<std::int64_t, std::string> NamesOf(const nlohmann::json& list, const std::string& where) {
  std::map<std::int64_t, std::string> names;
  if (list.is_array()) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].is_string()) names[static_cast<std::int64_t>(i)] = TextOf(list[i], where);
  } else if (list.is_object()) {
    for (const auto& [key, name] : list.items()) {
      if (!name.is_string()) throw BadDefinition(where + ": the name of " + key + " is not a text");
      names[NumberOf(nlohmann::json(key), where + ": option " + key)] = TextOf(name, where);
    }
  } else {
    throw BadDefinition(where + ": options must be a list or an object");
  }
  return names;
}

// The parser's input, one character at a time, leaving how far the parser has
// read where the parse callback can see it: the callback is told what was read
// but not where, and a refusal names the line.
class TrackedText {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  TrackedText(const char* at, const char** reached) : m_at(at), m_reached(reached) {}
  reference operator*() const { return *m_at; }
  TrackedText& operator++() {
    *m_reached = ++m_at;
    return *this;
  }
  TrackedText operator++(int) {
    TrackedText before = *this;
    ++*this;
    return before;
  }
  friend bool operator==(const TrackedText& a, const TrackedText& b) { return a.m_at == b.m_at; }

 private:
  const char* m_at;
  const char** m_reached;
};

// Lines of a text asked for at positions that only move forward: each
// character is counted once.
class LineCounter {
 public:
  explicit LineCounter(const char* text) : m_counted(text) {}
  std::size_t At(const char* position) {
    if (position > m_counted) {
      m_line += static_cast<std::size_t>(std::count(m_counted, position, '\n'));
      m_counted = position;
    }
    return m_line;
  }

 private:
  const char* m_counted;
  std::size_t m_line = 1;
};

// Containers deeper than this cannot be part of a definition within
// kMaxFieldNesting: the root object is at depth 0, a field of nesting level n
// at 2n, its options, bits and fields at 2n + 1.
constexpr int kMaxJsonDepth = 2 * kMaxFieldNesting + 1;

// A definition file as parsed, with the line each object starts on. (The DOM
// keeps no places; an object's members live behind a pointer that moving the
// value does not change, so that pointer keys its line.)
struct JsonFile {
  std::string source;
  nlohmann::json doc;
  std::unordered_map<const nlohmann::json::object_t*, std::size_t> lines;
  std::size_t includeLine = 1;  // where "include" names the parent
  std::size_t fields = 0;       // expanded so far, for kMaxClassFields
  std::size_t names = 0;        // the same for kMaxClassNames

  std::string At(const nlohmann::json& object) const {
    std::size_t line = 1;
    if (object.is_object()) {
      const auto it = lines.find(&object.get_ref<const nlohmann::json::object_t&>());
      if (it != lines.end()) line = it->second;
    }
    return source + ":" + std::to_string(line);
  }
};

// Builds a definition file's document from the parser's events, noting the
// line of each object and refusing nesting past kMaxJsonDepth before it goes
// deeper (nlohmann's parser keeps its own stack, but copying, printing or
// comparing the result recurses once per level). nlohmann's own builder with a
// callback cannot be used: at the end of every object it searches the whole
// list holding it, so a list of a million objects took hours.
class DocumentBuilder : public nlohmann::json::json_sax_t {
 public:
  using json = nlohmann::json;

  DocumentBuilder(const std::string& text, const char* const& reached, JsonFile& file)
      : m_text(text), m_reached(reached), m_lines(text.data()), m_file(file) {}

  bool null() override { return Add(nullptr), true; }
  bool boolean(bool value) override { return Add(value), true; }
  bool number_integer(number_integer_t value) override { return Add(value), true; }
  bool number_unsigned(number_unsigned_t value) override { return Add(value), true; }
  bool number_float(number_float_t value, const string_t&) override { return Add(value), true; }
  bool string(string_t& value) override { return Add(std::move(value)), true; }
  bool binary(binary_t& value) override { return Add(json::binary(std::move(value))), true; }
  bool start_object(std::size_t) override {
    json* object = Open(json::object());
    m_file.lines[&object->get_ref<const json::object_t&>()] = Line();
    return true;
  }
  bool key(string_t& key) override {
    if (m_open.size() == 1 && key == "include") m_file.includeLine = Line();
    m_key = std::move(key);
    return true;
  }
  bool end_object() override { return m_open.pop_back(), true; }
  bool start_array(std::size_t) override { return Open(json::array()), true; }
  bool end_array() override { return m_open.pop_back(), true; }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
    throw BadDefinition(m_file.source + ":" + LineOfOffset(m_text, position == 0 ? 0 : position - 1) + ": not JSON (" +
                        error.what() + ")");
  }

 private:
  // The parser has just read the '{', '[' or the key's closing quote.
  std::size_t Line() { return m_lines.At(m_reached > m_text.data() ? m_reached - 1 : m_reached); }

  // A container's place stays put while it is open: its parent gets no other
  // value until it is closed.
  json* Add(json&& value) {
    if (m_open.empty()) {
      m_file.doc = std::move(value);
      return &m_file.doc;
    }
    json& parent = *m_open.back();
    if (parent.is_array()) {
      auto& array = parent.get_ref<json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    json& slot = parent.get_ref<json::object_t&>()[m_key];
    slot = std::move(value);
    return &slot;
  }

  json* Open(json&& container) {
    if (m_open.size() > kMaxJsonDepth)
      throw BadDefinition(m_file.source + ":" + std::to_string(Line()) + ": nested deeper than " +
                          std::to_string(kMaxFieldNesting) + " levels of fields");
    json* opened = Add(std::move(container));
    m_open.push_back(opened);
    return opened;
  }

  const std::string& m_text;
  const char* const& m_reached;
  LineCounter m_lines;
  JsonFile& m_file;
  std::vector<json*> m_open;
  std::string m_key;
};

void ParseJson(const std::string& text, JsonFile& file) {
  const char* reached = text.data();
  DocumentBuilder builder(text, reached, file);
  nlohmann::json::sax_parse(TrackedText(text.data(), &reached), TrackedText(text.data() + text.size(), &reached), &builder);
}

void ParseFields(const nlohmann::json& list, const nlohmann::json& owner, JsonFile& file, std::vector<FieldDef>& out);

void ParseField(const nlohmann::json& item, const nlohmann::json& owner, JsonFile& file, std::vector<FieldDef>& out) {
  if (!item.is_object()) throw BadDefinition(file.At(owner) + ": a field must be an object");
  const std::string id = item.contains("id") ? TextOf(item["id"], file.At(item) + ": id") : "";
  if (id.empty()) throw BadDefinition(file.At(item) + ": a field without an id");
  const std::string here = file.At(item) + ": field \"" + id + "\"";
  const auto type = FieldTypeNamed(item.value("type", ""));
  if (!type) throw BadDefinition(here + ": unknown type \"" + item.value("type", "") + "\"");
  if (!item.contains("offset")) throw BadDefinition(here + ": no offset");
  FieldDef f;
  f.id = id;
  f.type = *type;
  f.offset = NumberOf(item["offset"], here + ": offset");
  f.size = FieldTypeSize(*type);
  // Only texts and unknown bytes have a length of their own.
  if (item.contains("size")) {
    if (*type != FieldType::String && *type != FieldType::Unknown) throw BadDefinition(here + ": a " + item.value("type", "") + " has no size");
    f.size = NumberOf(item["size"], here + ": size");
    if (f.size == 0) throw BadDefinition(here + ": size 0");
  }
  f.unit = *type == FieldType::Angle ? FieldUnit::Radians : UnitNamed(item.value("unit", ""), here);
  f.readOnly = item.value("read_only", false);
  // What the field does, in the definition's own words: the editor's tooltip.
  if (item.contains("description")) f.tooltip = TextOf(item["description"], here + ": description");
  f.hidden = item.value("hidden", false);
  if (item.contains("options")) f.names = NamesOf(item["options"], here);
  if (item.contains("bits")) f.names = NamesOf(item["bits"], here);
  if (item.contains("classes"))
    for (const auto& c : item["classes"]) f.classes.push_back(TextOf(c, here));
  // The entry's fields are counted in file.fields as they are read.
  const std::size_t before = file.fields;
  const std::size_t namesBefore = file.names;
  if (f.type == FieldType::Block) {
    if (!item.contains("entry_size")) throw BadDefinition(here + ": a block without entry_size");
    f.entrySize = NumberOf(item["entry_size"], here + ": entry_size");
    if (item.contains("fields")) ParseFields(item["fields"], item, file, f.entry);
  }
  const std::size_t inEntry = file.fields - before;
  const std::size_t namesInEntry = file.names - namesBefore;
  // "count": N fields of the same type one after another, ids id_0 ... id_N-1.
  const std::uint32_t count = item.contains("count") ? NumberOf(item["count"], here + ": count") : 0;
  if (count > 4096) throw BadDefinition(here + ": count over 4096");
  // Each copy holds its own entry fields: a count multiplies what is inside it.
  const std::size_t copies = std::max<std::uint32_t>(count, 1);
  const std::size_t added = copies * (1 + inEntry) - inEntry;
  if (file.fields + added > kMaxClassFields)
    throw BadDefinition(here + ": more than " + std::to_string(kMaxClassFields) +
                        " fields once every count is expanded");
  const std::size_t namesAdded = copies * (f.names.size() + f.classes.size() + namesInEntry) - namesInEntry;
  if (file.names + namesAdded > kMaxClassNames)
    throw BadDefinition(here + ": more than " + std::to_string(kMaxClassNames) +
                        " option, bit and class names once every count is expanded");
  file.fields += added;
  file.names += namesAdded;
  if (count == 0) {
    out.push_back(std::move(f));
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    FieldDef copy = f;
    copy.id = id + "_" + std::to_string(i);
    copy.offset = f.offset + i * f.size;
    out.push_back(std::move(copy));
  }
}

void ParseFields(const nlohmann::json& list, const nlohmann::json& owner, JsonFile& file, std::vector<FieldDef>& out) {
  if (!list.is_array()) throw BadDefinition(file.At(owner) + ": fields must be a list");
  for (const auto& item : list) ParseField(item, owner, file, out);
}

void SortByOffset(std::vector<FieldDef>& fields) {
  std::stable_sort(fields.begin(), fields.end(), [](const FieldDef& a, const FieldDef& b) { return a.offset < b.offset; });
  for (FieldDef& f : fields) SortByOffset(f.entry);
}

// A layout wrong everywhere (100,000 fields, each past its entry, each named by
// a path through 64 blocks) is not listed whole.
constexpr std::size_t kMaxLayoutProblems = 20;

// A problem and the line of the field it is about (0: not known).
struct LayoutProblem {
  std::uint32_t line;
  std::string text;
};

void CheckStruct(const std::vector<FieldDef>& fields, std::uint32_t size, const std::string& where,
                 std::vector<LayoutProblem>& problems) {
  const FieldDef* previous = nullptr;
  for (const FieldDef& f : fields) {
    if (problems.size() >= kMaxLayoutProblems) return;
    const std::uint64_t end = std::uint64_t{f.offset} + f.size;
    if (end > size)
      problems.push_back({f.line, where + f.id + " at 0x" + UIntToHex(f.offset) + " (" + std::to_string(f.size) +
                                      " bytes) runs past the size 0x" + UIntToHex(size)});
    if (previous && std::uint64_t{previous->offset} + previous->size > f.offset)
      problems.push_back({f.line, where + f.id + " at 0x" + UIntToHex(f.offset) + " overlaps " + previous->id + " at 0x" +
                                      UIntToHex(previous->offset)});
    if (f.type == FieldType::Block) {
      if (f.entrySize == 0 && !f.entry.empty()) problems.push_back({f.line, where + f.id + " has fields but no entry size"});
      CheckStruct(f.entry, f.entrySize, where + f.id + "[].", problems);
    }
    if (!previous || end > std::uint64_t{previous->offset} + previous->size) previous = &f;
  }
}

std::string LineOfOffset(const std::string& text, std::size_t offset) {
  return std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<long>(std::min(offset, text.size())), '\n'));
}

// The largest definition files read. A parsed document takes up to some 45
// times its text (a list of empty objects), a plugin's up to some 18 times;
// the built-in files are a few KiB, the largest plugins shared a few hundred.
constexpr std::size_t kMaxJsonFileSize = std::size_t{1} << 20;
constexpr std::size_t kMaxPluginFileSize = std::size_t{4} << 20;

void CheckFileSize(const std::string& source, std::uintmax_t size, std::size_t limit) {
  if (size > limit)
    throw BadDefinition(source + ": " + std::to_string(size) + " bytes, more than a definition file may hold (" +
                        std::to_string(limit >> 20) + " MiB)");
}

std::string ReadText(const std::filesystem::path& path, std::size_t limit) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error) CheckFileSize(path.string(), size, limit);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BadDefinition(path.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string_view FieldTypeName(FieldType type) { return InfoOf(type).name; }

std::optional<FieldType> FieldTypeNamed(std::string_view name) {
  for (const TypeInfo& info : kTypes)
    if (info.name == name) return info.type;
  return std::nullopt;
}

std::uint32_t FieldTypeSize(FieldType type) { return InfoOf(type).size; }

std::string IdFromName(std::string_view name) {
  std::string id;
  bool gap = false;
  for (const char c : name) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9')) {
      if (gap && !id.empty()) id += '_';
      gap = false;
      id += lower;
    } else {
      gap = true;
    }
  }
  return id.empty() ? "field" : id;
}

std::vector<std::string> CheckLayout(const ClassDef& def) {
  std::vector<LayoutProblem> found;
  CheckStruct(def.fields, def.size, "", found);
  std::vector<std::string> problems;
  for (LayoutProblem& p : found) problems.push_back(std::move(p.text));
  return problems;
}

std::string ClassCode(std::string_view cls) {
  std::string code(cls);
  if (!code.empty() && code.size() < 4) code.resize(4, ' ');
  return code;
}

struct DefinitionSet::Raw {
  ClassDef own;
  std::string include;  // the parent class, "" for none
  std::size_t fields = 0;  // CountFields(own.fields)
  std::size_t names = 0;   // CountNames(own.fields)
  std::size_t includeLine = 1;
};

std::size_t CountFields(const std::vector<FieldDef>& fields) {
  std::size_t count = fields.size();
  for (const FieldDef& f : fields) count += CountFields(f.entry);
  return count;
}

std::size_t CountNames(const std::vector<FieldDef>& fields) {
  std::size_t count = 0;
  for (const FieldDef& f : fields) count += f.names.size() + f.classes.size() + CountNames(f.entry);
  return count;
}

void DefinitionSet::Keep(std::shared_ptr<Raw> raw) {
  const std::size_t held = raw->fields + raw->names;
  if (m_rawFields + held > kMaxSetFields) {
    m_messages.push_back(raw->own.source + ": its " + std::to_string(held) +
                         " fields and names and those of the files read before it are more than " +
                         std::to_string(kMaxSetFields) + "; the file is skipped.");
    return;
  }
  m_rawFields += held;
  m_raw[raw->own.cls].push_back(std::move(raw));
}

void DefinitionSet::LoadJsonText(const std::string& text, const std::string& source) {
  try {
    CheckFileSize(source, text.size(), kMaxJsonFileSize);
    JsonFile file;
    file.source = source;
    ParseJson(text, file);
    const nlohmann::json& doc = file.doc;
    if (!doc.is_object() || !doc.contains("class") || !doc["class"].is_string())
      throw BadDefinition(source + ": no \"class\"");
    auto raw = std::make_shared<Raw>();
    raw->own.cls = ClassCode(doc["class"].get<std::string>());
    raw->own.name = doc.value("name", raw->own.cls);
    raw->own.abstract = doc.value("abstract", false);
    raw->own.source = source;
    if (!doc.contains("size")) throw BadDefinition(source + ": no \"size\"");
    raw->own.size = NumberOf(doc["size"], source + ": size");
    raw->include = doc.value("include", "");
    raw->includeLine = file.includeLine;
    if (doc.contains("fields")) ParseFields(doc["fields"], doc, file, raw->own.fields);
    raw->fields = file.fields;
    raw->names = file.names;
    SortByOffset(raw->own.fields);
    Keep(std::move(raw));
  } catch (const BadDefinition& e) {
    m_messages.push_back(std::string(e.what()) + "; the file is skipped.");
  } catch (const nlohmann::json::exception& e) {
    m_messages.push_back(source + ": " + e.what() + "; the file is skipped.");
  }
  if (!m_loadingFolder) Resolve();
}

void DefinitionSet::LoadPluginText(const std::string& text, const std::string& source, const std::string& cls) {
  try {
    CheckFileSize(source, text.size(), kMaxPluginFileSize);
  } catch (const BadDefinition& e) {
    m_messages.push_back(std::string(e.what()) + "; the file is skipped.");
    return;
  }
  PluginResult plugin = ReadPlugin(text, source, ClassCode(cls));
  if (!plugin.error.empty()) {
    m_messages.push_back(plugin.error + "; the file is skipped.");
    return;
  }
  auto raw = std::make_shared<Raw>();
  raw->own = std::move(plugin.def);
  raw->fields = CountFields(raw->own.fields);
  raw->names = CountNames(raw->own.fields);
  Keep(std::move(raw));
  if (!m_loadingFolder) Resolve();
}

void DefinitionSet::LoadFolder(const std::string& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  // Parents and children may come in any order: resolved once, at the end.
  m_loadingFolder = true;
  for (const auto& path : files) {
    const std::string extension = path.extension().string();
    if (extension != ".json" && extension != ".xml") continue;
    std::string text;
    try {
      text = ReadText(path, extension == ".json" ? kMaxJsonFileSize : kMaxPluginFileSize);
    } catch (const BadDefinition& e) {
      m_messages.push_back(std::string(e.what()) + "; the file is skipped.");
      continue;
    }
    if (extension == ".json") LoadJsonText(text, path.string());
    else LoadPluginText(text, path.string(), path.stem().string());
  }
  m_loadingFolder = false;
  Resolve();
}

// Children take their parents' fields first. A class whose newest file is
// unsound (its layout, its parent chain, its size with what it includes) keeps
// the one read before it.
void DefinitionSet::Resolve() {
  m_classes.clear();
  std::vector<std::string> problems;
  std::size_t held = 0;  // the fields and names of the classes copied so far, for kMaxSetFields
  // "" when def is sound, else where and why it is not. A class that includes
  // none is its file's own definition, not a copy of it.
  auto build = [&](const std::shared_ptr<Raw>& file, std::shared_ptr<const ClassDef>& def) -> std::string {
    const Raw& raw = *file;
    const std::string source = raw.own.source + ": ";
    std::vector<std::string> chain{raw.own.cls};
    std::size_t fields = raw.fields, names = raw.names;
    std::vector<const Raw*> parents;
    for (std::string parent = raw.include; !parent.empty();) {
      if (std::find(chain.begin(), chain.end(), parent) != chain.end()) return source + "includes itself through " + parent;
      const auto it = m_raw.find(parent);
      if (it == m_raw.end() || it->second.empty()) return source + "includes " + parent + ", which no definition gives";
      chain.push_back(parent);
      const Raw& up = *it->second.back();
      fields += up.fields;
      names += up.names;
      if (fields > kMaxClassFields)
        return raw.own.source + ":" + std::to_string(raw.includeLine) + ": more than " + std::to_string(kMaxClassFields) +
               " fields with those it includes through " + parent;
      if (names > kMaxClassNames)
        return raw.own.source + ":" + std::to_string(raw.includeLine) + ": more than " + std::to_string(kMaxClassNames) +
               " option, bit and class names with those it includes through " + parent;
      parents.push_back(&up);
      parent = up.include;
    }
    if (parents.empty()) {
      def = std::shared_ptr<const ClassDef>(file, &file->own);
    } else {
      if (held + fields + names > kMaxSetFields)
        return source + "the classes resolved before it and its " + std::to_string(fields + names) +
               " fields and names are more than " + std::to_string(kMaxSetFields);
      auto combined = std::make_shared<ClassDef>(raw.own);
      std::vector<FieldDef> inherited;
      for (const Raw* up : parents) inherited.insert(inherited.begin(), up->own.fields.begin(), up->own.fields.end());
      combined->fields.insert(combined->fields.begin(), inherited.begin(), inherited.end());
      SortByOffset(combined->fields);
      def = std::move(combined);
    }
    std::vector<LayoutProblem> layout;
    CheckStruct(def->fields, def->size, "", layout);
    // Plugin fields know their line (a plugin includes no parent, so the line
    // is in its own file).
    if (!layout.empty()) {
      if (layout.front().line == 0) return source + layout.front().text;
      return raw.own.source + ":" + std::to_string(layout.front().line) + ": " + layout.front().text;
    }
    if (!parents.empty()) held += fields + names;
    return {};
  };
  for (const auto& [cls, stack] : m_raw) {
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
      std::shared_ptr<const ClassDef> def;
      const std::string problem = build(*it, def);
      if (problem.empty()) {
        m_classes.emplace(cls, std::move(def));
        break;
      }
      problems.push_back(problem + "; the file is skipped.");
    }
  }
  m_resolveMessages = std::move(problems);
}

const ClassDef* DefinitionSet::Find(const std::string& cls) const {
  const auto it = m_classes.find(ClassCode(cls));
  return it == m_classes.end() || it->second->abstract ? nullptr : it->second.get();
}

std::vector<const ClassDef*> DefinitionSet::All() const {
  std::vector<const ClassDef*> all;
  for (const auto& [cls, def] : m_classes) all.push_back(def.get());
  return all;
}

std::vector<std::string> DefinitionSet::Messages() const {
  std::vector<std::string> all = m_messages;
  all.insert(all.end(), m_resolveMessages.begin(), m_resolveMessages.end());
  return all;
}

std::string BuiltInDefinitionsFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const auto installed = exe.parent_path().parent_path() / "share" / "jov" / "definitions";
    if (std::filesystem::is_directory(installed, error)) return installed.string();
  }
#ifdef JOV_SOURCE_DEFINITIONS
  return JOV_SOURCE_DEFINITIONS;
#else
  return {};
#endif
}

DefinitionSet LoadDefinitions(const std::string& userFolder) {
  DefinitionSet set;
  set.LoadFolder(BuiltInDefinitionsFolder());
  set.LoadFolder(userFolder.empty() ? UserDefinitionsFolder() : userFolder);
  return set;
}

}  // namespace jov
