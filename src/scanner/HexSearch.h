#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Searching metadata text for many needles at once.
//
// The editor defines its searches needle after needle: from character 0, then one
// character past each hit, so overlapping hits and hits at odd positions all
// count. Done literally that costs the tag's size squared (a reflexive search
// tries one needle per byte of the tag). These functions find the same hits in
// one pass over the text and hand them back in the literal order: by needle,
// then by position.
namespace jov {

struct NeedleHit {
  std::uint32_t needle;  // index into the needle list (or k for address ranges)
  std::uint32_t pos;     // character position in the text
  friend bool operator==(const NeedleHit&, const NeedleHit&) = default;
};

// Distinct needles hit a text at most 8 times per character (one per needle
// length), but a needle listed many times hits as often as it is listed: a
// hostile map whose thousands of tags share one identifier would give billions
// of hits on a plain run of zeros. No search hands back more than 8 hits per
// character plus this many, which no list of distinct needles can reach.
inline constexpr std::size_t kMaxNeedleHits = std::size_t{1} << 20;
inline constexpr const char* kTooManyHits =
    "This tag's metadata matches more often than its size allows in one search (many tags of the map share one "
    "identifier); it cannot be searched.";

// Every occurrence of every needle. Needles of 1 to 8 lowercase hex digits on a
// lowercase hex text take the fast path; anything else is searched literally.
// An empty needle has no hits. Throws Refused (kTooManyHits) rather than give
// more than 8 hits per character of text plus kMaxNeedleHits.
std::vector<NeedleHit> FindAllNeedles(std::string_view text, const std::vector<std::string>& needles);

// The same search for a needle list searched many times (every tag of a map
// against its tags' identifiers): the needles are keyed and sorted once.
class PreparedNeedles {
 public:
  explicit PreparedNeedles(std::vector<std::string> needles);
  ~PreparedNeedles();
  PreparedNeedles(const PreparedNeedles&) = delete;
  PreparedNeedles& operator=(const PreparedNeedles&) = delete;
  const std::vector<std::string>& Needles() const { return m_needles; }

 private:
  friend std::vector<NeedleHit> FindAllNeedles(std::string_view text, const PreparedNeedles& needles);
  struct Sets;
  std::vector<std::string> m_needles;
  std::unique_ptr<Sets> m_sets;
};
std::vector<NeedleHit> FindAllNeedles(std::string_view text, const PreparedNeedles& needles);

// The hits of the stored pointers to base + k, for k from 0 to count - 1, where
// the needle of address a is SwapHexBytes(UIntToHex(a)) (fewer than 8 digits
// below 0x10000000; sums wrap at 32 bits). Ordered by k, then position.
std::vector<NeedleHit> FindAddressRange(std::string_view text, std::uint32_t base, std::uint32_t count);

}  // namespace jov
