#include "scanner/ReferenceIndex.h"

#include <algorithm>
#include <unordered_map>

#include "scanner/HexSearch.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"

namespace jov {

ReferenceIndex::ReferenceIndex(CMapFile& map) {
  const int count = std::min<int>(map.m_nTagCount, static_cast<int>(map.m_tags.size()));
  m_to.resize(static_cast<std::size_t>(count));

  // One search a tag for the class codes and every identifier. Tags sharing an
  // identifier share one needle: the scanner lists such a hit once for each of
  // them, and so does the index.
  std::vector<std::string> needles = DependencyNeedles();
  const auto classNeedles = static_cast<std::uint32_t>(needles.size());
  std::unordered_map<std::string, std::uint32_t> needleOf;
  std::vector<std::vector<int>> tagsOfNeedle;
  const std::vector<std::string> identifiers = LoneIdNeedles(map);
  for (int t = 0; t < count; ++t) {
    const std::string& id = identifiers[static_cast<std::size_t>(t)];
    const auto [it, added] = needleOf.emplace(id, static_cast<std::uint32_t>(needles.size()));
    if (added) {
      needles.push_back(id);
      tagsOfNeedle.emplace_back();
    }
    tagsOfNeedle[it->second - classNeedles].push_back(t);
  }
  const PreparedNeedles prepared(std::move(needles));
  const auto byIdentifier = IdentifierIndex(map);

  for (int from = 0; from < count; ++from) {
    if (map.m_tags[static_cast<std::size_t>(from)].nSize > kMetaBufferSize) continue;
    const std::string text = ReadMetaHex(map, from);
    for (const NeedleHit& hit : FindAllNeedles(text, prepared)) {
      if (hit.pos % 2 != 0) continue;
      const std::uint32_t offset = hit.pos / 2;
      if (hit.needle < classNeedles) {
        const std::string id = DependencyIdentifier(text, hit.pos);
        const auto target = id == "ffffffff" ? byIdentifier.end() : byIdentifier.find(id);  // nulled: no tag
        if (target != byIdentifier.end())
          m_to[static_cast<std::size_t>(target->second)].push_back({from, offset, ReferenceKind::Dependency});
      } else if (!FollowsKnownClass(text, hit.pos)) {
        for (const int target : tagsOfNeedle[hit.needle - classNeedles])
          m_to[static_cast<std::size_t>(target)].push_back({from, offset, ReferenceKind::Identifier});
      }
    }
  }
  // Referring tags come in index order already; within one, hits come by needle.
  for (std::vector<TagReference>& references : m_to) {
    std::stable_sort(references.begin(), references.end(), [](const TagReference& a, const TagReference& b) {
      return a.from != b.from ? a.from < b.from : a.offset < b.offset;
    });
    m_count += references.size();
  }
}

const std::vector<TagReference>& ReferenceIndex::To(int tag) const { return m_to.at(static_cast<std::size_t>(tag)); }

const char* KindText(ReferenceKind kind) { return kind == ReferenceKind::Dependency ? "dependency" : "identifier"; }

}  // namespace jov
