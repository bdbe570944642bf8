#include "fields/FieldValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "history/StepLabel.h"
#include "map/FieldText.h"
#include "map/MapFile.h"
#include "map/PlanStage.h"
#include "map/Refused.h"
#include "map/TagBytes.h"
#include "map/ValueText.h"
#include "transfer/TagEntryWriter.h"

namespace jov {

namespace {

constexpr float kDegreesPerRadian = 180.0f / std::numbers::pi_v<float>;

const unsigned char* At(const FieldTree& tree, const FieldNode& node, std::uint32_t plus = 0) {
  return tree.bytes.data() + node.offset + plus;
}

float FloatAt(const FieldTree& tree, const FieldNode& node, std::uint32_t plus) {
  return FloatFromBits(ReadLe32(At(tree, node, plus)));
}

// The unsigned value of an integer, enum or flags field.
std::uint32_t UnsignedAt(const FieldTree& tree, const FieldNode& node) {
  switch (node.size) {
    case 1: return *At(tree, node);
    case 2: return ReadLe16(At(tree, node));
    default: return ReadLe32(At(tree, node));
  }
}

std::int64_t IntegerAt(const FieldTree& tree, const FieldNode& node) {
  const std::uint32_t u = UnsignedAt(tree, node);
  switch (node.type) {
    case FieldType::Int8: return static_cast<std::int8_t>(u);
    case FieldType::Int16: return static_cast<std::int16_t>(u);
    case FieldType::Int32: return static_cast<std::int32_t>(u);
    default: return u;
  }
}

float ToDisplay(float stored, FieldUnit unit) {
  if (unit == FieldUnit::Radians) return stored * kDegreesPerRadian;
  if (unit == FieldUnit::PerTick) return stored * kTicksPerSecond;
  return stored;
}

float ToStored(float shown, FieldUnit unit) {
  if (unit == FieldUnit::Radians) return shown / kDegreesPerRadian;
  if (unit == FieldUnit::PerTick) return shown / kTicksPerSecond;
  return shown;
}

// The shortest text that reads back as the same float.
std::string FloatText(float value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : FloatToText(value);
}

// The shortest text in display units that, typed back, stores the same 32-bit
// value. Degrees and per-second values are a conversion away from what is
// stored: the float product of the conversion carries noise (34.289997 for a
// value typed as 34.29), so the shown value is the one that round-trips, taken
// from the exact product at increasing precision.
std::string ShownFloatText(float stored, FieldUnit unit) {
  if (unit == FieldUnit::None || !std::isfinite(stored)) return FloatText(stored);
  const double factor = unit == FieldUnit::Radians ? static_cast<double>(kDegreesPerRadian) : double{kTicksPerSecond};
  const double shown = static_cast<double>(stored) * factor;
  for (int precision = 1; precision <= 17; ++precision) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, shown, std::chars_format::general, precision);
    if (ec != std::errc()) break;
    const auto typed = ParseNumberField(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
    if (!typed || FloatBits(ToStored(*typed, unit)) != FloatBits(stored)) continue;
    // Written the way the plain float is ("300", not "3e+02"): the shortest
    // text of the decimal found, which has no more digits than found.
    double decimal = 0;
    if (std::from_chars(buffer, end, decimal).ec != std::errc()) continue;
    const auto [shortEnd, shortEc] = std::to_chars(buffer, buffer + sizeof buffer, decimal);
    if (shortEc == std::errc()) return std::string(buffer, shortEnd);
  }
  return FloatText(ToDisplay(stored, unit));
}

int FloatCount(FieldType type) {
  switch (type) {
    case FieldType::Float:
    case FieldType::Angle: return 1;
    case FieldType::Range:
    case FieldType::Point2: return 2;
    case FieldType::Point3: return 3;
    case FieldType::Point4: return 4;
    default: return 0;
  }
}

// Fields of int16 one after another: a range16's two, a rect16's four.
int Int16Count(FieldType type) { return type == FieldType::Range16 ? 2 : type == FieldType::Rect16 ? 4 : 0; }

std::vector<std::string> Int16Texts(const FieldTree& tree, const FieldNode& node) {
  std::vector<std::string> parts;
  for (int i = 0; i < Int16Count(node.type); ++i)
    parts.push_back(std::to_string(static_cast<std::int16_t>(ReadLe16(At(tree, node, 2u * static_cast<std::uint32_t>(i))))));
  return parts;
}

// A color32 is stored as one little-endian word 0xAARRGGBB and shown so, "#AARRGGBB".
std::string Color32Text(std::uint32_t argb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%08X", argb);
  return text;
}

bool IsInteger(FieldType t) { return t == FieldType::Int8 || t == FieldType::Int16 || t == FieldType::Int32 || t == FieldType::UInt32; }
bool IsEnum(FieldType t) { return t == FieldType::Enum8 || t == FieldType::Enum16 || t == FieldType::Enum32; }
bool IsFlags(FieldType t) { return t == FieldType::Flags8 || t == FieldType::Flags16 || t == FieldType::Flags32; }

std::string StringAt(const FieldTree& tree, const FieldNode& node) {
  const auto* p = reinterpret_cast<const char*>(At(tree, node));
  std::size_t n = 0;
  while (n < node.size && p[n] != '\0') ++n;
  return std::string(p, n);
}

std::vector<std::string> BitNames(const FieldNode& node, std::uint32_t bits) {
  std::vector<std::string> names;
  for (int bit = 0; bit < static_cast<int>(node.size * 8); ++bit) {
    if (!(bits >> bit & 1u)) continue;
    const auto it = node.def ? node.def->names.find(bit) : decltype(node.def->names.end()){};
    names.push_back(node.def && it != node.def->names.end() ? it->second : "bit_" + std::to_string(bit));
  }
  return names;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

std::vector<std::string> SplitComma(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    std::string part = text.substr(start, comma - start);
    const auto first = part.find_first_not_of(" \t");
    const auto last = part.find_last_not_of(" \t");
    parts.push_back(first == std::string::npos ? "" : part.substr(first, last - first + 1));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

[[noreturn]] void Refuse(const FieldNode& node, const std::string& why) { throw Refused(node.path + ": " + why + "; nothing was written."); }

void PutUnsigned(std::vector<unsigned char>& bytes, std::size_t at, std::uint64_t value, std::uint32_t size) {
  for (std::uint32_t i = 0; i < size; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::int64_t ParseInteger(const FieldNode& node, const std::string& text, std::int64_t min, std::int64_t max) {
  const auto value = ParseIntegerField(text, min, max);
  if (!value) Refuse(node, "\"" + text + "\" is not an integer from " + std::to_string(min) + " to " + std::to_string(max));
  return *value;
}

float ParseFloat(const FieldNode& node, const std::string& text, bool raw) {
  const auto value = ParseNumberField(text);
  if (!value) Refuse(node, "\"" + text + "\" is not a number");
  const float stored = raw ? *value : ToStored(*value, node.unit);
  if (!std::isfinite(stored) && std::isfinite(*value)) Refuse(node, "\"" + text + "\" is out of a float's range");
  return stored;
}

const TagEntry* FindTagNamed(const CMapFile& map, const std::string& text, int& index) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return nullptr;
  for (int i = 0; i < map.m_nTagCount && i < static_cast<int>(map.m_tags.size()); ++i) {
    const TagEntry& t = map.m_tags[static_cast<std::size_t>(i)];
    if (t.strClass1 == text.substr(0, colon) && t.strName == text.substr(colon + 1)) {
      index = i;
      return &t;
    }
  }
  return nullptr;
}

}  // namespace

std::string TypeText(const FieldNode& node) {
  if (node.entry) return "entry";
  std::string text(FieldTypeName(node.type));
  if (node.type == FieldType::Block && node.def) text += "[0x" + UIntToHex(node.def->entrySize) + "]";
  if (node.type == FieldType::Unknown || node.type == FieldType::String) text += "[" + std::to_string(node.size) + "]";
  if (node.unit == FieldUnit::Radians) text += " (degrees)";
  if (node.unit == FieldUnit::PerTick) text += " (per second)";
  if (node.readOnly) text += " read-only";
  return text;
}

nlohmann::ordered_json FieldJson(const FieldTree& tree, const FieldNode& node) {
  nlohmann::ordered_json j;
  j["path"] = node.path;
  j["type"] = std::string(FieldTypeName(node.type));
  j["offset"] = node.offset;
  if (node.unit == FieldUnit::Radians) j["unit"] = "radians";
  if (node.unit == FieldUnit::PerTick) j["unit"] = "per_tick";
  if (node.readOnly) j["read_only"] = true;
  if (node.hidden) j["hidden"] = true;
  if (node.def && !node.def->tooltip.empty()) j["tooltip"] = node.def->tooltip;
  // A field past the end of the metadata has no bytes to read, whatever its type
  // (a reference's identifier there would be read from beyond the buffer).
  const bool outside = std::uint64_t{node.offset} + node.size > tree.bytes.size();
  if (outside || (!node.error.empty() && node.type != FieldType::Block && node.type != FieldType::TagRef && node.type != FieldType::TagId)) {
    j["value"] = nullptr;
    j["error"] = node.error.empty() ? std::string("past the end of the tag's metadata") : node.error;
    j["display"] = DisplayText(tree, node);
    return j;
  }
  const FieldType t = node.type;
  if (const int n = FloatCount(t); n == 1) {
    j["value"] = FloatAt(tree, node, 0);
  } else if (n > 1) {
    j["value"] = nlohmann::ordered_json::array();
    for (int i = 0; i < n; ++i) j["value"].push_back(FloatAt(tree, node, 4u * static_cast<std::uint32_t>(i)));
  } else if (IsInteger(t)) {
    j["value"] = IntegerAt(tree, node);
  } else if (IsEnum(t)) {
    j["value"] = UnsignedAt(tree, node);
    if (node.def)
      if (const auto it = node.def->names.find(UnsignedAt(tree, node)); it != node.def->names.end()) j["text"] = it->second;
  } else if (IsFlags(t)) {
    j["value"] = UnsignedAt(tree, node);
    j["text"] = BitNames(node, UnsignedAt(tree, node));
  } else if (const int n16 = Int16Count(t); n16 > 0) {
    j["value"] = nlohmann::ordered_json::array();
    for (int i = 0; i < n16; ++i) j["value"].push_back(static_cast<std::int16_t>(ReadLe16(At(tree, node, 2u * static_cast<std::uint32_t>(i)))));
  } else if (t == FieldType::Color32) {
    j["value"] = ReadLe32(At(tree, node));
  } else if (t == FieldType::Comment) {
    j["value"] = nullptr;
  } else if (t == FieldType::String) {
    j["value"] = StringAt(tree, node);
  } else if (t == FieldType::TagRef || t == FieldType::TagId) {
    const std::uint32_t id = ReadLe32(At(tree, node, t == FieldType::TagRef ? 12 : 0));
    j["value"] = node.refTag ? nlohmann::ordered_json(node.refText) : nlohmann::ordered_json(nullptr);
    j["identifier"] = id;
    if (!node.error.empty()) j["error"] = node.error;
  } else if (t == FieldType::Block) {
    j["value"] = node.count;
    j["count"] = node.count;
    if (!node.error.empty()) j["error"] = node.error;
  } else if (t == FieldType::DataRef) {
    j["value"] = ReadLe32(At(tree, node));
    j["file_offset"] = ReadLe32(At(tree, node, 8));
  } else {
    j["value"] = BytesToHex(At(tree, node), node.size);
  }
  j["display"] = DisplayText(tree, node);
  return j;
}

std::string DisplayText(const FieldTree& tree, const FieldNode& node) {
  if (node.entry) return "";
  const FieldType t = node.type;
  if (t == FieldType::Block) {
    if (!node.error.empty()) return "broken: " + node.error;
    return std::to_string(node.count) + (node.count == 1 ? " entry" : " entries");
  }
  if (!node.error.empty() && t != FieldType::TagRef && t != FieldType::TagId) return "(" + node.error + ")";
  if (const int n = FloatCount(t); n > 0) {
    std::vector<std::string> parts;
    for (int i = 0; i < n; ++i) parts.push_back(ShownFloatText(FloatAt(tree, node, 4u * static_cast<std::uint32_t>(i)), node.unit));
    return Joined(parts, ", ");
  }
  if (IsInteger(t)) return std::to_string(IntegerAt(tree, node));
  if (IsEnum(t)) {
    const std::uint32_t v = UnsignedAt(tree, node);
    if (node.def)
      if (const auto it = node.def->names.find(v); it != node.def->names.end()) return it->second;
    return std::to_string(v);
  }
  if (IsFlags(t)) {
    const auto names = BitNames(node, UnsignedAt(tree, node));
    return names.empty() ? "none" : Joined(names, ", ");
  }
  if (Int16Count(t) > 0) return Joined(Int16Texts(tree, node), ", ");
  if (t == FieldType::Color32) return Color32Text(ReadLe32(At(tree, node)));
  if (t == FieldType::Comment) return "";
  if (t == FieldType::String) return StringAt(tree, node);
  if (t == FieldType::TagRef || t == FieldType::TagId) {
    if (node.refTag) return node.refText;
    return node.error.empty() ? "none" : "(" + node.error + ")";
  }
  if (t == FieldType::DataRef) return std::to_string(ReadLe32(At(tree, node))) + " bytes at 0x" + UIntToHex(ReadLe32(At(tree, node, 8)));
  return BytesToHex(At(tree, node), node.size);
}

const FieldNode& FieldAt(const FieldTree& tree, const std::string& path) {
  if (const int i = tree.Find(path); i >= 0) return tree.nodes[static_cast<std::size_t>(i)];
  // Say why the path names nothing: the first block on the way that is broken
  // or has fewer entries.
  for (std::size_t open = path.find('['); open != std::string::npos; open = path.find('[', open + 1)) {
    const int b = tree.Find(path.substr(0, open));
    const std::size_t close = path.find(']', open);
    if (b < 0 || close == std::string::npos) break;
    const FieldNode& block = tree.nodes[static_cast<std::size_t>(b)];
    if (block.type != FieldType::Block) break;
    if (!block.error.empty()) throw Refused(block.path + " is a broken block (" + block.error + "); nothing was written.");
    const auto index = ParseIntegerField(path.substr(open + 1, close - open - 1), 0, 0x7FFFFFFF);
    if (index && *index >= block.count)
      throw Refused(path + ": " + block.path + " has " + std::to_string(block.count) + " entries, no [" +
                    std::to_string(*index) + "]; nothing was written.");
  }
  throw Refused(tree.tagText + " has no field " + path + "; nothing was written.");
}

std::vector<unsigned char> EncodeFieldValue(const CMapFile& map, const FieldTree& tree, const FieldNode& node,
                                            const std::string& value, bool raw) {
  if (node.readOnly) Refuse(node, "the field is computed when the map is built (read-only)");
  if (!node.error.empty() && node.type != FieldType::TagRef && node.type != FieldType::TagId) Refuse(node, node.error);
  std::vector<unsigned char> bytes(At(tree, node), At(tree, node) + node.size);
  const FieldType t = node.type;
  if (const int n = FloatCount(t); n > 0) {
    const auto parts = SplitComma(value);
    if (static_cast<int>(parts.size()) != n) Refuse(node, "give " + std::to_string(n) + (n == 1 ? " number" : " numbers, comma-separated"));
    for (int i = 0; i < n; ++i) PutUnsigned(bytes, 4u * static_cast<std::size_t>(i), FloatBits(ParseFloat(node, parts[static_cast<std::size_t>(i)], raw)), 4);
    return bytes;
  }
  // Integers, enums and flags take 1 to 4 bytes; wider fields have no integer range.
  const std::int64_t bitsMax = node.size <= 4 ? (std::int64_t{1} << (8 * node.size)) - 1 : 0;
  if (IsInteger(t)) {
    const std::int64_t half = std::int64_t{1} << (8 * node.size - 1);
    const bool isSigned = t != FieldType::UInt32;
    PutUnsigned(bytes, 0, static_cast<std::uint64_t>(ParseInteger(node, value, isSigned ? -half : 0, isSigned ? half - 1 : bitsMax)), node.size);
    return bytes;
  }
  if (IsEnum(t)) {
    if (node.def)
      for (const auto& [number, name] : node.def->names)
        if (name == IdFromName(value)) {
          PutUnsigned(bytes, 0, static_cast<std::uint64_t>(number), node.size);
          return bytes;
        }
    if (!ParseIntegerField(value, 0, bitsMax)) {
      std::vector<std::string> names;
      if (node.def)
        for (const auto& [number, name] : node.def->names) names.push_back(name);
      Refuse(node, "\"" + value + "\" is neither an option (" + (names.empty() ? "none named" : Joined(names, ", ")) +
                       ") nor a number from 0 to " + std::to_string(bitsMax));
    }
    PutUnsigned(bytes, 0, static_cast<std::uint64_t>(*ParseIntegerField(value, 0, bitsMax)), node.size);
    return bytes;
  }
  if (IsFlags(t)) {
    if (const auto number = ParseIntegerField(value, 0, bitsMax)) {
      PutUnsigned(bytes, 0, static_cast<std::uint64_t>(*number), node.size);
      return bytes;
    }
    std::uint64_t bits = 0;
    for (const std::string& part : SplitComma(value)) {
      if (part.empty() || part == "none") continue;
      bool found = false;
      for (int bit = 0; bit < static_cast<int>(node.size * 8) && !found; ++bit)
        if (BitNames(node, 1u << bit).front() == IdFromName(part)) {
          bits |= std::uint64_t{1} << bit;
          found = true;
        }
      if (!found) {
        std::vector<std::string> valid;
        if (node.def)
          for (const auto& [bit, name] : node.def->names) valid.push_back(name);
        Refuse(node, "\"" + part + "\" names no bit of the field (" +
                         (valid.empty() ? std::string("no bit is named; give bit_N or a number") : "valid: " + Joined(valid, ", ")) + ")");
      }
    }
    PutUnsigned(bytes, 0, bits, node.size);
    return bytes;
  }
  if (const int n16 = Int16Count(t); n16 > 0) {
    const auto parts = SplitComma(value);
    if (static_cast<int>(parts.size()) != n16) Refuse(node, "give " + std::to_string(n16) + " integers, comma-separated");
    for (std::size_t i = 0; i < parts.size(); ++i)
      PutUnsigned(bytes, 2 * i, static_cast<std::uint64_t>(ParseInteger(node, parts[i], -32768, 32767)), 2);
    return bytes;
  }
  if (t == FieldType::Color32) {
    std::string digits = value;
    if (!digits.empty() && digits.front() == '#') digits.erase(0, 1);
    else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    if (digits.size() != 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      Refuse(node, "\"" + value + "\" is not a colour: give #AARRGGBB (alpha, red, green, blue as 8 hex digits)");
    PutUnsigned(bytes, 0, HexToUInt(digits), 4);
    return bytes;
  }
  if (t == FieldType::Comment) Refuse(node, "a section title has no value");
  if (t == FieldType::String) {
    if (value.size() >= node.size) Refuse(node, "the text is longer than " + std::to_string(node.size - 1) + " bytes");
    for (const char c : value)
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) Refuse(node, "the text is not plain ASCII");
    std::fill(bytes.begin(), bytes.end(), 0);
    std::copy(value.begin(), value.end(), bytes.begin());
    return bytes;
  }
  if (t == FieldType::TagRef || t == FieldType::TagId) {
    const std::size_t idAt = t == FieldType::TagRef ? 12 : 0;
    if (value == "none") {
      PutUnsigned(bytes, idAt, 0xFFFFFFFF, 4);
      return bytes;
    }
    int index = -1;
    const TagEntry* target = FindTagNamed(map, value, index);
    if (!target) Refuse(node, "\"" + value + "\" is no tag of the map (give CLASS:NAME or none)");
    if (!raw && node.def && !node.def->classes.empty() &&
        std::find(node.def->classes.begin(), node.def->classes.end(), target->strClass1) == node.def->classes.end())
      Refuse(node, "a reference here names a tag of class " + Joined(node.def->classes, ", ") + ", not " + target->strClass1 +
                       " (--raw writes it all the same)");
    if (t == FieldType::TagRef) {
      const std::string code = StoredClassCode(target->strClass1);
      std::copy(code.begin(), code.end(), bytes.begin());
      PutUnsigned(bytes, 4, HexToUInt(target->strNameOffset) + map.Magic(), 4);
    }
    PutUnsigned(bytes, idAt, HexToUInt(target->strIdentifier), 4);
    return bytes;
  }
  if (t == FieldType::Block) Refuse(node, "a block is not set as a value; set its entries' fields");
  if (t == FieldType::DataRef) Refuse(node, "a data reference is not set here");
  // Unknown bytes: exactly their number of bytes as hex digits.
  std::string digits;
  for (const char c : value)
    if (c != ' ') digits += c;
  if (digits.size() != 2 * node.size || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    Refuse(node, "give " + std::to_string(node.size) + " bytes as hex digits");
  HexToBytes(digits, bytes.data());
  return bytes;
}

EditPlan PlanFieldSet(CMapFile& map, const FieldTree& tree, const std::string& path, const std::string& value, bool raw) {
  const FieldNode& node = FieldAt(tree, path);
  if (node.entry) throw Refused(path + " is a block entry, not a field; nothing was written.");
  RefuseWriteOutsideMap(map, tree.tag);
  const std::vector<unsigned char> bytes = EncodeFieldValue(map, tree, node, value, raw);
  const std::uint64_t at = std::uint64_t{tree.metaOffset} + node.offset;
  // The history says what changed: "Set PATH of CLASS:NAME: OLD -> NEW", the
  // new value as it will show (the field alone, read from the new bytes).
  std::string newText = value;
  if (node.type != FieldType::TagRef && node.type != FieldType::TagId) {
    FieldTree alone;
    alone.bytes = bytes;
    FieldNode moved = node;
    moved.offset = 0;
    newText = DisplayText(alone, moved);
  }
  const std::string label = StepLabel("Set " + path + " of", map, tree.tag) + ": " + DisplayText(tree, node) + " -> " + newText;
  EditPlan plan = PlanOf(map, label, [&] { map.File().Write(at, bytes.data(), bytes.size()); });
  plan.expects.push_back({at, std::vector<unsigned char>(At(tree, node), At(tree, node) + node.size), path + " of " + tree.tagText, {}, 0});
  return plan;
}

EditPlan PlanMetadataBytes(CMapFile& map, const FieldTree& tree, std::uint32_t offset, const std::vector<unsigned char>& bytes) {
  RefuseWriteOutsideMap(map, tree.tag);
  if (bytes.empty() || std::uint64_t{offset} + bytes.size() > tree.bytes.size())
    throw Refused(std::to_string(bytes.size()) + " bytes at " + HexOffsetText(offset) + " do not lie in the metadata of " +
                  tree.tagText + " (" + HexOffsetText(tree.bytes.size()) + " bytes); nothing was written.");
  const unsigned char* old = tree.bytes.data() + offset;
  const int node = tree.NodeAt(offset);
  const std::string where = node < 0 ? "" : " (" + tree.nodes[static_cast<std::size_t>(node)].path + ")";
  const std::string label = StepLabel("Set bytes 0x" + UIntToHex(offset) + where + " of", map, tree.tag) + ": " +
                            BytesToHex(old, static_cast<long>(bytes.size())) + " -> " +
                            BytesToHex(bytes.data(), static_cast<long>(bytes.size()));
  const std::uint64_t at = std::uint64_t{tree.metaOffset} + offset;
  EditPlan plan = PlanOf(map, label, [&] { map.File().Write(at, bytes.data(), bytes.size()); });
  plan.expects.push_back({at, std::vector<unsigned char>(old, old + bytes.size()),
                          "metadata bytes " + HexOffsetText(offset) + " of " + tree.tagText, {}, 0});
  return plan;
}

}  // namespace jov
