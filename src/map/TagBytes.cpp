#include "map/TagBytes.h"

#include "map/Refused.h"
#include "map/ResourceMap.h"
#include "map/ValueText.h"
#include "platform/FileError.h"

namespace jov {

namespace {

// The resource map type each file name must carry.
std::uint32_t TypeOf(std::string_view file) {
  if (file == "bitmaps.map") return 1;
  if (file == "sounds.map") return 2;
  return 3;
}

std::string TagText(const TagEntry& tag) { return tag.strClass1 + ":" + tag.strName; }

}  // namespace

std::string WhereTagLives(const CMapFile& map, int i) {
  const TagEntry& tag = map.m_tags.at(static_cast<std::size_t>(i));
  TagPlace place;
  place.home = tag.eHome;
  place.resource = tag.nResource;
  return ExternalText(place, tag.strClass1);
}

std::vector<unsigned char> ReadTagBytes(const CMapFile& map, int i) {
  const TagEntry& tag = map.m_tags.at(static_cast<std::size_t>(i));
  if (tag.eHome != TagHome::Resource) {
    std::vector<unsigned char> bytes(tag.nSize);
    map.File().Read(HexToUInt(tag.strMetaOffset), bytes.data(), bytes.size());
    return bytes;
  }
  const std::string file(ResourceFileOf(tag.strClass1));
  if (file.empty()) throw Refused(TagText(tag) + " is marked external, but no resource map holds tags of class " + tag.strClass1 + ".");
  const ResourceMapFile* resources = nullptr;
  try {
    resources = &map.ResourceMap(file);
  } catch (const FileError&) {
    throw Refused(FillText(kResourceMapNeeded, {TagText(tag), WhereTagLives(map, i), map.ResourceFolder(), file}));
  }
  if (resources->Listing().type != TypeOf(file))
    throw BadResourceMap(file, "it is a " + ResourceTypeName(resources->Listing().type) + " resource map, not " +
                                   ResourceTypeName(TypeOf(file)) + " (the map names tags of " + file + ")");
  return resources->ReadEntry(tag.nResource);
}

void RefuseWriteOutsideMap(const CMapFile& map, int i) {
  const TagEntry& tag = map.m_tags.at(static_cast<std::size_t>(i));
  if (tag.eHome == TagHome::Resource) throw Refused(FillText(kWriteToResourceMap, {TagText(tag), WhereTagLives(map, i)}));
}

void RefuseStructureBspTransfer(const CMapFile& map, int i) {
  const TagEntry& tag = map.m_tags.at(static_cast<std::size_t>(i));
  if (tag.eHome == TagHome::Bsp) throw Refused(FillText(kStructureBspTransfer, {TagText(tag)}));
}

}  // namespace jov
