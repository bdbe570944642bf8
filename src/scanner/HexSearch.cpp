#include "scanner/HexSearch.h"

#include <algorithm>
#include <array>

#include "map/Refused.h"

namespace jov {

namespace {

// 0-15 for a lowercase hex digit, 16 for anything else.
std::array<std::uint8_t, 256> MakeNibbleTable() {
  std::array<std::uint8_t, 256> table{};
  table.fill(16);
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
  return table;
}

const std::array<std::uint8_t, 256> kNibble = MakeNibbleTable();

std::uint8_t Nibble(char c) { return kNibble[static_cast<unsigned char>(c)]; }

bool IsLowerHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return Nibble(c) < 16; });
}

std::uint32_t KeyOf(std::string_view needle) {
  std::uint32_t key = 0;
  for (const char c : needle) key = (key << 4) | Nibble(c);
  return key;
}

// Puts hits collected in text order into needle order, keeping text order
// within a needle (a counting sort: the literal order without comparing).
std::vector<NeedleHit> OrderByNeedle(std::vector<NeedleHit> hits, std::size_t needleCount) {
  if (needleCount > 4 * hits.size() + 4096) {
    std::stable_sort(hits.begin(), hits.end(), [](const NeedleHit& a, const NeedleHit& b) { return a.needle < b.needle; });
    return hits;
  }
  std::vector<std::uint32_t> start(needleCount + 1, 0);
  for (const NeedleHit& hit : hits) ++start[hit.needle + 1];
  for (std::size_t i = 1; i <= needleCount; ++i) start[i] += start[i - 1];
  std::vector<NeedleHit> ordered(hits.size());
  for (const NeedleHit& hit : hits) ordered[start[hit.needle]++] = hit;
  return ordered;
}

std::size_t HitLimit(std::string_view text) { return 8 * text.size() + kMaxNeedleHits; }

void AddHit(std::vector<NeedleHit>& hits, NeedleHit hit, std::size_t limit) {
  if (hits.size() >= limit) throw Refused(kTooManyHits);
  hits.push_back(hit);
}

void FindLiterally(std::string_view text, std::string_view needle, std::uint32_t id, std::vector<NeedleHit>& hits) {
  if (needle.empty()) return;
  const std::size_t limit = HitLimit(text);
  for (auto p = text.find(needle); p != std::string_view::npos; p = text.find(needle, p + 1))
    AddHit(hits, {id, static_cast<std::uint32_t>(p)}, limit);
}

// The needles of one length, keyed by their digits; a bit filter on the key's
// low bits turns away almost every window before the binary search.
class NeedleSet {
 public:
  void Add(std::uint32_t key, std::uint32_t id) { m_entries.push_back({key, id}); }

  void Seal() {
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.key != b.key ? a.key < b.key : a.id < b.id; });
    m_filter.assign(kFilterBits / 64, 0);
    for (const Entry& e : m_entries) m_filter[(e.key & (kFilterBits - 1)) >> 6] |= 1ull << (e.key & 63);
  }

  template <typename Visit>
  void ForEachMatch(std::uint32_t key, Visit visit) const {
    if (!(m_filter[(key & (kFilterBits - 1)) >> 6] >> (key & 63) & 1)) return;
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                               [](const Entry& e, std::uint32_t k) { return e.key < k; });
    for (; it != m_entries.end() && it->key == key; ++it) visit(it->id);
  }

  bool Empty() const { return m_entries.empty(); }

 private:
  static constexpr std::uint32_t kFilterBits = 1u << 20;
  struct Entry {
    std::uint32_t key;
    std::uint32_t id;
  };
  std::vector<Entry> m_entries;
  std::vector<std::uint64_t> m_filter;
};

// Bytes needed to write a in hex without leading zero pairs (at least one).
int ByteLength(std::uint32_t a) {
  int n = 1;
  while (n < 4 && (a >> (8 * n)) != 0) ++n;
  return n;
}

}  // namespace

struct PreparedNeedles::Sets {
  std::array<NeedleSet, 9> byLength;  // index = needle length, 1 to 8
  std::vector<std::uint32_t> literal;  // needles searched literally on any text
  std::vector<std::uint32_t> other;    // needles with characters hex text cannot hold
};

PreparedNeedles::PreparedNeedles(std::vector<std::string> needles)
    : m_needles(std::move(needles)), m_sets(std::make_unique<Sets>()) {
  for (std::uint32_t id = 0; id < m_needles.size(); ++id) {
    const std::string& needle = m_needles[id];
    if (!needle.empty() && needle.size() <= 8 && IsLowerHex(needle))
      m_sets->byLength[needle.size()].Add(KeyOf(needle), id);
    else if (!IsLowerHex(needle))
      m_sets->other.push_back(id);
    else
      m_sets->literal.push_back(id);
  }
  for (NeedleSet& set : m_sets->byLength)
    if (!set.Empty()) set.Seal();
}

PreparedNeedles::~PreparedNeedles() = default;

std::vector<NeedleHit> FindAllNeedles(std::string_view text, const PreparedNeedles& prepared) {
  const std::vector<std::string>& needles = prepared.m_needles;
  const PreparedNeedles::Sets& sets = *prepared.m_sets;
  if (!IsLowerHex(text)) {
    // Not metadata text: every needle literally, as the slow path always did.
    std::vector<NeedleHit> hits;
    for (std::uint32_t id = 0; id < needles.size(); ++id) FindLiterally(text, needles[id], id, hits);
    return OrderByNeedle(hits, needles.size());
  }
  std::vector<NeedleHit> hits;
  const std::size_t limit = HitLimit(text);
  for (const std::uint32_t id : sets.literal) FindLiterally(text, needles[id], id, hits);
  for (std::size_t length = 1; length <= 8; ++length) {
    const NeedleSet& set = sets.byLength[length];
    if (set.Empty() || text.size() < length) continue;
    const std::uint32_t mask = length == 8 ? 0xFFFFFFFFu : (1u << (4 * length)) - 1;
    std::uint32_t key = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      key = ((key << 4) | Nibble(text[i])) & mask;
      if (i + 1 < length) continue;
      const auto pos = static_cast<std::uint32_t>(i + 1 - length);
      set.ForEachMatch(key, [&](std::uint32_t id) { AddHit(hits, {id, pos}, limit); });
    }
  }
  return OrderByNeedle(hits, needles.size());
}

std::vector<NeedleHit> FindAllNeedles(std::string_view text, const std::vector<std::string>& needles) {
  return FindAllNeedles(text, PreparedNeedles(needles));
}

std::vector<NeedleHit> FindAddressRange(std::string_view text, std::uint32_t base, std::uint32_t count) {
  std::vector<NeedleHit> hits;
  if (count == 0) return hits;
  if (!IsLowerHex(text)) {
    // Not metadata text: fall back to the literal definition, needle by needle.
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t a = base + k;
      std::string needle;
      for (int b = 0; b < ByteLength(a); ++b) {
        needle += kDigits[(a >> (8 * b + 4)) & 15];
        needle += kDigits[(a >> (8 * b)) & 15];
      }
      FindLiterally(text, needle, k, hits);
    }
    return hits;
  }
  // Which needle lengths (in bytes) the range holds at all.
  std::array<bool, 5> lengthUsed{};
  for (std::uint32_t bytes = 1; bytes <= 4; ++bytes) {
      const std::uint32_t lo = bytes == 1 ? 0 : 1u << (8 * (bytes - 1));
      const std::uint32_t hi = bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
      // Does [base, base + count) (wrapping) meet [lo, hi]?
      const std::uint64_t first = base;
      const std::uint64_t last = first + count - 1;
      auto meets = [&](std::uint64_t a, std::uint64_t b) { return a <= hi && b >= lo; };
      lengthUsed[bytes] = last <= 0xFFFFFFFFu ? meets(first, last)
                                              : (meets(first, 0xFFFFFFFFu) || meets(0, last - 0x100000000ull));
  }
  for (int bytes = 1; bytes <= 4; ++bytes) {
    if (!lengthUsed[static_cast<std::size_t>(bytes)]) continue;
    const std::size_t length = 2 * static_cast<std::size_t>(bytes);
    if (text.size() < length) continue;
    if (bytes == 4) {
      // The 8 digits ending at i, read as one number, are the address with its
      // bytes in reverse order: one shift a character instead of 8 lookups.
      std::uint32_t key = 0;
      for (std::size_t i = 0; i < text.size(); ++i) {
        key = (key << 4) | Nibble(text[i]);
        if (i + 1 < length) continue;
        const std::uint32_t a = __builtin_bswap32(key);
        const std::uint32_t k = a - base;
        if (k < count && ByteLength(a) == 4) hits.push_back({k, static_cast<std::uint32_t>(i + 1 - length)});
      }
      continue;
    }
    for (std::size_t p = 0; p + length <= text.size(); ++p) {
      // The window's first digit pair is the address's lowest byte.
      std::uint32_t a = 0;
      for (int b = bytes - 1; b >= 0; --b)
        a = (a << 8) | static_cast<std::uint32_t>(Nibble(text[p + 2 * static_cast<std::size_t>(b)]) << 4 |
                                                  Nibble(text[p + 2 * static_cast<std::size_t>(b) + 1]));
      const std::uint32_t k = a - base;
      if (k < count && ByteLength(a) == bytes) hits.push_back({k, static_cast<std::uint32_t>(p)});
    }
  }
  // Hits were collected length by length; each length's hits are in text order,
  // and one k has one needle length, so a stable order by k is the literal order.
  return OrderByNeedle(std::move(hits), count);
}

}  // namespace jov
