#pragma once
// The data listing and the reference translation of direct injection written
// the slow, obvious way, as references for the one-pass versions:
//  - LiteralDataListing: needle after needle, as the listing is defined.
//  - LiteralTranslation: the steps as first defined, each hit handled at once so
//    that later searches see earlier replacements. It also tells whether any
//    replacement created or destroyed a hit or changed what a hit reads; where
//    none did, the translation must give exactly its result.
//  - StepStartTranslation: the rule the program follows (every step finds its
//    hits and reads its values on the text as the step began), with literal
//    searches and linear look-ups.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "map/MapFile.h"
#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "support/LiteralSearch.h"

namespace jov::reference {

inline std::string LiteralDataListing(const CMapFile& map, int i, std::string_view hex) {
  const TagEntry& tag = map.m_tags[static_cast<std::size_t>(i)];
  std::string out = tag.strName + "\r\n" + tag.strClass1 + "\r\n" + tag.strClass2 + "\r\n" + tag.strClass3 + "\r\n";
  const std::uint32_t base = HexToUInt(map.m_strMagic) + HexToUInt(tag.strMetaOffset);
  for (std::uint32_t k = 0; k < tag.nSize; ++k) {
    std::vector<NeedleHit> hits;
    LiteralFind(hex, SwapHexBytes(UIntToHex(base + k)), k, hits);
    for (const NeedleHit& hit : hits)
      out += "Reflexive|" + std::to_string(hit.pos / 2) + "|" + std::to_string(k) + "\r\n";
  }
  for (int t = 0; t < map.m_nTagCount; ++t) {
    const TagEntry& owner = map.m_tags[static_cast<std::size_t>(t)];
    std::vector<NeedleHit> hits;
    LiteralFind(hex, SwapHexBytes(owner.strIdentifier), 0, hits);
    for (const NeedleHit& hit : hits)
      out += "Dependency|" + std::to_string(hit.pos / 2) + "|" + owner.strName + "|" + owner.strClass1 + "\r\n";
  }
  return out;
}

namespace detail {

// One translation step: its needles in order; for a hit, what it reads from the
// text and, from that, the piece to write and where (nothing to leave the hit).
struct Step {
  std::vector<std::string> needles;
  std::function<std::string(const std::string& text, std::size_t pos)> read;
  std::function<std::optional<std::pair<std::string, long>>(std::size_t needle, const std::string& read, std::size_t pos)>
      write;
};

using Trace = std::vector<std::tuple<std::size_t, std::size_t, std::string>>;

// The hits as the step's start text gives them, written into text in order.
inline Trace RunFromStepStart(std::string& text, const Step& step) {
  const std::string start = text;
  Trace trace;
  for (std::size_t n = 0; n < step.needles.size(); ++n) {
    std::vector<NeedleHit> hits;
    LiteralFind(start, step.needles[n], 0, hits);
    for (const NeedleHit& hit : hits) {
      const std::string value = step.read(start, hit.pos);
      trace.emplace_back(n, hit.pos, value);
      if (const auto put = step.write(n, value, hit.pos)) PutHexAt(text, put->first, put->second);
    }
  }
  return trace;
}

// Each search on the current text, from character 0, then one past each hit.
inline Trace RunLiterally(std::string& text, const Step& step) {
  Trace trace;
  for (std::size_t n = 0; n < step.needles.size(); ++n) {
    if (step.needles[n].empty()) continue;
    std::size_t from = 0;
    for (std::size_t p; (p = text.find(step.needles[n], from)) != std::string::npos; from = p + 1) {
      const std::string value = step.read(text, p);
      trace.emplace_back(n, p, value);
      if (const auto put = step.write(n, value, p)) PutHexAt(text, put->first, put->second);
    }
  }
  return trace;
}

inline std::optional<int> FirstWithIdentifier(const CMapFile& map, const std::string& id) {
  for (int t = 0; t < map.m_nTagCount; ++t)
    if (map.m_tags[static_cast<std::size_t>(t)].strIdentifier == id) return t;
  return std::nullopt;
}

inline std::optional<int> FirstWithClassAndName(const CMapFile& map, const TagEntry& like) {
  for (int t = 0; t < map.m_nTagCount; ++t) {
    const TagEntry& e = map.m_tags[static_cast<std::size_t>(t)];
    if (e.strClass1 == like.strClass1 && e.strName == like.strName) return t;
  }
  return std::nullopt;
}

inline std::string Sub(const std::string& text, std::size_t pos, std::size_t n) {
  return pos < text.size() ? text.substr(pos, n) : std::string();
}

// A reference set to none: the step, the character it stands at, the source tag.
using NoneSet = std::vector<std::tuple<int, std::size_t, std::size_t>>;

// With nones given, references and identifiers of tags the destination lacks
// become ffffffff and are listed there.
inline std::vector<Step> TranslationSteps(const CMapFile& source, int s, const CMapFile& destination, int d,
                                          NoneSet* nones = nullptr) {
  std::vector<Step> steps(3);
  // Dependencies: class fourCC, then the identifier 12 bytes on.
  for (int row = 0; row < TagClassTable::kSearchRows; ++row)
    steps[0].needles.push_back(SwapHexBytes(TextToHex(TagClassTable::Rows()[static_cast<std::size_t>(row)].code)));
  steps[0].read = [](const std::string& text, std::size_t p) { return SwapHexBytes(Sub(text, p + 24, 8)); };
  steps[0].write = [&source, &destination, nones](std::size_t, const std::string& id,
                                                  std::size_t p) -> std::optional<std::pair<std::string, long>> {
    if (id == "ffffffff") return std::nullopt;
    const auto owner = FirstWithIdentifier(source, id);
    if (!owner) return std::nullopt;
    const auto target = FirstWithClassAndName(destination, source.m_tags[static_cast<std::size_t>(*owner)]);
    if (!target && nones) {
      nones->emplace_back(0, p + 24, static_cast<std::size_t>(*owner));
      return std::pair{std::string("ffffffff"), static_cast<long>(p + 24)};
    }
    if (!target) return std::nullopt;
    return std::pair{SwapHexBytes(destination.m_tags[static_cast<std::size_t>(*target)].strIdentifier), static_cast<long>(p + 24)};
  };
  // Lone identifiers: left when a known class stands 12 bytes before.
  for (int t = 0; t < source.m_nTagCount; ++t)
    steps[1].needles.push_back(SwapHexBytes(source.m_tags[static_cast<std::size_t>(t)].strIdentifier));
  steps[1].read = [](const std::string& text, std::size_t p) {
    const std::string stored = SwapHexBytes(Sub(text, p < 24 ? 0 : p - 24, 8));
    std::string code((stored.size() + 1) / 2, '\0');
    HexToBytes(stored, reinterpret_cast<unsigned char*>(code.data()));
    return code;
  };
  steps[1].write = [&source, &destination, nones](std::size_t t, const std::string& code,
                                                  std::size_t p) -> std::optional<std::pair<std::string, long>> {
    for (int row = 0; row < TagClassTable::kSearchRows; ++row)
      if (TagClassTable::Rows()[static_cast<std::size_t>(row)].code == code) return std::nullopt;
    const auto target = FirstWithClassAndName(destination, source.m_tags[t]);
    if (!target && nones) {
      nones->emplace_back(1, p, t);
      return std::pair{std::string("ffffffff"), static_cast<long>(p)};
    }
    if (!target) return std::nullopt;
    return std::pair{SwapHexBytes(destination.m_tags[static_cast<std::size_t>(*target)].strIdentifier), static_cast<long>(p)};
  };
  // Pointers into the source tag, by k.
  const TagEntry& from = source.m_tags[static_cast<std::size_t>(s)];
  const std::uint32_t sourceBase = HexToUInt(source.m_strMagic) + HexToUInt(from.strMetaOffset);
  const std::uint32_t destinationBase =
      HexToUInt(destination.m_tags[static_cast<std::size_t>(d)].strMetaOffset) + HexToUInt(destination.m_strMagic);
  for (std::uint32_t k = 0; k < from.nSize; ++k) steps[2].needles.push_back(SwapHexBytes(UIntToHex(sourceBase + k)));
  steps[2].read = [](const std::string&, std::size_t) { return std::string(); };
  steps[2].write = [destinationBase](std::size_t k, const std::string&, std::size_t p) -> std::optional<std::pair<std::string, long>> {
    return std::pair{SwapHexBytes(UIntToHex(destinationBase + static_cast<std::uint32_t>(k))), static_cast<long>(p)};
  };
  return steps;
}

}  // namespace detail

// The steps as first defined. When disturbed is given it is set to whether any
// step handled other hits, or read other values, than its start text held.
inline std::string LiteralTranslation(std::string text, const CMapFile& source, int s, const CMapFile& destination, int d,
                                      bool* disturbed = nullptr) {
  if (disturbed) *disturbed = false;
  for (const detail::Step& step : detail::TranslationSteps(source, s, destination, d)) {
    if (disturbed) {
      std::string copy = text;
      const detail::Trace fromStart = detail::RunFromStepStart(copy, step);
      if (detail::RunLiterally(text, step) != fromStart) *disturbed = true;
    } else {
      detail::RunLiterally(text, step);
    }
  }
  return text;
}

inline std::string StepStartTranslation(std::string text, const CMapFile& source, int s, const CMapFile& destination, int d,
                                        detail::NoneSet* nones = nullptr) {
  for (const detail::Step& step : detail::TranslationSteps(source, s, destination, d, nones))
    detail::RunFromStepStart(text, step);
  return text;
}

}  // namespace jov::reference
