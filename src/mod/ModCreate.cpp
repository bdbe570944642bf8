#include "mod/ModCreate.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "compare/CompareMaps.h"
#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/TagBytes.h"
#include "map/ValueText.h"

namespace jov {

namespace {

bool IsReference(FieldType t) { return t == FieldType::TagRef || t == FieldType::TagId; }
bool HasFloats(FieldType t) {
  return t == FieldType::Float || t == FieldType::Angle || t == FieldType::Range || t == FieldType::Point2 || t == FieldType::Point3 ||
         t == FieldType::Point4;
}
bool IsNumbered(FieldType t) {
  return t == FieldType::Enum8 || t == FieldType::Enum16 || t == FieldType::Enum32 || t == FieldType::Flags8 ||
         t == FieldType::Flags16 || t == FieldType::Flags32;
}

bool Holds(const FieldTree& tree, const FieldNode& node) {
  return std::uint64_t{node.offset} + node.size <= tree.bytes.size();
}

std::vector<unsigned char> BytesOf(const FieldTree& tree, const FieldNode& node) {
  return {tree.bytes.begin() + node.offset, tree.bytes.begin() + node.offset + node.size};
}

std::string ReferenceText(const FieldNode& node) { return node.refTag ? node.refText : "none"; }

// The field's stored floats, each the shortest text that reads back as it.
std::string StoredFloatsText(const FieldTree& tree, const FieldNode& node) {
  std::string text;
  for (std::uint32_t at = 0; at + 4 <= node.size; at += 4) {
    char buffer[32];
    const float value = FloatFromBits(ReadLe32(tree.bytes.data() + node.offset + at));
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    text += (text.empty() ? "" : ", ") + (ec == std::errc() ? std::string(buffer, end) : FloatToText(value));
  }
  return text;
}

// A text `set` turns back into exactly the bytes the field holds, or empty:
// the shown text first, then (enums, flags) the number, or in stored units.
std::optional<std::string> ExactText(const CMapFile& map, const FieldTree& tree, const FieldNode& node, bool raw) {
  const auto gives = [&](const std::string& text) {
    try {
      return EncodeFieldValue(map, tree, node, text, raw) == BytesOf(tree, node);
    } catch (const Refused&) {
      return false;
    }
  };
  std::string text = raw && HasFloats(node.type) ? StoredFloatsText(tree, node) : DisplayText(tree, node);
  if (gives(text)) return text;
  if (IsNumbered(node.type)) {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < node.size && i < 4; ++i) value |= std::uint32_t{tree.bytes[node.offset + i]} << (8 * i);
    if (gives(std::to_string(value))) return std::to_string(value);
  }
  return std::nullopt;
}

bool ClassAllowed(const FieldNode& node, const CMapFile& map) {
  if (!node.refTag || !node.def || node.def->classes.empty()) return true;
  const std::string& cls = map.m_tags[static_cast<std::size_t>(*node.refTag)].strClass1;
  return std::find(node.def->classes.begin(), node.def->classes.end(), cls) != node.def->classes.end();
}

std::string Plural(std::uint64_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

FieldComparison CompareFields(CMapFile& first, CMapFile& second, const DefinitionSet& definitions) {
  FieldComparison out;
  const MapComparison comparison = CompareMaps(first, second);
  for (const TagDifference& d : comparison.tags) {
    const std::string text = d.class1 + ":" + d.name;
    if (d.state != TagState::Changed) {
      out.leftOut.push_back(text + ": " + StateText(d.state) + " (a mod edits the fields of tags both maps hold)");
      continue;
    }
    if (!d.secondName.empty()) {
      out.leftOut.push_back(text + ": renamed to " + d.secondName + " (a mod does not rename tags)");
      continue;
    }
    for (const FieldChange& change : d.record) out.leftOut.push_back(text + ": its index record's " + change.field + " differs");
    if (d.ranges.empty()) continue;
    const std::uint64_t changed = d.ChangedBytes();
    if (d.occurrence > 0) {
      out.leftOutBytes += changed;
      out.leftOut.push_back(text + " (tag " + std::to_string(d.first) + ", not the first of that class and path): " +
                            Plural(changed, "byte differs", "bytes differ") + "; an edit names the first");
      continue;
    }
    const std::string where = !WhereTagLives(first, d.first).empty() ? WhereTagLives(first, d.first) : WhereTagLives(second, d.second);
    if (first.m_tags[static_cast<std::size_t>(d.first)].eHome == TagHome::Resource ||
        second.m_tags[static_cast<std::size_t>(d.second)].eHome == TagHome::Resource) {
      out.leftOutBytes += changed;
      out.leftOut.push_back(text + ": kept " + where + "; JOV does not write resource maps");
      continue;
    }
    const ClassDef* def = definitions.Find(d.class1);
    if (!def) {
      ++out.leftOutTags;
      out.leftOutBytes += changed;
      out.leftOut.push_back(text + ": no definition for class " + d.class1 + " (" + Plural(changed, "byte differs", "bytes differ") + ")");
      continue;
    }
    const FieldTree a = BuildFieldTree(first, d.first, def);
    const FieldTree b = BuildFieldTree(second, d.second, def);
    std::unordered_map<std::string_view, int> inFirst;
    for (std::size_t i = 0; i < a.nodes.size(); ++i)
      if (!a.nodes[i].entry) inFirst.emplace(a.nodes[i].path, static_cast<int>(i));
    // The bytes of the second map's tag that a carried field (or a reference
    // naming the same tag) accounts for.
    std::vector<unsigned char> covered(b.bytes.size(), 0);
    const auto cover = [&](const FieldNode& node) {
      std::fill_n(covered.begin() + node.offset, std::min<std::size_t>(node.size, covered.size() - node.offset), 1);
    };
    for (const FieldNode& nb : b.nodes) {
      if (nb.entry || !nb.def || !Holds(b, nb)) continue;
      const auto found = inFirst.find(nb.path);
      if (found == inFirst.end()) continue;
      const FieldNode& na = a.nodes[static_cast<std::size_t>(found->second)];
      if (!Holds(a, na)) continue;
      if (nb.type == FieldType::Block) {
        if (na.count != nb.count)
          out.leftOut.push_back(text + ": " + nb.path + " has " + Plural(static_cast<std::uint64_t>(std::max(0, na.count)), "entry", "entries") +
                                " in the first map, " + std::to_string(nb.count) + " in the second (a mod does not add or remove entries)");
        continue;
      }
      if (nb.type == FieldType::DataRef) continue;
      FieldDifference difference{text, nb.path, "", "", false};
      if (IsReference(nb.type)) {
        if (!na.error.empty() || !nb.error.empty()) continue;  // names no tag: no text says what it holds
        difference.first = ReferenceText(na);
        difference.second = ReferenceText(nb);
        if (difference.first == difference.second) {
          cover(nb);
          continue;
        }
        difference.raw = !ClassAllowed(nb, second);
      } else {
        if (!na.error.empty() || !nb.error.empty() || BytesOf(a, na) == BytesOf(b, nb)) continue;
        auto before = ExactText(first, a, na, false);
        auto after = ExactText(second, b, nb, false);
        if ((!before || !after) && HasFloats(nb.type) && nb.unit != FieldUnit::None) {
          before = ExactText(first, a, na, true);
          after = ExactText(second, b, nb, true);
          difference.raw = true;
        }
        if (!before || !after) {
          out.leftOut.push_back(text + ": " + nb.path + " holds bytes no value text gives back (" +
                                BytesToHex(b.bytes.data() + nb.offset, nb.size) + ")");
          continue;
        }
        difference.first = *before;
        difference.second = *after;
      }
      cover(nb);
      out.fields.push_back(std::move(difference));
    }
    std::uint64_t uncovered = 0;
    std::string firstAt;
    for (const ByteRange& range : d.ranges)
      for (std::size_t i = 0; i < range.after.size(); ++i) {
        const std::size_t at = std::size_t{range.offset} + i;
        if (at < covered.size() && covered[at]) continue;
        if (uncovered++ == 0) firstAt = "0x" + UIntToHex(static_cast<std::uint32_t>(at));
      }
    if (uncovered > 0) {
      out.leftOutBytes += uncovered;
      out.leftOut.push_back(text + ": " + Plural(uncovered, "differing byte", "differing bytes") +
                            " no defined field holds (the first at +" + firstAt + ")");
    }
  }
  return out;
}

Mod ModFromComparison(const FieldComparison& comparison, const std::string& title, const std::string& author) {
  Mod mod;
  mod.title = title;
  mod.author = author;
  mod.edits.reserve(comparison.fields.size());
  for (const FieldDifference& d : comparison.fields) mod.edits.push_back({d.tag, d.field, d.second, d.first, d.raw});
  return mod;
}

std::string FieldDifferenceLine(const FieldDifference& d) {
  return d.tag + '\t' + d.field + '\t' + d.first + '\t' + d.second + (d.raw ? "\t(stored units)" : "");
}

}  // namespace jov
