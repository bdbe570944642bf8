#include "mod/ModFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "compare/Patch.h"
#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "map/FieldText.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "platform/PathText.h"
#include "platform/Version.h"

namespace jov {

namespace {

using json = nlohmann::json;

std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

[[noreturn]] void RefuseEdit(const std::string& source, std::size_t number, const std::string& why) {
  throw Refused(source + ": edit " + Thousands(number) + ": " + why + "; nothing was written.");
}

std::string Member(const json& object, const char* key, const std::string& source, std::size_t edit, bool required) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (required) RefuseEdit(source, edit, std::string("it has no \"") + key + "\"");
    return "";
  }
  if (!it->is_string()) RefuseEdit(source, edit, std::string("\"") + key + "\" is not a text");
  const auto text = Latin1FromUtf8(it->get<std::string>());
  if (!text) RefuseEdit(source, edit, std::string("\"") + key + "\" holds a character outside Latin-1");
  return *text;
}

std::string TopText(const json& document, const char* key, const std::string& source) {
  const auto it = document.find(key);
  if (it == document.end() || it->is_null()) return "";
  if (!it->is_string()) throw Refused(source + ": \"" + key + "\" is not a text; nothing was written.");
  const auto text = Latin1FromUtf8(it->get<std::string>());
  if (!text) throw Refused(source + ": \"" + key + "\" holds a character outside Latin-1; nothing was written.");
  return *text;
}

// The line and column of a byte offset, for a parse error a person can find.
std::string PlaceOf(const std::string& text, std::size_t at) {
  at = std::min(at, text.size());
  const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  const std::size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t column = lineStart == std::string::npos ? at : at - lineStart - 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(column + 1);
}

// The definition of the field a path names: "triggers[0].rounds_per_second"
// walks the triggers block into its entry. Null, with why, when the path names
// nothing the definition holds.
const FieldDef* DefinedField(const ClassDef& def, const std::string& path, std::string& why) {
  const std::vector<FieldDef>* fields = &def.fields;
  const FieldDef* found = nullptr;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = path.find('.', start);
    std::string segment = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    bool indexed = false;
    if (const std::size_t open = segment.find('['); open != std::string::npos) {
      const std::string index = segment.substr(open + 1);
      if (index.size() < 2 || index.back() != ']' || !ParseIntegerField(index.substr(0, index.size() - 1), 0, 65534)) {
        why = "\"" + segment + "\" is not FIELD[INDEX]";
        return nullptr;
      }
      segment.resize(open);
      indexed = true;
    }
    const auto it = std::find_if(fields->begin(), fields->end(), [&](const FieldDef& f) { return f.id == segment; });
    if (segment.empty() || it == fields->end()) {
      why = def.cls + " has no field " + path;
      return nullptr;
    }
    found = &*it;
    if (indexed && found->type != FieldType::Block) {
      why = found->id + " is not a block";
      return nullptr;
    }
    if (dot == std::string::npos) {
      if (indexed) {
        why = path + " is a block entry, not a field";
        return nullptr;
      }
      return found;
    }
    if (!indexed) {
      why = found->type == FieldType::Block ? found->id + " is a block: name an entry, " + found->id + "[0]."
                                            : found->id + " has no fields inside it";
      return nullptr;
    }
    fields = &found->entry;
    start = dot + 1;
  }
}

// The objects of the "edits" list (objects two levels inside the document),
// counted while the text is read; it stops the reading at one too many.
struct EditCounter : nlohmann::json_sax<json> {
  std::size_t depth = 0;
  std::size_t edits = 0;
  std::size_t errorAt = 0;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool key(string_t&) override { return true; }
  bool start_object(std::size_t) override {
    if (depth++ == 2 && ++edits > kMaxModEdits) return false;
    return true;
  }
  bool end_object() override {
    --depth;
    return true;
  }
  bool start_array(std::size_t) override {
    ++depth;
    return true;
  }
  bool end_array() override {
    --depth;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
    errorAt = position == 0 ? 0 : position - 1;
    return false;
  }
};

}  // namespace

Mod ParseModText(const std::string& text, const std::string& source) {
  // A first pass counts the edits and finds a text that is not JSON without
  // holding anything, so a million edits ({} each fits in 3 MB) are refused
  // before a single one is built.
  EditCounter counter;
  if (!json::sax_parse(text, &counter)) {
    if (counter.edits > kMaxModEdits)
      RefuseEdit(source, counter.edits, "a mod holds at most " + Thousands(kMaxModEdits) + " edits");
    throw Refused(source + " is not a mod: it is not JSON (" + PlaceOf(text, counter.errorAt) + "); nothing was written.");
  }
  const json document = json::parse(text);
  if (!document.is_object()) throw Refused(source + " is not a mod: it is not a JSON object; nothing was written.");
  if (document.value("format", std::string()) != kModFormat)
    throw Refused(source + " is not a mod: its \"format\" is not \"" + std::string(kModFormat) + "\"; nothing was written.");
  if (!document.contains("edits") || !document["edits"].is_array())
    throw Refused(source + " is not a mod: it has no list of \"edits\"; nothing was written.");
  Mod mod;
  mod.title = TopText(document, "title", source);
  mod.author = TopText(document, "author", source);
  mod.version = TopText(document, "jov", source);
  const json& list = document["edits"];
  mod.edits.reserve(list.size());
  std::size_t number = 0;
  for (const json& item : list) {
    ++number;
    if (!item.is_object()) RefuseEdit(source, number, "it is not an object");
    ModEdit edit;
    edit.tag = Member(item, "tag", source, number, true);
    if (edit.tag.find(':') == std::string::npos) RefuseEdit(source, number, "\"tag\" is not CLASS:PATH");
    edit.field = Member(item, "field", source, number, true);
    edit.value = Member(item, "value", source, number, true);
    if (item.contains("was")) edit.was = Member(item, "was", source, number, true);
    if (const auto raw = item.find("raw"); raw != item.end()) {
      if (!raw->is_boolean()) RefuseEdit(source, number, "\"raw\" is not true or false");
      edit.raw = raw->get<bool>();
    }
    mod.edits.push_back(std::move(edit));
  }
  return mod;
}

Mod ReadModFile(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(PathFromUtf8(path), error);
  if (!error && size > kMaxModBytes)
    throw Refused(path + " is " + Thousands(size) + " bytes; a mod is at most 16 MiB (" + Thousands(kMaxModBytes) +
                  " bytes), so nothing was written.");
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  const std::uint64_t length = file.Length();
  if (length > kMaxModBytes)
    throw Refused(path + " is " + Thousands(length) + " bytes; a mod is at most 16 MiB, so nothing was written.");
  std::string text(static_cast<std::size_t>(length), '\0');
  file.Read(0, text.data(), text.size());
  return ParseModText(text, path);
}

std::string ModText(const Mod& mod) {
  nlohmann::ordered_json document;
  document["format"] = kModFormat;
  document["format_version"] = kModFormatVersion;
  document["title"] = Latin1ToUtf8(mod.title);
  document["author"] = Latin1ToUtf8(mod.author);
  document["jov"] = mod.version.empty() ? std::string(JOV_VERSION) : Latin1ToUtf8(mod.version);
  auto edits = nlohmann::ordered_json::array();
  for (const ModEdit& edit : mod.edits) {
    nlohmann::ordered_json item;
    item["tag"] = Latin1ToUtf8(edit.tag);
    item["field"] = Latin1ToUtf8(edit.field);
    item["value"] = Latin1ToUtf8(edit.value);
    if (edit.was) item["was"] = Latin1ToUtf8(*edit.was);
    if (edit.raw) item["raw"] = true;
    edits.push_back(std::move(item));
  }
  document["edits"] = std::move(edits);
  return document.dump(1, '\t') + "\n";
}

void CheckModEdits(const Mod& mod, const std::string& source, const DefinitionSet& definitions) {
  // Values are parsed as `set` parses them, against a field of zeros: a
  // reference is only checked for its form here, since the tags it may name
  // are each map's own.
  static const CMapFile noMap;
  std::size_t number = 0;
  for (const ModEdit& edit : mod.edits) {
    ++number;
    const std::string cls = edit.tag.substr(0, edit.tag.find(':'));
    const ClassDef* def = definitions.Find(cls);
    if (!def) RefuseEdit(source, number, "no definition describes tags of class " + cls);
    std::string why;
    const FieldDef* field = DefinedField(*def, edit.field, why);
    if (!field) RefuseEdit(source, number, why);
    FieldTree tree;
    tree.tagText = edit.tag;
    tree.bytes.assign(field->size, 0);
    FieldNode node;
    node.path = edit.field;
    node.def = field;
    node.type = field->type;
    node.size = field->size;
    node.unit = field->unit;
    node.readOnly = field->readOnly;
    if (field->type == FieldType::TagRef || field->type == FieldType::TagId) {
      const std::size_t colon = edit.value.find(':');
      if (edit.value == "none") continue;
      if (colon == std::string::npos) RefuseEdit(source, number, edit.field + ": \"" + edit.value + "\" is not CLASS:PATH or none");
      const std::string target = edit.value.substr(0, colon);
      if (!edit.raw && !field->classes.empty() &&
          std::find(field->classes.begin(), field->classes.end(), target) == field->classes.end())
        RefuseEdit(source, number, edit.field + ": a reference here names a tag of another class than " + target);
      if (field->readOnly) RefuseEdit(source, number, edit.field + ": the field is computed when the map is built (read-only)");
      continue;
    }
    try {
      EncodeFieldValue(noMap, tree, node, edit.value, edit.raw);
    } catch (const Refused& refused) {
      std::string text = refused.what();
      if (const std::size_t tail = text.rfind("; nothing was written."); tail != std::string::npos) text.resize(tail);
      RefuseEdit(source, number, text);
    }
  }
}

}  // namespace jov
