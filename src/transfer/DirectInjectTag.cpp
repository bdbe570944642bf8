#include "transfer/DirectInjectTag.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "map/TagBytes.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"

namespace jov {

namespace {

// %1..%9 of text replaced in one pass: a tag name holding "%2" stays as it is.
std::string Fill(const char* text, const std::vector<std::string>& args) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && static_cast<std::size_t>(p[1] - '1') < args.size()) {
      out += args[static_cast<std::size_t>(p[1] - '1')];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string TagText(const CMapFile& map, std::size_t t) { return map.m_tags[t].strClass1 + ":" + map.m_tags[t].strName; }

std::string OffsetText(std::uint32_t offset) { return "+0x" + UIntToHex(offset); }

}  // namespace

DirectInjectSpace DirectInjectSpaceOf(const CMapFile& destination, int d, const CMapFile& source, int s) {
  DirectInjectSpace space;
  const std::uint32_t sourceSize = source.m_tags[static_cast<std::size_t>(s)].nSize;
  const std::uint32_t destinationSize = destination.m_tags[static_cast<std::size_t>(d)].nSize;
  // Sizes compare as signed: a destination whose size reads negative is "smaller"
  // and gets the question; the count written is then the source's size.
  space.larger = static_cast<std::int32_t>(destinationSize) < static_cast<std::int32_t>(sourceSize);
  space.count = space.larger ? sourceSize : destinationSize;
  if (!space.larger) return space;
  const std::uint32_t own = static_cast<std::int32_t>(destinationSize) > 0 ? destinationSize : 0;
  space.excess = sourceSize - own;
  const std::uint64_t from = std::uint64_t{destination.MetaOffset(d)} + own;
  const std::uint64_t to = std::uint64_t{destination.MetaOffset(d)} + sourceSize;
  for (int t = 0; t < destination.m_nTagCount; ++t) {
    if (t == d) continue;
    const std::uint64_t start = destination.MetaOffset(t);
    const std::uint64_t size = destination.m_tags[static_cast<std::size_t>(t)].nSize;
    // A tag the reader gives no extent is hit when its metadata starts there.
    const bool hit = size > 0 ? start < to && start + size > from : start >= from && start < to;
    if (hit) space.overwritten.push_back(t);
  }
  return space;
}

std::string TagListText(const CMapFile& map, const std::vector<int>& tags) {
  std::string text;
  for (const int t : tags) text += (text.empty() ? "" : ", ") + TagText(map, static_cast<std::size_t>(t));
  return text;
}

std::string OverwriteNote(const CMapFile& destination, const DirectInjectSpace& space) {
  if (space.overwritten.empty()) return {};
  return ", overwriting " + TagListText(destination, space.overwritten);
}

std::string UnresolvedList(const CMapFile& source, const std::vector<UnresolvedReference>& unresolved) {
  // Tags in the order their first reference is met, each with its places. A
  // question is read, not searched: past kMaxTags tags and kMaxPlaces places
  // a tag, the rest is counted.
  constexpr std::size_t kMaxTags = 40;
  constexpr std::size_t kMaxPlaces = 8;
  struct Places {
    std::string text;
    std::size_t count = 0;
  };
  std::vector<std::size_t> order;
  std::unordered_map<std::size_t, Places> places;
  for (const UnresolvedReference& ref : unresolved) {
    auto [it, added] = places.try_emplace(ref.tag);
    if (added) order.push_back(ref.tag);
    Places& tag = it->second;
    if (tag.count++ < kMaxPlaces)
      tag.text += (tag.text.empty() ? "" : ", ") + std::string(ref.lone ? "identifier at " : "reference at ") + OffsetText(ref.offset);
  }
  std::string text;
  for (std::size_t i = 0; i < order.size() && i < kMaxTags; ++i) {
    const Places& tag = places[order[i]];
    std::string more = tag.count > kMaxPlaces ? " and " + std::to_string(tag.count - kMaxPlaces) + " more" : "";
    text += (text.empty() ? "" : ", ") + TagText(source, order[i]) + " (" + tag.text + more + ")";
  }
  if (order.size() > kMaxTags) text += ", and " + std::to_string(order.size() - kMaxTags) + " more tags";
  return text;
}

DirectInjectOutcome DirectInjectTag(CMapFile& destination, int d, CMapFile& source, int s, UserDialogs& dialogs,
                                    const DirectInjectOptions& options) {
  RefuseWriteOutsideMap(destination, d);
  RefuseStructureBspTransfer(destination, d);
  RefuseStructureBspTransfer(source, s);
  const std::uint32_t sourceSize = source.m_tags[static_cast<std::size_t>(s)].nSize;
  const std::uint32_t destinationSize = destination.m_tags[static_cast<std::size_t>(d)].nSize;
  if (sourceSize > kMetaBufferSize) throw Refused(kSourceTagTooLarge);

  const DirectInjectSpace space = DirectInjectSpaceOf(destination, d, source, s);
  if (!space.larger && destinationSize > kMetaBufferSize) throw Refused(kDestinationTagTooLarge);
  if (space.larger) {
    const std::string overwrites = space.overwritten.empty()
                                       ? std::string(kOverwritesNoTag)
                                       : Fill(kOverwritesTags, {TagListText(destination, space.overwritten)});
    const std::uint32_t own = space.count - space.excess;
    const std::string question = Fill(kDirectInjectQuestion, {std::to_string(space.count), std::to_string(own),
                                                              TagText(destination, static_cast<std::size_t>(d)),
                                                              std::to_string(space.excess), overwrites});
    if (!dialogs.AskYesNoDefaultNo(question)) return DirectInjectOutcome::Declined;
  }

  std::string text = ReadMetaHex(source, s);
  std::vector<UnresolvedReference> unresolved;
  ReferenceTranslator(source, destination).Translate(text, s, d, &unresolved);
  if (!unresolved.empty()) {
    const bool one = unresolved.size() == 1;
    const std::string count = one ? "1 reference names a tag" : std::to_string(unresolved.size()) + " references name tags";
    const std::vector<std::string> args{count, options.destinationName, UnresolvedList(source, unresolved)};
    switch (options.unresolved) {
      case UnresolvedChoice::Ask:
        if (!dialogs.AskYesNoDefaultNo(Fill(one ? kUnresolvedQuestionOne : kUnresolvedQuestion, args)))
          return DirectInjectOutcome::Cancelled;
        break;
      case UnresolvedChoice::SetToNone: break;
      case UnresolvedChoice::Refuse: throw UnresolvedRefused(Fill(kUnresolvedRefused, args));
    }
  }
  WriteMetaHex(destination, d, text, space.larger ? static_cast<long>(sourceSize) : -1);
  dialogs.ShowMessage(kDirectInjectComplete);
  return DirectInjectOutcome::Completed;
}

}  // namespace jov
