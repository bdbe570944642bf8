#include "map/MapPicture.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace jov {

namespace {

constexpr std::uint16_t kXbox = 5;
constexpr std::uint16_t kCe = 0x261;

std::string HexText(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[3]) << 24;
}

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t length) {
  return offset <= length && size <= length - offset;
}

// A CE tag found in bitmaps.map or loc.map keeps the entry's index in its data
// field, not a pointer; a CE sound keeps a pointer to the base struct it leaves
// in the map. Xbox maps use the flag's place as padding, and retail PC maps
// never mark a tag external.
bool ResourceIndexed(const PictureHeader& header, const PictureEntry& entry) {
  return header.version == kCe && entry.external == 1 && entry.class1 != "snd!";
}

int FindScenario(const PictureHeader& header, std::span<const PictureEntry> entries) {
  const std::uint32_t named = header.scenarioId & 0xFFFF;
  if (named < entries.size() && entries[named].class1 == "scnr") return static_cast<int>(named);
  for (std::size_t n = 0; n < entries.size(); ++n)
    if (entries[n].class1 == "scnr") return static_cast<int>(n);
  return -1;
}

// The scenario's structure BSP list; each section is checked against the file
// and the tag data, and matched to its sbsp tag by the dependency's identifier.
void ReadBspList(const PictureHeader& header, std::span<const PictureEntry> entries, const PictureReader& read,
                 MapPicture& picture) {
  picture.scenario = FindScenario(header, entries);
  if (picture.scenario < 0) return;
  const TagPlace& scenario = picture.tags[static_cast<std::size_t>(picture.scenario)];
  if (scenario.home != TagHome::TagData) {
    picture.bspProblem = "the scenario's metadata pointer lands outside the tag data, so its structure BSPs are unknown";
    return;
  }
  unsigned char head[8];
  if (!read(scenario.offset + kScenarioBspCount, head, sizeof head)) {
    picture.bspProblem = "the structure BSP list at metadata +0x5A4 lies outside the file";
    return;
  }
  const std::uint32_t count = Le32(head);
  const std::uint32_t pointer = Le32(head + 4);
  picture.bspListRead = true;
  // An empty block is written as count 0 and pointer 0.
  if (count == 0) return;
  const std::uint64_t list = static_cast<std::uint32_t>(pointer - header.magic);
  const std::uint64_t bytes = std::uint64_t{count} * kScenarioBspElement;
  if (!Inside(list, bytes, header.fileLength)) {
    picture.bspListRead = false;
    picture.bspProblem = "the structure BSP list (" + std::to_string(count) + " at " + HexText(list) + ") runs past the end of the file";
    return;
  }
  std::vector<unsigned char> elements(static_cast<std::size_t>(bytes));
  if (!read(list, elements.data(), elements.size())) {
    picture.bspListRead = false;
    picture.bspProblem = "the structure BSP list (" + std::to_string(count) + " at " + HexText(list) + ") cannot be read";
    return;
  }
  picture.bsps.resize(count);
  for (std::uint32_t n = 0; n < count; ++n) {
    const unsigned char* e = elements.data() + std::size_t{n} * kScenarioBspElement;
    BspSection& bsp = picture.bsps[n];
    bsp.offset = Le32(e);
    bsp.size = Le32(e + 4);
    bsp.address = Le32(e + 8);
    bsp.tagId = Le32(e + 0x1C);
    const std::uint64_t end = std::uint64_t{bsp.offset} + bsp.size;
    if (!Inside(bsp.offset, bsp.size, header.fileLength)) {
      bsp.problem = "the structure BSP " + HexText(bsp.offset) + ".." + HexText(end) + " runs past the end of the file (" +
                    HexText(header.fileLength) + " bytes)";
    } else if (bsp.size > 0 && bsp.offset < picture.tagDataEnd && end > picture.tagDataFrom) {
      bsp.problem = "the structure BSP " + HexText(bsp.offset) + ".." + HexText(end) + " overlaps the tag data " +
                    HexText(picture.tagDataFrom) + ".." + HexText(picture.tagDataEnd);
    }
    const std::uint32_t index = bsp.tagId & 0xFFFF;
    if (index < entries.size() && entries[index].identifier == bsp.tagId && entries[index].class1 == "sbsp") {
      bsp.tag = static_cast<int>(index);
      TagPlace& place = picture.tags[index];
      // The first section that names a tag gives it its metadata.
      if (bsp.problem.empty() && place.home != TagHome::Bsp) place = {TagHome::Bsp, bsp.offset, bsp.size, bsp.address, static_cast<int>(n), 0};
    }
  }
}

}  // namespace

MapPicture DrawMapPicture(const PictureHeader& header, std::span<const PictureEntry> entries, const PictureReader& read) {
  MapPicture picture;
  picture.tagDataFrom = header.indexOffset;
  picture.tagDataEnd = std::min<std::uint64_t>(
      std::max<std::uint64_t>(std::uint64_t{header.indexOffset} + header.tagDataSize, header.eofPosition), header.fileLength);
  if (picture.tagDataEnd < picture.tagDataFrom) picture.tagDataEnd = picture.tagDataFrom;

  const std::size_t count = entries.size();
  picture.tags.resize(count);
  std::vector<char> lands(count);
  for (std::size_t n = 0; n < count; ++n)
    lands[n] = !ResourceIndexed(header, entries[n]) && picture.LandsInTagData(entries[n].field, header.magic);

  // On the Xbox the model data sits inside the tag data after every tag; the
  // tag data header's two model pointers say where it starts.
  std::vector<std::uint64_t> modelStarts;
  if (header.version == kXbox)
    for (const std::uint32_t pointer : {header.modelField14, header.modelField1C})
      if (picture.LandsInTagData(pointer, header.magic)) modelStarts.push_back(static_cast<std::uint32_t>(pointer - header.magic));

  // Each tag runs to the next entry whose field lands in the tag data (entries
  // that hold 0, as sbsp tags do, or a resource index are passed over); the
  // last one to the end of the tag data.
  std::optional<std::uint32_t> next;
  for (std::size_t n = count; n-- > 0;) {
    const PictureEntry& e = entries[n];
    TagPlace& place = picture.tags[n];
    place.offset = static_cast<std::uint32_t>(e.field - header.magic);
    place.base = e.field;
    if (ResourceIndexed(header, e)) {
      place.home = TagHome::Resource;
      place.resource = e.field;
      continue;
    }
    if (!lands[n]) {
      place.home = TagHome::Nowhere;
      continue;
    }
    if (e.class1 == "sbsp") {
      // A structure BSP's metadata is its section, found through the scenario;
      // a pointer it holds into the tag data still ends the tag before it.
      place.home = TagHome::Nowhere;
    } else {
      place.home = header.version == kCe && e.external == 1 ? TagHome::SoundBase : TagHome::TagData;
      if (next) {
        place.size = *next - e.field;
      } else {
        std::uint64_t end = picture.tagDataEnd;
        for (const std::uint64_t start : modelStarts)
          if (start > place.offset) end = std::min(end, start);
        place.size = static_cast<std::uint32_t>(end - place.offset);
      }
    }
    next = e.field;
  }
  ReadBspList(header, entries, read, picture);
  return picture;
}

std::string_view ResourceFileOf(std::string_view class1) {
  if (class1 == "bitm") return "bitmaps.map";
  if (class1 == "snd!") return "sounds.map";
  if (class1 == "font" || class1 == "ustr" || class1 == "hmt ") return "loc.map";
  return {};
}

std::string ExternalText(const TagPlace& place, std::string_view class1) {
  if (place.home == TagHome::SoundBase) return "base struct here, the rest in sounds.map";
  if (place.home != TagHome::Resource) return {};
  const std::string_view file = ResourceFileOf(class1);
  return "in " + std::string(file.empty() ? std::string_view("a resource map") : file) + ", entry " + std::to_string(place.resource);
}

}  // namespace jov
