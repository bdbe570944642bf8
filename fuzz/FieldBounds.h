#pragma once
// What the definition and plugin targets check of a definition set read from
// the fuzzer's bytes: every file skipped is named with its reason; every class
// read lies within the bounds (fields nested at most kMaxFieldNesting deep, at
// most kMaxClassFields fields and kMaxClassNames names with counts expanded)
// and is soundly laid out; its field
// tree over each tag of a sample map stays within the tree's own bounds and
// reads nothing outside the tag's metadata.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"

namespace jov::fuzz {

inline int FieldDepth(const std::vector<FieldDef>& fields) {
  int deepest = 0;
  for (const FieldDef& f : fields) deepest = std::max(deepest, 1 + FieldDepth(f.entry));
  return deepest;
}

// A sample map of a few tags, full of blocks and references, opened once.
// (Never destroyed, like the scratch folder it lies in.)
inline CMapFile& FieldTreeMap() {
  struct Opened {
    MemoryTreeView tree;
    CMapFile map;
  };
  static Opened* const opened = [] {
    const std::string path = ScratchFile("fields.map");
    const std::vector<unsigned char> bytes = WriteSampleMap(GenerateSampleMap(kVersionPc, 4, 5, 512));
    WriteWholeFile(path, bytes.data(), bytes.size());
    auto* made = new Opened;
    made->map.OpenPath(made->tree, path);
    return made;
  }();
  return opened->map;
}

inline void CheckDefinitionSet(const DefinitionSet& set, const std::string& source) {
  const std::string skipped = "; the file is skipped.";
  for (const std::string& message : set.Messages()) {
    Check(message.rfind(source, 0) == 0, "a message names the file first");
    Check(message.size() > skipped.size() && message.compare(message.size() - skipped.size(), skipped.size(), skipped) == 0,
          "a message says the file is skipped");
  }
  CMapFile& map = FieldTreeMap();
  for (const ClassDef* def : set.All()) {
    Check(CountFields(def->fields) <= kMaxClassFields, "a class holds at most kMaxClassFields fields");
    Check(CountNames(def->fields) <= kMaxClassNames, "its fields carry at most kMaxClassNames names");
    Check(FieldDepth(def->fields) <= kMaxFieldNesting, "fields nest at most kMaxFieldNesting deep");
    Check(CheckLayout(*def).empty(), "a class read is soundly laid out");
    for (int tag = 0; tag < map.m_nTagCount; ++tag) {
      FieldTree tree;
      try {
        tree = BuildFieldTree(map, tag, def);
      } catch (const Refused&) {
        continue;
      }
      // Each check for room is followed by at most a gap and a field.
      Check(tree.nodes.size() <= kMaxFieldNodes + 2, "a tree holds at most kMaxFieldNodes fields");
      std::size_t text = 0, longest = 0;
      for (const FieldNode& node : tree.nodes) {
        text += node.path.size() + node.name.size();
        longest = std::max(longest, node.path.size() + node.name.size());
        Check(!node.error.empty() || std::uint64_t{node.offset} + node.size <= tree.bytes.size(),
              "a field read lies inside the tag's metadata");
      }
      Check(text <= kMaxFieldPathText + 2 * longest, "a tree's paths take at most kMaxFieldPathText");
    }
  }
}

}  // namespace jov::fuzz
