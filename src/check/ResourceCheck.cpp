#include "check/ResourceCheck.h"

#include <cstring>
#include <map>

#include "check/MapLayout.h"
#include "map/ResourceMap.h"
#include "platform/FileError.h"
#include "platform/PathText.h"

namespace jov {

namespace {

constexpr std::size_t kLongestName = 1995;

std::uint32_t TypeOfFile(std::string_view file) { return file == "bitmaps.map" ? 1 : file == "sounds.map" ? 2 : 3; }

std::string NameAt(std::span<const unsigned char> file, const MapLayout& m, std::uint32_t n) {
  const std::uint64_t at = m.OffsetOf(*Le32At(file, m.firstEntry + 32ull * n + 0x10));
  if (at >= file.size()) return {};
  const char* text = reinterpret_cast<const char*>(file.data() + at);
  return std::string(text, strnlen(text, std::min<std::size_t>(kLongestName, file.size() - at)));
}

}  // namespace

std::vector<Finding> CheckResourceMaps(std::span<const unsigned char> file, const std::string& folder) {
  std::vector<Finding> findings;
  const MapLayout m = ReadMapLayout(file);
  if (m.version != 0x261 || !m.tagHeaderInFile) return findings;
  const MapPicture picture = PictureOfBytes(file, m);
  std::map<std::string, std::vector<std::uint32_t>> byFile;
  for (std::uint32_t n = 0; n < picture.tags.size(); ++n)
    if (picture.tags[n].home == TagHome::Resource) {
      const std::string_view name = ResourceFileOf(ClassAt(file, m, n));
      byFile[name.empty() ? std::string("a resource map") : std::string(name)].push_back(n);
    }
  for (const auto& [name, tags] : byFile) {
    const auto where = [&](std::uint32_t n) { return "tag " + std::to_string(n) + " " + ClassAt(file, m, n) + ":" + NameAt(file, m, n); };
    if (name == "a resource map") {
      for (const std::uint32_t n : tags)
        findings.push_back({Severity::Warning, where(n), "the tag is marked external, but no resource map holds tags of its class", static_cast<int>(n)});
      continue;
    }
    ResourceMapFile resources;
    try {
      resources.Open(Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name)), name);
    } catch (const FileError&) {
      findings.push_back({Severity::Note, name, std::to_string(tags.size()) + (tags.size() == 1 ? " tag is" : " tags are") +
                                                   " kept in " + name + ", which is not in " + folder +
                                                   ": their metadata cannot be read", -1});
      continue;
    } catch (const BadResourceMap& bad) {
      findings.push_back({Severity::Warning, name + " in " + folder, bad.Reason(), -1});
      continue;
    }
    const ResourceMapListing& listing = resources.Listing();
    if (listing.type != TypeOfFile(name)) {
      findings.push_back({Severity::Warning, name + " in " + folder,
                          "it is a " + ResourceTypeName(listing.type) + " resource map, not " + ResourceTypeName(TypeOfFile(name)), -1});
      continue;
    }
    for (const std::uint32_t n : tags) {
      const std::uint32_t index = picture.tags[n].resource;
      if (index >= listing.entries.size()) {
        findings.push_back({Severity::Warning, where(n), "names entry " + std::to_string(index) + " of " + name + ", which has only " +
                                                             std::to_string(listing.entries.size()) + " entries", static_cast<int>(n)});
      } else if (listing.entries[index].path != NameAt(file, m, n)) {
        findings.push_back({Severity::Warning, where(n), "entry " + std::to_string(index) + " of " + name + " is \"" +
                                                             listing.entries[index].path +
                                                             "\": the resource map is not the one the map was built with",
                            static_cast<int>(n)});
      }
    }
  }
  return findings;
}

}  // namespace jov
