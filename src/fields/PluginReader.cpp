#include "fields/PluginReader.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <unordered_map>

#include <pugixml.hpp>

#include "map/ValueText.h"

namespace jov {

namespace {

struct BadPlugin : std::runtime_error {
  BadPlugin(const std::string& text, std::ptrdiff_t at) : std::runtime_error(text), offset(at) {}
  std::ptrdiff_t offset;
};

std::uint32_t Number(const pugi::xml_node& node, const char* attribute, bool required, std::uint32_t fallback = 0) {
  const pugi::xml_attribute a = node.attribute(attribute);
  if (!a) {
    if (required) throw BadPlugin(std::string("<") + node.name() + "> has no " + attribute, node.offset_debug());
    return fallback;
  }
  const std::string text = a.value();
  std::size_t used = 0;
  unsigned long long n = 0;
  try {
    n = std::stoull(text, &used, 0);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || n > 0xFFFFFFFFull)
    throw BadPlugin(std::string("<") + node.name() + "> " + attribute + "=\"" + text + "\" is not a number",
                    node.offset_debug());
  return static_cast<std::uint32_t>(n);
}

// Each element kind as the nearest field type: a degree2 is two angles, a
// ranged a pair of them (a trigger's error angle), a point16 two int16 as a
// range16 is, a plane2 three floats (i, j, d), a plane3 four, a datum (an
// index and a salt of 16 bits each) one uint32; a comment is a section title
// with no bytes.
std::optional<FieldType> PluginType(std::string_view element, const pugi::xml_node& node) {
  static const std::unordered_map<std::string_view, FieldType> kTypes = {
      {"float32", FieldType::Float},   {"degree", FieldType::Angle},    {"int8", FieldType::Int8},
      {"int16", FieldType::Int16},     {"int32", FieldType::Int32},     {"uint32", FieldType::UInt32},
      {"enum8", FieldType::Enum8},     {"enum16", FieldType::Enum16},   {"enum32", FieldType::Enum32},
      {"flags8", FieldType::Flags8},   {"flags16", FieldType::Flags16}, {"flags32", FieldType::Flags32},
      {"ascii", FieldType::String},    {"rangef", FieldType::Range},    {"range16", FieldType::Range16},
      {"point3", FieldType::Point3},   {"vector3", FieldType::Point3},  {"colorf", FieldType::Point3},
      {"tagRef", FieldType::TagRef},   {"dataref", FieldType::DataRef}, {"undefined", FieldType::Unknown},
      {"tagblock", FieldType::Block},
      {"tagref", FieldType::TagRef},   {"comment", FieldType::Comment}, {"color32", FieldType::Color32},
      {"point2", FieldType::Point2},   {"vector2", FieldType::Point2},  {"degree2", FieldType::Point2},
      {"point16", FieldType::Range16}, {"ranged", FieldType::Range},    {"degree3", FieldType::Point3},
      {"plane2", FieldType::Point3},   {"vector4", FieldType::Point4},  {"plane3", FieldType::Point4},
      {"rect16", FieldType::Rect16},   {"datum", FieldType::UInt32},
  };
  const auto it = kTypes.find(element);
  if (it == kTypes.end()) return std::nullopt;
  if (it->second == FieldType::TagRef && std::string_view(node.attribute("withGroup").value()) == "false")
    return FieldType::TagId;
  // A colour with alpha="true" is four floats, alpha first (ARGB).
  if (element == "colorf" && std::string_view(node.attribute("alpha").value()) == "true") return FieldType::Point4;
  return it->second;
}

bool InDegrees(std::string_view element) {
  return element == "degree" || element == "degree2" || element == "degree3" || element == "ranged";
}

// The id a name gives, cut to the length definition files allow (plugin names
// are sometimes whole sentences).
std::string IdOf(const pugi::xml_node& node) {
  std::string id = IdFromName(node.attribute("name").value());
  if (id.size() > kMaxDefinitionText) id.resize(kMaxDefinitionText);
  return id;
}

// pugixml parses without recursion; this walk recurses once per tagblock
// level, so the levels are bounded (and the fields, as in definition files).
struct Counts {
  std::size_t fields = 0;
  std::size_t names = 0;
  const std::vector<std::ptrdiff_t>* lineStarts = nullptr;  // for FieldDef::line
};

// The 1-based line of a place in the text, by the lines' starts.
std::uint32_t LineAt(const std::vector<std::ptrdiff_t>& starts, std::ptrdiff_t offset) {
  return static_cast<std::uint32_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
}

// Plugins name thousands of fields "Unknown" (or nothing): such a field's id
// is made from its offset and begins with an underscore, which no name gives
// (IdFromName), so it never takes the id of a named field ("unknown_58" from
// "Unknown 58") nor that id another unnamed field's repeats would reach.
bool Unnamed(const pugi::xml_node& node) {
  const std::string id = IdFromName(node.attribute("name").value());
  return id == "unknown" || id == "field";
}

// A comment has no offset: it titles the fields after it, so it takes the
// offset of the next field (or the end of those before it, last in a struct).
std::uint32_t CommentOffset(const pugi::xml_node& node, std::uint32_t end) {
  for (pugi::xml_node next = node.next_sibling(); next; next = next.next_sibling())
    if (next.type() == pugi::node_element && next.attribute("offset")) return Number(next, "offset", true);
  return end;
}

void ReadStruct(const pugi::xml_node& parent, std::vector<FieldDef>& out, int level, Counts& counts) {
  std::unordered_map<std::string, int> seen;
  std::uint32_t end = 0;  // of the fields read so far
  for (const pugi::xml_node& node : parent.children()) {
    if (node.type() != pugi::node_element) continue;
    const auto type = PluginType(node.name(), node);
    if (!type) continue;  // comments, revisions, kinds not known
    if (++counts.fields > kMaxClassFields)
      throw BadPlugin("more than " + std::to_string(kMaxClassFields) + " fields", node.offset_debug());
    if (level == kMaxFieldNesting)
      throw BadPlugin("a field inside more than " + std::to_string(kMaxFieldNesting) + " levels of tagblocks", node.offset_debug());
    FieldDef f;
    f.type = *type;
    if (counts.lineStarts) f.line = LineAt(*counts.lineStarts, node.offset_debug());
    f.tooltip = node.attribute("tooltip").value();
    if (f.type == FieldType::Comment) {
      // Titles are not names: "_" keeps them off the ids of the fields they title.
      std::string title = node.attribute("title").value();
      f.title = title.substr(0, kMaxDefinitionText - 1);
      title = title.empty() ? std::string("section") : IdFromName(title);
      if (title.size() >= kMaxDefinitionText) title.resize(kMaxDefinitionText - 1);
      f.id = "_" + title;
      f.offset = CommentOffset(node, end);
      f.tooltip = node.child_value();
    } else {
      f.offset = Number(node, "offset", true);
      f.id = Unnamed(node) ? "_unknown_" + UIntToHex(f.offset) : IdOf(node);
    }
    if (const int n = ++seen[f.id]; n > 1) f.id += "_" + std::to_string(n);
    // A text's length is given as length= or as size=.
    const char* length = node.attribute("length") ? "length" : "size";
    f.size = f.type == FieldType::String ? Number(node, length, false, 32) : FieldTypeSize(f.type);
    end = static_cast<std::uint32_t>(std::max<std::uint64_t>(end, std::min<std::uint64_t>(0xFFFFFFFFu, std::uint64_t{f.offset} + f.size)));
    if (InDegrees(node.name())) f.unit = FieldUnit::Radians;
    f.hidden = std::string_view(node.attribute("visible").value()) == "false";
    if (f.type == FieldType::Enum8 || f.type == FieldType::Enum16 || f.type == FieldType::Enum32) {
      for (const pugi::xml_node& option : node.children("option"))
        f.names[Number(option, "value", true)] = IdOf(option);
    } else if (f.type == FieldType::Flags8 || f.type == FieldType::Flags16 || f.type == FieldType::Flags32) {
      for (const pugi::xml_node& bit : node.children("bit"))
        f.names[Number(bit, "index", true)] = IdOf(bit);
    } else if (f.type == FieldType::Block) {
      f.entrySize = Number(node, "elementSize", true);
      ReadStruct(node, f.entry, level + 1, counts);
    }
    counts.names += f.names.size();
    if (counts.names > kMaxClassNames)
      throw BadPlugin("more than " + std::to_string(kMaxClassNames) + " option and bit names", node.offset_debug());
    out.push_back(std::move(f));
  }
  std::stable_sort(out.begin(), out.end(), [](const FieldDef& a, const FieldDef& b) { return a.offset < b.offset; });
}

std::string LineOf(const std::string& text, std::ptrdiff_t offset) {
  const auto end = text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(text.size()));
  return std::to_string(1 + std::count(text.begin(), end, '\n'));
}

}  // namespace

PluginResult ReadPlugin(const std::string& text, const std::string& source, const std::string& cls) {
  PluginResult result;
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
  if (!parsed) {
    result.error = source + ":" + LineOf(text, parsed.offset) + ": not XML (" + parsed.description() + ")";
    return result;
  }
  const pugi::xml_node root = doc.child("plugin");
  if (!root) {
    result.error = source + ":1: no <plugin> element";
    return result;
  }
  // Plugins of other games share the format but not the layouts: one applied
  // to Halo 1 tags would show (and write) fields at the wrong bytes.
  if (const pugi::xml_attribute game = root.attribute("game"); game) {
    std::string key;
    for (const char c : std::string_view(game.value()))
      if (std::isalnum(static_cast<unsigned char>(c))) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key != "halo1") {
      result.error = source + ":" + LineOf(text, root.offset_debug()) + ": a plugin for the game \"" + game.value() +
                     "\", not Halo 1";
      return result;
    }
  }
  try {
    result.def.cls = cls;
    result.def.name = cls;
    result.def.source = source;
    result.def.size = Number(root, "baseSize", true);
    std::vector<std::ptrdiff_t> lineStarts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') lineStarts.push_back(static_cast<std::ptrdiff_t>(i + 1));
    Counts counts;
    counts.lineStarts = &lineStarts;
    ReadStruct(root, result.def.fields, 0, counts);
  } catch (const BadPlugin& e) {
    result.error = source + ":" + LineOf(text, e.offset) + ": " + e.what();
  }
  return result;
}

}  // namespace jov
