#include "fields/FieldTree.h"

#include <algorithm>
#include <unordered_map>

#include "map/MapFile.h"
#include "map/Refused.h"
#include "map/TagBytes.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"

namespace jov {

namespace {

std::string Hex(std::uint32_t value) { return "0x" + UIntToHex(value); }

class TreeBuilder {
 public:
  TreeBuilder(CMapFile& map, FieldTree& tree) : m_map(map), m_tree(tree) {
    for (int i = 0; i < map.m_nTagCount && i < static_cast<int>(map.m_tags.size()); ++i)
      m_byIdentifier.emplace(HexToUInt(map.m_tags[static_cast<std::size_t>(i)].strIdentifier), i);
  }

  void Struct(const std::vector<FieldDef>& fields, std::uint32_t base, std::uint32_t size, const std::string& prefix,
              int depth, int parent) {
    std::uint32_t cursor = 0;
    for (const FieldDef& f : fields) {
      if (Full()) return;
      if (f.offset > cursor) Gap(base, cursor, f.offset - cursor, prefix, depth, parent);
      Field(f, base, prefix, depth, parent);
      cursor = std::max(cursor, f.offset + f.size);
    }
    if (size > cursor && !Full()) Gap(base, cursor, size - cursor, prefix, depth, parent);
  }

  // What the scanner sees in a tag no definition covers: references (class
  // code, name pointer, length, identifier) and blocks (count, pointer) at
  // their byte offsets; block entries cannot be followed without a size.
  void Scanned() {
    ScanOptions options;
    options.bLoneIDs = false;
    const ScanResult scan = ScanMetadata(m_map, m_tree.tag, options);
    std::vector<const ScanItem*> hits;
    for (const ScanItem& item : scan.items)
      if (item.nPos % 2 == 0) hits.push_back(&item);
    std::sort(hits.begin(), hits.end(), [](const ScanItem* a, const ScanItem* b) { return a->nPos < b->nPos; });
    std::uint32_t cursor = 0;
    const auto size = static_cast<std::uint32_t>(m_tree.bytes.size());
    for (const ScanItem* item : hits) {
      const bool block = item->chKind == kKindReflexive;
      const std::uint32_t at = static_cast<std::uint32_t>(item->nPos / 2) - (block ? 4u : 0u);
      if (block && item->nPos / 2 < 4) continue;
      if (at < cursor || std::uint64_t{at} + (block ? 12 : 16) > size) continue;
      if (at > cursor) Gap(0, cursor, at - cursor, "", 0, -1);
      FieldNode& node = Add("", (block ? "block_" : "reference_") + UIntToHex(at), block ? FieldType::Block : FieldType::TagRef,
                            at, block ? 12 : 16, 0, -1);
      if (block) {
        node.count = static_cast<std::int32_t>(Le32(at));
        node.entriesAt = static_cast<std::uint32_t>(item->nTargetOffset);
      } else {
        Reference(node, Le32(at + 12));
      }
      cursor = at + node.size;
    }
    if (size > cursor) Gap(0, cursor, size - cursor, "", 0, -1);
  }

 private:
  bool Full() {
    if (m_tree.nodes.size() < kMaxFieldNodes && m_pathText < kMaxFieldPathText) return false;
    if (!m_cut)
      m_tree.messages.push_back(m_tree.nodes.size() >= kMaxFieldNodes
                                    ? "The tag has more than " + std::to_string(kMaxFieldNodes) + " fields; the rest are not listed."
                                    : "The tag's field paths take more than " + std::to_string(kMaxFieldPathText >> 20) +
                                          " MiB; the rest are not listed.");
    m_cut = true;
    return true;
  }

  std::uint32_t Le32(std::uint32_t at) const { return ReadLe32(m_tree.bytes.data() + at); }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(m_tree.bytes.size()); }

  FieldNode& Add(const std::string& prefix, const std::string& name, FieldType type, std::uint32_t offset,
                 std::uint32_t size, int depth, int parent) {
    FieldNode& node = m_tree.nodes.emplace_back();
    node.path = prefix + name;
    node.name = name;
    m_pathText += node.path.size() + node.name.size();
    node.type = type;
    node.offset = offset;
    node.size = size;
    node.depth = depth;
    node.parent = parent;
    if (std::uint64_t{offset} + size > Size())
      node.error = "past the end of the tag's metadata (" + Hex(Size()) + " bytes)";
    return node;
  }

  void Gap(std::uint32_t base, std::uint32_t from, std::uint32_t length, const std::string& prefix, int depth, int parent) {
    FieldNode& node = Add(prefix, "unknown_" + UIntToHex(from), FieldType::Unknown, base + from, length, depth, parent);
    node.hidden = true;
  }

  void Reference(FieldNode& node, std::uint32_t identifier) {
    if (identifier == 0xFFFFFFFF) return;
    const auto it = m_byIdentifier.find(identifier);
    if (it == m_byIdentifier.end()) {
      node.error = "no tag has the identifier " + Hex(identifier);
      return;
    }
    node.refTag = it->second;
    const TagEntry& tag = m_map.m_tags[static_cast<std::size_t>(it->second)];
    node.refText = tag.strClass1 + ":" + tag.strName;
  }

  void Field(const FieldDef& f, std::uint32_t base, const std::string& prefix, int depth, int parent) {
    const int index = static_cast<int>(m_tree.nodes.size());
    FieldNode& node = Add(prefix, f.id, f.type, base + f.offset, f.size, depth, parent);
    node.def = &f;
    node.unit = f.unit;
    node.readOnly = f.readOnly;
    node.hidden = f.hidden;
    if (!node.error.empty()) return;
    if (f.type == FieldType::TagRef) Reference(node, Le32(node.offset + 12));
    if (f.type == FieldType::TagId) Reference(node, Le32(node.offset));
    if (f.type == FieldType::Block) Block(index, f, depth);
  }

  // A block's entries, followed only when they lie whole inside the tag's
  // metadata and away from the block's own reflexive.
  void Block(int index, const FieldDef& f, int depth) {
    FieldNode* node = &m_tree.nodes[static_cast<std::size_t>(index)];
    const auto count = static_cast<std::int32_t>(Le32(node->offset));
    const std::uint32_t pointer = Le32(node->offset + 4);
    node->count = count;
    if (count == 0) return;
    if (count < 0 || count > kMaxBlockCount) {
      node->error = "count " + std::to_string(count) + " is outside 0 to 65,535";
      return;
    }
    const std::uint32_t at = pointer - m_tree.base;  // wraps below the tag
    node->entriesAt = at;
    const std::uint64_t length = std::uint64_t(count) * f.entrySize;
    if (at >= Size()) {
      node->error = "pointer 0x" + UIntToHex(pointer) + " leaves the tag's metadata";
      return;
    }
    if (at + length > Size()) {
      node->error = std::to_string(count) + " entries of " + Hex(f.entrySize) + " bytes from " + Hex(at) +
                    " run past the end of the tag's metadata (" + Hex(Size()) + " bytes)";
      return;
    }
    if (length > 0 && at < node->offset + 12 && node->offset < at + length) {
      node->error = "the entries at " + Hex(at) + " would hold the block itself";
      return;
    }
    const std::string path = node->path;
    for (std::int32_t i = 0; i < count && !Full(); ++i) {
      const std::string name = "[" + std::to_string(i) + "]";
      const std::uint32_t entryAt = at + static_cast<std::uint32_t>(i) * f.entrySize;
      FieldNode& entry = Add(path, name, FieldType::Block, entryAt, f.entrySize, depth + 1, index);
      entry.entry = true;
      const int entryIndex = static_cast<int>(m_tree.nodes.size()) - 1;
      Struct(f.entry, entryAt, f.entrySize, path + name + ".", depth + 2, entryIndex);
    }
  }

  CMapFile& m_map;
  FieldTree& m_tree;
  std::unordered_map<std::uint32_t, int> m_byIdentifier;
  std::size_t m_pathText = 0;
  bool m_cut = false;
};

}  // namespace

int FieldTree::Find(const std::string& path) const {
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].path == path && !nodes[i].entry) return static_cast<int>(i);
  return -1;
}

int FieldTree::NodeAt(std::uint32_t offset, bool fieldsOnly) const {
  int best = -1;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const FieldNode& node = nodes[i];
    if (node.hidden || (fieldsOnly && node.entry)) continue;
    if (offset < node.offset || offset >= std::uint64_t{node.offset} + node.size) continue;
    if (best < 0 || node.depth >= nodes[static_cast<std::size_t>(best)].depth) best = static_cast<int>(i);
  }
  return best;
}

FieldTree BuildFieldTree(CMapFile& map, int tag, const ClassDef* def) {
  FieldTree tree;
  tree.tag = tag;
  const TagEntry& entry = map.m_tags.at(static_cast<std::size_t>(tag));
  tree.cls = entry.strClass1;
  tree.tagText = entry.strClass1 + ":" + entry.strName;
  tree.def = def;
  tree.metaOffset = map.MetaOffset(tag);
  tree.base = map.MetaBase(tag);
  // Where the map's picture puts the tag: its extent in the tag data, its BSP
  // section, or (a CE external tag) its entry in the resource map.
  CheckMetaSize(entry.nSize);
  tree.bytes = ReadTagBytes(map, tag);
  CheckMetaSize(static_cast<std::uint32_t>(std::min<std::size_t>(tree.bytes.size(), 0xFFFFFFFFu)));
  if (entry.eHome == TagHome::Resource) tree.messages.push_back("Read-only: the tag is kept " + WhereTagLives(map, tag) + ".");

  TreeBuilder builder(map, tree);
  if (!def) {
    tree.messages.push_back("No definition for class " + tree.cls + ": the references and blocks the scanner finds are listed.");
    builder.Scanned();
    return tree;
  }
  if (tree.bytes.size() < def->size)
    tree.messages.push_back("The tag's metadata is " + Hex(static_cast<std::uint32_t>(tree.bytes.size())) +
                            " bytes, smaller than the " + Hex(def->size) + " bytes its class defines; the fields past it are not read.");
  builder.Struct(def->fields, 0, std::min<std::uint32_t>(def->size, static_cast<std::uint32_t>(tree.bytes.size())), "", 0, -1);
  return tree;
}

}  // namespace jov
