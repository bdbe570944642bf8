#pragma once
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"
#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"

namespace jov::testing {

// The bytes of the map at path with up to count defined fields of its tags of
// the given classes (those whose bytes the definitions lay out) given random
// values: floats of any finite bit pattern, integers, enums and
// flags of any bits, plain texts, references to any tag of an allowed class or
// none. Blocks, data references and read-only fields keep their bytes, and so
// do tags whose metadata is not in the map's file. Only defined fields differ.
inline std::vector<unsigned char> WithRandomFieldValues(const std::string& path, const DefinitionSet& definitions,
                                                        const std::vector<std::string>& classes, std::uint32_t seed,
                                                        int count) {
  std::vector<unsigned char> bytes = ReadBytesFromFile(path);
  MemoryTreeView tree;
  CMapFile map;
  map.OpenPath(tree, path);
  std::mt19937 rng(seed);
  struct Candidate {
    int tag;
    std::size_t node;
  };
  std::vector<FieldTree> trees;
  std::vector<Candidate> candidates;
  for (int i = 0; i < map.m_nTagCount; ++i) {
    const TagEntry& entry = map.m_tags[static_cast<std::size_t>(i)];
    const ClassDef* def = definitions.Find(entry.strClass1);
    if (!def || (entry.eHome != TagHome::TagData && entry.eHome != TagHome::Bsp) ||
        std::find(classes.begin(), classes.end(), entry.strClass1) == classes.end())
      continue;
    trees.push_back(BuildFieldTree(map, i, def));
    const FieldTree& t = trees.back();
    for (std::size_t n = 0; n < t.nodes.size(); ++n) {
      const FieldNode& node = t.nodes[n];
      if (node.entry || !node.def || node.readOnly || !node.error.empty() || node.type == FieldType::Block ||
          node.type == FieldType::DataRef || std::uint64_t{node.offset} + node.size > t.bytes.size())
        continue;
      candidates.push_back({static_cast<int>(trees.size() - 1), n});
    }
  }
  std::shuffle(candidates.begin(), candidates.end(), rng);
  if (candidates.size() > static_cast<std::size_t>(count)) candidates.resize(static_cast<std::size_t>(count));
  for (const Candidate& c : candidates) {
    const FieldTree& t = trees[static_cast<std::size_t>(c.tag)];
    const FieldNode& node = t.nodes[c.node];
    std::vector<unsigned char> value(node.size);
    switch (node.type) {
      case FieldType::Float:
      case FieldType::Angle:
      case FieldType::Range:
      case FieldType::Point2:
      case FieldType::Point3:
      case FieldType::Point4:
        for (std::uint32_t at = 0; at + 4 <= node.size; at += 4) {
          std::uint32_t bits = 0;
          do bits = static_cast<std::uint32_t>(rng());
          while (!std::isfinite(FloatFromBits(bits)));
          PutLe32(value, at, bits);
        }
        break;
      case FieldType::String: {
        const std::size_t n = rng() % node.size;
        for (std::size_t k = 0; k < n; ++k) value[k] = static_cast<unsigned char>('a' + rng() % 26);
        break;
      }
      case FieldType::TagRef:
      case FieldType::TagId: {
        std::string target = "none";
        for (int tries = 0; tries < 8 && target == "none"; ++tries) {
          const TagEntry& e = map.m_tags[rng() % map.m_nTagCount];
          if (node.def->classes.empty() ||
              std::find(node.def->classes.begin(), node.def->classes.end(), e.strClass1) != node.def->classes.end())
            target = e.strClass1 + ":" + e.strName;
        }
        value = EncodeFieldValue(map, t, node, target, false);
        break;
      }
      default:
        for (auto& b : value) b = static_cast<unsigned char>(rng());
    }
    std::copy(value.begin(), value.end(), bytes.begin() + t.metaOffset + node.offset);
  }
  return bytes;
}

}  // namespace jov::testing
