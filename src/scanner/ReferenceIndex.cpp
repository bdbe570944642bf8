#include "scanner/ReferenceIndex.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "map/Refused.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanMetadata.h"

namespace jov {

namespace {

// Every needle is 8 hex digits (a class code, an identifier), so a hit at an
// even character is a 4-byte word at a byte offset: the metadata is searched as
// bytes, a word a byte, and only the few words that are needles are looked at
// as text, through the scanner's own rules.
class WordNeedles {
 public:
  explicit WordNeedles(const std::vector<std::string>& needles) {
    for (std::uint32_t n = 0; n < needles.size(); ++n) {
      unsigned char bytes[4];
      HexToBytes(needles[n], bytes);
      const std::uint32_t word = ReadLe32(bytes);
      m_needlesOf[word].push_back(n);
      m_filter[Key(word) >> 6] |= std::uint64_t{1} << (Key(word) & 63);
    }
  }
  // The needles the word is, in needle order (a class code can also be an
  // identifier); null when it is none.
  const std::vector<std::uint32_t>* Find(std::uint32_t word) const {
    if (!(m_filter[Key(word) >> 6] >> (Key(word) & 63) & 1)) return nullptr;
    const auto it = m_needlesOf.find(word);
    return it == m_needlesOf.end() ? nullptr : &it->second;
  }

 private:
  // A 2^20-bit filter (128 KiB): a few thousand needles leave almost every
  // other word out before the table is asked.
  static std::uint32_t Key(std::uint32_t word) { return (word * 0x9E3779B1u) >> 12; }
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> m_needlesOf;
  std::vector<std::uint64_t> m_filter = std::vector<std::uint64_t>(1 << 14, 0);
};

}  // namespace

ReferenceIndex::ReferenceIndex(CMapFile& map) {
  const int count = std::min<int>(map.m_nTagCount, static_cast<int>(map.m_tags.size()));
  m_dependenciesTo.resize(static_cast<std::size_t>(count));
  m_identifierOf.resize(static_cast<std::size_t>(count));

  // The class codes, then every distinct identifier. Tags sharing an identifier
  // share its needle and its hits: stored once, listed for each of them.
  std::vector<std::string> needles = DependencyNeedles();
  const auto classNeedles = static_cast<std::uint32_t>(needles.size());
  std::unordered_map<std::string, std::uint32_t> needleOf;
  std::vector<std::size_t> sharing;  // by distinct identifier: the tags that have it
  const std::vector<std::string> identifiers = LoneIdNeedles(map);
  for (int t = 0; t < count; ++t) {
    const std::string& id = identifiers[static_cast<std::size_t>(t)];
    const auto [it, added] = needleOf.emplace(id, static_cast<std::uint32_t>(needles.size()));
    if (added) {
      needles.push_back(id);
      sharing.push_back(0);
    }
    m_identifierOf[static_cast<std::size_t>(t)] = it->second - classNeedles;
    ++sharing[it->second - classNeedles];
  }
  m_identifierHits.resize(sharing.size());
  const WordNeedles words(needles);
  const auto byIdentifier = IdentifierIndex(map);

  const auto store = [this](std::vector<Hit>& hits, int from, std::uint32_t at) {
    if (++m_held > kMaxIndexedReferences) throw Refused(kTooManyReferences);
    hits.push_back({from, at});
  };
  std::vector<unsigned char> meta;
  for (int from = 0; from < count; ++from) {
    const TagEntry& tag = map.m_tags[static_cast<std::size_t>(from)];
    if (tag.nSize > kMetaBufferSize || tag.nSize < 4) continue;
    meta.assign(tag.nSize, 0);
    map.File().Read(HexToUInt(tag.strMetaOffset), meta.data(), meta.size());
    for (std::uint32_t at = 0; at + 4 <= meta.size(); ++at) {
      const unsigned char* p = meta.data() + at;  // little-endian, like the needles' words; one load
      const std::uint32_t word = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
      const std::vector<std::uint32_t>* found = words.Find(word);
      if (!found) continue;
      // The scanner's view of the bytes around the hit: from 12 bytes before it
      // (the class code of a dependency) to 16 after (its identifier).
      const std::uint32_t begin = at >= 12 ? at - 12 : 0;
      const std::uint32_t end = std::min<std::uint32_t>(static_cast<std::uint32_t>(meta.size()), at + 16);
      const std::string text = BytesToHex(meta.data() + begin, static_cast<long>(end - begin));
      const std::uint32_t pos = 2 * (at - begin);
      for (const std::uint32_t needle : *found) {
        if (needle < classNeedles) {
          const std::string id = DependencyIdentifier(text, pos);
          const auto target = id == "ffffffff" ? byIdentifier.end() : byIdentifier.find(id);  // nulled: no tag
          if (target != byIdentifier.end()) {
            store(m_dependenciesTo[static_cast<std::size_t>(target->second)], from, at);
            ++m_count;
          }
        } else if (!FollowsKnownClass(text, pos)) {
          store(m_identifierHits[needle - classNeedles], from, at);
          m_count += sharing[needle - classNeedles];
        }
      }
    }
  }
}

std::vector<TagReference> ReferenceIndex::To(int tag) const {
  const std::vector<Hit>& dependencies = m_dependenciesTo.at(static_cast<std::size_t>(tag));
  const std::vector<Hit>& identifiers = m_identifierHits[m_identifierOf[static_cast<std::size_t>(tag)]];
  // Both lists come in index order of the referring tags, each by offset,
  // already: merged, a dependency first where both lie at one offset.
  std::vector<TagReference> to;
  to.reserve(dependencies.size() + identifiers.size());
  auto d = dependencies.begin();
  auto i = identifiers.begin();
  while (d != dependencies.end() || i != identifiers.end()) {
    const bool dependency =
        i == identifiers.end() || (d != dependencies.end() && std::tie(d->from, d->offset) <= std::tie(i->from, i->offset));
    const Hit& hit = dependency ? *d++ : *i++;
    to.push_back({hit.from, hit.offset, dependency ? ReferenceKind::Dependency : ReferenceKind::Identifier});
  }
  return to;
}

const char* KindText(ReferenceKind kind) { return kind == ReferenceKind::Dependency ? "dependency" : "identifier"; }

}  // namespace jov
