#include "compare/Patch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "builder/AddTag.h"
#include "compare/MapChecksum.h"
#include "compare/ReferenceMeaning.h"
#include "edit/MapDocument.h"
#include "map/PlanStage.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/SaveFile.h"
#include "scanner/MetaHex.h"
#include "transfer/ReferenceTranslation.h"

namespace jov {

namespace {

using nlohmann::json;

constexpr std::uint32_t kEntrySize = 32;
constexpr std::uint32_t kFirstEntry = 0x24;  // from the index offset the model holds

std::string Utf8ToLatin1(const std::string& text, const std::string& what) {
  auto bytes = Latin1FromUtf8(text);
  if (!bytes) throw Refused("The patch is malformed: " + what + " holds a character outside Latin-1.");
  return std::move(*bytes);
}

std::string ToHex(const std::string& bytes) {
  return BytesToHex(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<long>(bytes.size()));
}

std::string FromHex(const std::string& hex, const std::string& what) {
  if (hex.size() % 2 != 0 || !std::all_of(hex.begin(), hex.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      }))
    throw Refused("The patch is malformed: " + what + " is not a text of hex digit pairs.");
  std::string bytes(hex.size() / 2, '\0');
  HexToBytes(hex, reinterpret_cast<unsigned char*>(bytes.data()));
  return bytes;
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

// Reading a document: every field is looked up through these, so a missing or
// mistyped one is named in the refusal.
const json& Field(const json& object, const char* key, const std::string& where) {
  if (!object.is_object() || !object.contains(key)) throw Refused("The patch is malformed: " + where + " has no \"" + key + "\".");
  return object.at(key);
}

std::string TextField(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_string()) throw Refused("The patch is malformed: \"" + std::string(key) + "\" of " + where + " is not a text.");
  return value.get<std::string>();
}

std::uint64_t NumberField(const json& object, const char* key, const std::string& where, std::uint64_t max) {
  const json& value = Field(object, key, where);
  if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max)
    throw Refused("The patch is malformed: \"" + std::string(key) + "\" of " + where + " is not a number from 0 to " +
                  std::to_string(max) + ".");
  return value.get<std::uint64_t>();
}

const json& ArrayField(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_array()) throw Refused("The patch is malformed: \"" + std::string(key) + "\" of " + where + " is not a list.");
  return value;
}

std::string TagText(const std::string& class1, const std::string& name) { return class1 + ":" + name; }

json ChangeToJson(const FieldChange& change) {
  return {{"field", change.field}, {"before", ToHex(change.before)}, {"after", ToHex(change.after)}};
}

// A record's "name" change holds two names, of any lengths; every other change
// replaces bytes in place.
FieldChange ChangeFromJson(const json& object, const std::string& where) {
  FieldChange change{TextField(object, "field", where), FromHex(TextField(object, "before", where), where + " before"),
                     FromHex(TextField(object, "after", where), where + " after")};
  if (change.field == "name") {
    if (change.after.empty() || change.after.find('\0') != std::string::npos || change.before.find('\0') != std::string::npos)
      throw Refused("The patch is malformed: " + where + " has a name change that is not a name.");
    return change;
  }
  if (change.before.size() != change.after.size())
    throw Refused("The patch is malformed: " + where + " has before and after of different lengths.");
  return change;
}

std::string TagText(const TagDifference& tag) { return tag.class1 + ":" + tag.name; }

const char* StateName(TagState state) {
  switch (state) {
    case TagState::OnlyInFirst: return "only in original";
    case TagState::OnlyInSecond: return "only in modified";
    case TagState::Changed: break;
  }
  return "changed";
}

TagState StateFromName(const std::string& name) {
  if (name == "changed") return TagState::Changed;
  if (name == "only in original") return TagState::OnlyInFirst;
  if (name == "only in modified") return TagState::OnlyInSecond;
  throw Refused("The patch is malformed: a tag's state \"" + name + "\" is none of changed, only in original, only in modified.");
}

std::string ReadFileBytes(const CMapFile& map, std::uint64_t offset, std::uint64_t length) {
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (length > 0) map.File().Read(offset, bytes.data(), bytes.size());
  return bytes;
}

std::uint64_t AppendAt(const CMapFile& map) {
  return std::min<std::uint64_t>(HexToUInt(map.m_strEofPosition), map.File().Length());
}

// Tag indexes by class 1 and name, the n-th of a pair at [n].
using TagsByKey = std::unordered_map<std::string, std::vector<int>>;
TagsByKey IndexByKey(const std::vector<TagEntry>& tags, std::size_t count) {
  TagsByKey byKey;
  for (std::size_t i = 0; i < count; ++i) byKey[tags[i].strClass1 + '\0' + tags[i].strName].push_back(static_cast<int>(i));
  return byKey;
}

int Find(const TagsByKey& byKey, const TagDifference& tag) {
  const auto it = byKey.find(tag.class1 + '\0' + tag.name);
  if (it == byKey.end() || tag.occurrence < 0 || static_cast<std::size_t>(tag.occurrence) >= it->second.size()) return -1;
  return it->second[static_cast<std::size_t>(tag.occurrence)];
}

// The patch's original as a map model without a file: enough for the reference
// translation, which reads only the index and the magic.
std::unique_ptr<CMapFile> IndexModel(const Patch& patch) {
  auto model = std::make_unique<CMapFile>();
  model->m_tags = patch.index;
  // A structure BSP's pointers count from its own base: the model, which has no
  // picture of sections, places the tag where the magic gives that base.
  for (TagEntry& tag : model->m_tags) {
    if (tag.eHome != TagHome::Bsp) continue;
    tag.strMetaOffset = UIntToHex(tag.nBase - patch.magic);
    tag.eHome = TagHome::TagData;
  }
  model->m_nTagCount = static_cast<std::uint16_t>(patch.index.size());
  model->m_strMagic = ToUpperAscii(UIntToHex(patch.magic));
  return model;
}

// True when the map numbers and places every tag as the patch's original does:
// its bytes then need no translation, and the round trip is exact even for tags
// that share a class and name.
bool SameTerms(const CMapFile& map, const Patch& patch) {
  if (map.Magic() != patch.magic || map.m_nTagCount != patch.index.size()) return false;
  for (std::size_t i = 0; i < patch.index.size(); ++i) {
    const TagEntry& a = map.m_tags[i];
    const TagEntry& b = patch.index[i];
    if (a.strClass1 != b.strClass1 || a.strName != b.strName || a.strIdentifier != b.strIdentifier ||
        HexToUInt(a.strMetaOffset) != HexToUInt(b.strMetaOffset) || a.nSize != b.nSize ||
        (!b.strNameOffset.empty() && HexToUInt(a.strNameOffset) != HexToUInt(b.strNameOffset)))
      return false;
  }
  return true;
}

std::string StoredClass(const std::string& code) {
  std::string padded = code.substr(0, 4);
  padded.resize(4, '\0');
  return std::string(padded.rbegin(), padded.rend());
}

std::string LeBytes(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return bytes;
}

const HeaderFieldPlace* PlaceOf(const std::string& field) {
  for (const HeaderFieldPlace& place : HeaderFieldPlaces())
    if (field == place.name) return &place;
  return nullptr;
}

}  // namespace

// Map texts are bytes; JSON wants UTF-8. Each byte is one Latin-1 character, so
// any byte (a class of four 0xFF bytes) survives the trip.
std::optional<std::string> Latin1FromUtf8(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += text[i];
    } else if ((b == 0xC2 || b == 0xC3) && i + 1 < text.size()) {
      out += static_cast<char>(((b & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

Patch CreatePatch(const CMapFile& original, const CMapFile& modified, const std::string& title,
                  const std::string& author) {
  return PatchFromComparison(CompareMaps(modified, original), original, modified, title, author);
}

Patch PatchFromComparison(const MapComparison& modifiedToOriginal, const CMapFile& original, const CMapFile& modified,
                          const std::string& title, const std::string& author) {
  Patch patch;
  patch.title = title;
  patch.author = author;
  patch.source = {original.m_strMapName, original.m_strBuildDate, original.m_nVersion, original.m_nTagCount,
                  MapFileCrc32(original)};
  patch.magic = original.Magic();
  for (std::size_t i = 0; i < original.m_tags.size(); ++i) {
    const TagEntry& tag = original.m_tags[i];
    TagEntry record;
    if (tag.eHome == TagHome::Bsp) {
      record.eHome = TagHome::Bsp;
      record.nBase = original.MetaBase(static_cast<int>(i));
    }
    record.strClass1 = tag.strClass1;
    record.strName = tag.strName;
    record.strIdentifier = tag.strIdentifier;
    record.strMetaOffset = tag.strMetaOffset;
    record.strNameOffset = tag.strNameOffset;
    record.nSize = tag.nSize;
    patch.index.push_back(std::move(record));
  }
  // The comparison ran from the modified map to the original: swap the sides back.
  for (const FieldChange& change : modifiedToOriginal.header) patch.header.push_back({change.field, change.after, change.before});

  const std::uint64_t appendAt = AppendAt(original);
  const std::uint64_t modifiedLength = modified.File().Length();
  if (modifiedLength > appendAt) {
    patch.appended = ReadFileBytes(modified, appendAt, modifiedLength - appendAt);
    const std::uint64_t originalLength = original.File().Length();
    if (originalLength > appendAt)
      patch.appendedBefore =
          ReadFileBytes(original, appendAt, std::min<std::uint64_t>(originalLength, modifiedLength) - appendAt);
  }
  // A tag is found in the map a patch is applied to as the n-th of its class
  // and name in the original, whichever name the modified map gives it.
  std::vector<int> occurrenceInOriginal(original.m_nTagCount, 0);
  {
    std::unordered_map<std::string, int> seen;
    for (std::size_t i = 0; i < occurrenceInOriginal.size(); ++i)
      occurrenceInOriginal[i] = seen[original.m_tags[i].strClass1 + '\0' + original.m_tags[i].strName]++;
  }

  // Add Tag writes a new entry over what follows the index, often the first
  // names: those tags read under other names in the modified map, but the entry
  // carries those bytes, so they are no renames.
  const auto underAddedEntry = [&](const TagEntry& entry) {
    const std::uint64_t at = HexToUInt(entry.strNameOffset);
    for (std::size_t t = original.m_nTagCount; t < modified.m_nTagCount; ++t) {
      const std::uint64_t entryAt = HexToUInt(modified.m_tags[t].strEntryOffset);
      if (at >= entryAt && at < entryAt + kEntrySize) return true;
    }
    return false;
  };

  for (const TagDifference& difference : modifiedToOriginal.tags) {
    TagDifference tag = difference;
    if (!tag.secondName.empty() && underAddedEntry(modified.m_tags[static_cast<std::size_t>(tag.first)])) {
      std::erase_if(tag.record, [](const FieldChange& change) { return change.field == "name"; });
      tag.name = tag.secondName;
      tag.secondName.clear();
      if (tag.record.empty() && tag.ranges.empty()) continue;
    }
    std::swap(tag.first, tag.second);
    // Offsets in the modified map mean nothing where the patch is applied; the
    // original's are in its index.
    tag.metaFirst = tag.metaSecond;
    tag.metaSecond.reset();
    if (!tag.secondName.empty()) std::swap(tag.name, tag.secondName);
    if (tag.first >= 0) tag.occurrence = occurrenceInOriginal[static_cast<std::size_t>(tag.first)];
    for (ByteRange& range : tag.ranges) std::swap(range.before, range.after);
    for (FieldChange& change : tag.record) std::swap(change.before, change.after);
    if (difference.state == TagState::OnlyInFirst) tag.state = TagState::OnlyInSecond;
    if (difference.state == TagState::OnlyInSecond) tag.state = TagState::OnlyInFirst;

    if (tag.state == TagState::OnlyInSecond && tag.second >= original.m_nTagCount) {
      const TagEntry& entry = modified.m_tags[static_cast<std::size_t>(tag.second)];
      PatchAddedTag added;
      added.class1 = entry.strClass1;
      added.name = entry.strName;
      added.entry = ReadFileBytes(modified, HexToUInt(entry.strEntryOffset), kEntrySize);
      const std::uint64_t entryAt = HexToUInt(entry.strEntryOffset);
      if (entryAt < original.File().Length())
        added.entryBefore = ReadFileBytes(original, entryAt, std::min<std::uint64_t>(kEntrySize, original.File().Length() - entryAt));
      else
        added.entryBefore = std::string();
      const auto inAppended = [&](std::uint32_t offset) -> std::optional<std::uint32_t> {
        if (offset >= appendAt && offset < modifiedLength) return static_cast<std::uint32_t>(offset - appendAt);
        return std::nullopt;
      };
      added.nameInAppended = inAppended(HexToUInt(entry.strNameOffset));
      added.metaInAppended = inAppended(HexToUInt(entry.strMetaOffset));
      // The last tag's size reads 0: its room runs to the EoF Position.
      const std::uint32_t eof = HexToUInt(modified.m_strEofPosition);
      added.room = entry.nSize != 0 || HexToUInt(entry.strMetaOffset) > eof ? entry.nSize : eof - HexToUInt(entry.strMetaOffset);
      patch.added.push_back(std::move(added));
      continue;
    }
    patch.tags.push_back(std::move(tag));
  }
  return patch;
}

std::string PatchToJson(const Patch& patch) {
  json document;
  document["format"] = kPatchFormat;
  document["version"] = kPatchFormatVersion;
  document["title"] = Latin1ToUtf8(patch.title);
  document["author"] = Latin1ToUtf8(patch.author);
  document["map"] = {{"name", Latin1ToUtf8(patch.source.name)},
                     {"build", Latin1ToUtf8(patch.source.build)},
                     {"version", patch.source.version},
                     {"tags", patch.source.tagCount},
                     {"crc32", Hex8(patch.source.crc32)}};
  json index = json::array();
  for (const TagEntry& tag : patch.index) {
    json item = {{"class", Latin1ToUtf8(tag.strClass1)},
                 {"name", Latin1ToUtf8(tag.strName)},
                 {"identifier", tag.strIdentifier},
                 {"meta", HexToUInt(tag.strMetaOffset)},
                 {"size", tag.nSize}};
    // Where the name lay: references' name pointers follow it to another layout.
    if (!tag.strNameOffset.empty()) item["name at"] = HexToUInt(tag.strNameOffset);
    // A structure BSP's base address: its pointers count from there.
    if (tag.eHome == TagHome::Bsp) item["base"] = tag.nBase;
    index.push_back(std::move(item));
  }
  document["index"] = {{"magic", Hex8(patch.magic)}, {"tags", std::move(index)}};
  json header = json::array();
  for (const FieldChange& change : patch.header) header.push_back(ChangeToJson(change));
  document["header"] = std::move(header);
  json tags = json::array();
  for (const TagDifference& tag : patch.tags) {
    json ranges = json::array();
    for (const ByteRange& range : tag.ranges)
      ranges.push_back({{"offset", range.offset}, {"before", ToHex(range.before)}, {"after", ToHex(range.after)}});
    json record = json::array();
    for (const FieldChange& change : tag.record) record.push_back(ChangeToJson(change));
    tags.push_back({{"state", StateName(tag.state)},
                    {"class", Latin1ToUtf8(tag.class1)},
                    {"name", Latin1ToUtf8(tag.name)},
                    {"occurrence", tag.occurrence},
                    {"ranges", std::move(ranges)},
                    {"record", std::move(record)}});
  }
  document["tags"] = std::move(tags);
  json added = json::array();
  for (const PatchAddedTag& tag : patch.added) {
    json item = {{"class", Latin1ToUtf8(tag.class1)}, {"name", Latin1ToUtf8(tag.name)}, {"entry", ToHex(tag.entry)}, {"room", tag.room}};
    item["name at"] = tag.nameInAppended ? json(*tag.nameInAppended) : json(nullptr);
    item["meta at"] = tag.metaInAppended ? json(*tag.metaInAppended) : json(nullptr);
    if (tag.entryBefore) item["entry before"] = ToHex(*tag.entryBefore);
    added.push_back(std::move(item));
  }
  document["added"] = std::move(added);
  document["appended"] = ToHex(patch.appended);
  if (!patch.appendedBefore.empty()) document["appended before"] = ToHex(patch.appendedBefore);
  return document.dump(1) + "\n";
}

Patch PatchFromJson(const std::string& text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& error) {
    // A parse error, or a number past what a double holds (out_of_range).
    throw Refused(std::string("The patch is not a JSON document: ") + error.what());
  }
  if (!document.is_object()) throw Refused("The patch is not a JSON object.");
  if (TextField(document, "format", "the patch") != kPatchFormat)
    throw Refused("The file is not a patch: its format is not \"" + std::string(kPatchFormat) + "\".");
  const json& version = Field(document, "version", "the patch");
  if (!version.is_number_integer() || version.get<long long>() != kPatchFormatVersion)
    throw Refused("The patch has format version " + version.dump() + "; this program reads version " +
                  std::to_string(kPatchFormatVersion) + ".");

  Patch patch;
  patch.title = Utf8ToLatin1(TextField(document, "title", "the patch"), "the title");
  patch.author = Utf8ToLatin1(TextField(document, "author", "the patch"), "the author");
  const json& map = Field(document, "map", "the patch");
  patch.source.name = Utf8ToLatin1(TextField(map, "name", "\"map\""), "the map name");
  patch.source.build = Utf8ToLatin1(TextField(map, "build", "\"map\""), "the build");
  patch.source.version = static_cast<std::uint16_t>(NumberField(map, "version", "\"map\"", 0xFFFF));
  patch.source.tagCount = static_cast<std::uint16_t>(NumberField(map, "tags", "\"map\"", 0xFFFF));
  const std::string crc = FromHex(TextField(map, "crc32", "\"map\""), "the CRC32");
  if (crc.size() != 4) throw Refused("The patch is malformed: the CRC32 is not 8 hex digits.");
  patch.source.crc32 = static_cast<std::uint32_t>(static_cast<unsigned char>(crc[0])) << 24 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(crc[1])) << 16 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(crc[2])) << 8 |
                       static_cast<unsigned char>(crc[3]);

  const json& index = Field(document, "index", "the patch");
  const std::string magic = FromHex(TextField(index, "magic", "\"index\""), "the magic");
  if (magic.size() != 4) throw Refused("The patch is malformed: the magic is not 8 hex digits.");
  patch.magic = HexToUInt(TextField(index, "magic", "\"index\""));
  for (const json& item : ArrayField(index, "tags", "\"index\"")) {
    const std::string where = "tag " + std::to_string(patch.index.size()) + " of the index";
    TagEntry tag;
    tag.strClass1 = Utf8ToLatin1(TextField(item, "class", where), where);
    tag.strName = Utf8ToLatin1(TextField(item, "name", where), where);
    tag.strIdentifier = TextField(item, "identifier", where);
    if (FromHex(tag.strIdentifier, where + " identifier").size() != 4)
      throw Refused("The patch is malformed: the identifier of " + where + " is not 8 hex digits.");
    tag.strMetaOffset = UIntToHex(static_cast<std::uint32_t>(NumberField(item, "meta", where, 0xFFFFFFFF)));
    tag.nSize = static_cast<std::uint32_t>(NumberField(item, "size", where, 0xFFFFFFFF));
    // Patches made before it was recorded do without.
    if (item.contains("name at")) tag.strNameOffset = UIntToHex(static_cast<std::uint32_t>(NumberField(item, "name at", where, 0xFFFFFFFF)));
    if (item.contains("base")) {
      tag.eHome = TagHome::Bsp;
      tag.nBase = static_cast<std::uint32_t>(NumberField(item, "base", where, 0xFFFFFFFF));
    }
    patch.index.push_back(std::move(tag));
  }
  if (patch.index.size() > 0xFFFF) throw Refused("The patch is malformed: its index holds more than 65535 tags.");
  const TagsByKey originalByKey = IndexByKey(patch.index, patch.index.size());

  for (const json& item : ArrayField(document, "header", "the patch")) {
    FieldChange change = ChangeFromJson(item, "a header change");
    const HeaderFieldPlace* place = PlaceOf(change.field);
    if (!place) throw Refused("The patch is malformed: it changes a header field \"" + change.field + "\" that maps do not have.");
    if (change.after.size() != place->length)
      throw Refused("The patch is malformed: the header field " + change.field + " does not hold " + std::to_string(place->length) + " bytes.");
    patch.header.push_back(std::move(change));
  }

  for (const json& item : ArrayField(document, "tags", "the patch")) {
    TagDifference tag;
    tag.state = StateFromName(TextField(item, "state", "a tag change"));
    tag.class1 = Utf8ToLatin1(TextField(item, "class", "a tag change"), "a tag's class");
    tag.name = Utf8ToLatin1(TextField(item, "name", "a tag change"), "a tag's name");
    const std::string where = TagText(tag.class1, tag.name);
    tag.occurrence = static_cast<int>(NumberField(item, "occurrence", where, 0xFFFF));
    tag.first = tag.state == TagState::OnlyInSecond ? -1 : Find(originalByKey, tag);
    if (tag.state != TagState::OnlyInSecond && tag.first < 0)
      throw Refused("The patch is malformed: " + where + " is not in the index of the map it was made from.");
    if (tag.first >= 0) tag.metaFirst = HexToUInt(patch.index[static_cast<std::size_t>(tag.first)].strMetaOffset);
    for (const json& r : ArrayField(item, "ranges", where)) {
      ByteRange range;
      range.offset = static_cast<std::uint32_t>(NumberField(r, "offset", where, 0xFFFFFFFF));
      range.before = FromHex(TextField(r, "before", where), where + " before");
      range.after = FromHex(TextField(r, "after", where), where + " after");
      if (range.before.size() != range.after.size())
        throw Refused("The patch is malformed: a range of " + where + " has before and after of different lengths.");
      const std::uint32_t size = patch.index[static_cast<std::size_t>(std::max(tag.first, 0))].nSize;
      if (tag.first < 0 || std::uint64_t{range.offset} + range.after.size() > size)
        throw Refused(std::string(kPatchPastMetadata) + where + " +0x" + UIntToHex(range.offset) + " (" +
                      std::to_string(range.after.size()) + ") in " + std::to_string(size) + " bytes.");
      tag.ranges.push_back(std::move(range));
    }
    for (const json& r : ArrayField(item, "record", where)) {
      FieldChange change = ChangeFromJson(r, where);
      if (change.field != "class 2" && change.field != "class 3" && change.field != "size" && change.field != "name")
        throw Refused("The patch is malformed: " + where + " changes a record field \"" + change.field + "\" that tags do not have.");
      if (change.field == "name") tag.secondName = change.after;
      tag.record.push_back(std::move(change));
    }
    patch.tags.push_back(std::move(tag));
  }

  for (const json& item : ArrayField(document, "added", "the patch")) {
    PatchAddedTag tag;
    tag.class1 = Utf8ToLatin1(TextField(item, "class", "an added tag"), "an added tag's class");
    tag.name = Utf8ToLatin1(TextField(item, "name", "an added tag"), "an added tag's name");
    const std::string where = TagText(tag.class1, tag.name);
    tag.entry = FromHex(TextField(item, "entry", where), where + " entry");
    if (tag.entry.size() != kEntrySize) throw Refused("The patch is malformed: the entry of " + where + " is not 32 bytes.");
    tag.room = static_cast<std::uint32_t>(NumberField(item, "room", where, 0xFFFFFFFF));
    for (const auto& [key, slot] : {std::pair{"name at", &tag.nameInAppended}, std::pair{"meta at", &tag.metaInAppended}}) {
      const json& at = Field(item, key, where);
      if (at.is_null()) continue;
      *slot = static_cast<std::uint32_t>(NumberField(item, key, where, 0xFFFFFFFF));
    }
    if (item.contains("entry before")) {
      tag.entryBefore = FromHex(TextField(item, "entry before", where), where + " entry before");
      if (tag.entryBefore->size() > kEntrySize)
        throw Refused("The patch is malformed: the bytes before the entry of " + where + " are more than 32.");
    }
    patch.added.push_back(std::move(tag));
  }
  patch.appended = FromHex(TextField(document, "appended", "the patch"), "the appended data");
  if (document.contains("appended before")) {
    patch.appendedBefore = FromHex(TextField(document, "appended before", "the patch"), "the bytes before the appended data");
    if (patch.appendedBefore.size() > patch.appended.size())
      throw Refused("The patch is malformed: it says its appended data overwrites more bytes than it holds.");
  }
  for (const PatchAddedTag& tag : patch.added)
    for (const auto& at : {tag.nameInAppended, tag.metaInAppended})
      if (at && *at >= patch.appended.size())
        throw Refused("The patch is malformed: " + TagText(tag.class1, tag.name) + " lies past the appended data.");
  return patch;
}

void WritePatchFile(const std::string& path, const Patch& patch) {
  const std::string text = PatchToJson(patch);
  SaveFile file(path, path);
  file.File().Write(0, text.data(), text.size());
  file.Commit();
}

Patch ReadPatchFile(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  if (file.Length() > kMaxPatchFileSize) throw Refused(FillText(kPatchTooLarge, {path, std::to_string(file.Length())}));
  std::string text(static_cast<std::size_t>(file.Length()), '\0');
  file.Read(0, text.data(), text.size());
  return PatchFromJson(text);
}

std::vector<std::string> PatchLines(const Patch& patch) {
  std::size_t changed = 0, onlyOriginal = 0, onlyModified = patch.added.size();
  for (const TagDifference& tag : patch.tags) {
    changed += tag.state == TagState::Changed ? 1 : 0;
    onlyOriginal += tag.state == TagState::OnlyInFirst ? 1 : 0;
    onlyModified += tag.state == TagState::OnlyInSecond ? 1 : 0;
  }
  std::vector<std::string> lines;
  lines.push_back("Title: " + patch.title);
  lines.push_back("Author: " + patch.author);
  lines.push_back("Made from: " + patch.source.name + " (build " + patch.source.build + ", version " +
                  std::to_string(patch.source.version) + ", " + std::to_string(patch.source.tagCount) + " tags, CRC32 " +
                  Hex8(patch.source.crc32) + ")");
  lines.push_back(std::to_string(patch.index.size() - onlyOriginal) + " tags matched, " + std::to_string(changed) +
                  " changed, " + std::to_string(onlyOriginal) + " only in Map 1, " + std::to_string(onlyModified) +
                  " only in Map 2");
  for (const FieldChange& change : patch.header) lines.push_back(HeaderLine(change));
  for (const TagDifference& tag : patch.tags) lines.push_back(DifferenceLine(tag));
  for (const PatchAddedTag& tag : patch.added)
    lines.push_back("only in Map 2  " + TagText(tag.class1, tag.name) + "  added, " + std::to_string(tag.room) + " bytes of room");
  if (!patch.appended.empty()) lines.push_back("appended  " + std::to_string(patch.appended.size()) + " bytes");
  return lines;
}

std::vector<std::string> LeftOutLines(const Patch& patch) {
  std::vector<std::string> lines;
  for (const TagDifference& tag : patch.tags) {
    if (tag.state == TagState::OnlyInFirst)
      lines.push_back("only in Map 1  " + TagText(tag) + "  a patch cannot remove a tag");
    else if (tag.state == TagState::OnlyInSecond)
      lines.push_back("only in Map 2  " + TagText(tag) + "  a patch adds tags only after the original's last one");
    for (const FieldChange& change : tag.record)
      if (change.field == "name" && change.after.size() > change.before.size())
        lines.push_back("renamed  " + TagText(tag) + " -> " + tag.class1 + ":" + change.after +
                        "  the new name is longer than the old one's room");
  }
  return lines;
}

PatchResult PlanApplyPatch(CMapFile& map, const Patch& patch, UserDialogs& dialogs) {
  PatchResult result;
  result.leftOut = LeftOutLines(patch);
  const TagsByKey targetByKey = IndexByKey(map.m_tags, map.m_nTagCount);
  const TagsByKey originalByKey = IndexByKey(patch.index, patch.index.size());

  // Every tag found and every range inside its metadata before anything is asked.
  struct Located {
    const TagDifference* change;
    int target;
    int original;
  };
  std::vector<Located> located;
  for (const TagDifference& tag : patch.tags) {
    if (tag.state != TagState::Changed) continue;
    const int t = Find(targetByKey, tag);
    const int o = Find(originalByKey, tag);
    if (t < 0 || o < 0) throw Refused(kPatchMissingTag + TagText(tag.class1, tag.name));
    const std::uint32_t size = map.m_tags[static_cast<std::size_t>(t)].nSize;
    for (const ByteRange& range : tag.ranges)
      if (std::uint64_t{range.offset} + range.after.size() > size)
        throw Refused(std::string(kPatchPastMetadata) + TagText(tag.class1, tag.name) + " +0x" + UIntToHex(range.offset) +
                      " (" + std::to_string(range.after.size()) + ") in " + std::to_string(size) + " bytes.");
    located.push_back({&tag, t, o});
  }

  // Added entries go after the last one the Tag Count counts: a patch that
  // does not count them (its header list cut) would write them over whatever
  // follows the index, typically the first tags' names, and leave them unread.
  if (!patch.added.empty()) {
    std::uint32_t raised = 0;
    for (const FieldChange& change : patch.header)
      if (change.field == "Tag Count" && change.before.size() == 2 && change.after.size() == 2)
        raised = ReadLe16(reinterpret_cast<const unsigned char*>(change.after.data())) -
                 static_cast<std::uint32_t>(ReadLe16(reinterpret_cast<const unsigned char*>(change.before.data())));
    if (raised != patch.added.size()) throw Refused(FillText(kPatchTagCountText, {std::to_string(patch.added.size())}));
  }

  if (MapFileCrc32(map) != patch.source.crc32 && !dialogs.AskYesNoDefaultNo(kPatchOtherMapQuestion)) return result;

  std::vector<PlannedWrite> metadataWrites, recordWrites, headerWrites, addedWrites;
  const bool sameTerms = SameTerms(map, patch);
  const std::unique_ptr<CMapFile> original = IndexModel(patch);
  std::optional<ReferenceTranslator> intoOriginal, intoMap;
  std::optional<NamePointerTranslator> namesIntoOriginal, namesIntoMap;
  std::optional<ReferenceMeaning> meaning;
  std::optional<IdentifierMeaning> idsIntoOriginal, idsIntoMap;
  if (!sameTerms) {
    idsIntoOriginal.emplace(map, *original);
    idsIntoMap.emplace(*original, map);
    intoOriginal.emplace(map, *original);
    intoMap.emplace(*original, map);
    namesIntoOriginal.emplace(map, *original);
    namesIntoMap.emplace(*original, map);
    meaning.emplace(*original, map);
  }

  for (const Located& at : located) {
    const TagDifference& tag = *at.change;
    const std::string name = TagText(tag.class1, tag.name);
    const TagEntry& entry = map.m_tags[static_cast<std::size_t>(at.target)];
    if (!tag.ranges.empty()) {
      const std::string current = ReadMetaBytes(map, at.target);
      std::string asOriginal = current;
      // This map's name pointers where references name the same tags as the
      // original's do, whose names lie elsewhere here, and identifiers of the
      // same tags the translation left: not compared, and kept unless the patch
      // changes them.
      std::vector<WordAt> ownNamePointers;
      if (!sameTerms) {
        const std::vector<WordAt> namePointers = namesIntoOriginal->Find(current);
        std::string text = ToHex(current);
        intoOriginal->Translate(text, at.target, at.original);
        asOriginal = FromHex(text, name);
        NamePointerTranslator::Put(asOriginal, namePointers);
        std::string expected = asOriginal;
        for (const ByteRange& range : tag.ranges) expected.replace(range.offset, range.before.size(), range.before);
        ownNamePointers = meaning->MatchNamePointers(asOriginal, expected);
        for (const WordAt& own : idsIntoOriginal->Match(asOriginal, current, expected)) ownNamePointers.push_back(own);
        for (const WordAt& own : MatchUnmovedNumbers(asOriginal, current, expected, map.MetaBase(at.target), entry.nSize))
          ownNamePointers.push_back(own);
      }
      bool verified = true;
      for (const ByteRange& range : tag.ranges) {
        const std::string found = asOriginal.substr(range.offset, range.before.size());
        if (found != range.before) {
          result.conflicts.push_back({name, "", range.offset, range.before, found});
          verified = false;
        }
        asOriginal.replace(range.offset, range.after.size(), range.after);
      }
      if (verified) {
        std::string bytes = std::move(asOriginal);
        if (!sameTerms) {
          for (const WordAt& own : ownNamePointers) {
            const auto changes = [&](const ByteRange& range) {
              for (std::size_t i = 0; i < 4; ++i) {
                const std::size_t b = own.offset + i;
                if (b >= range.offset && b < range.offset + range.after.size() &&
                    range.after[b - range.offset] != range.before[b - range.offset])
                  return true;
              }
              return false;
            };
            if (std::none_of(tag.ranges.begin(), tag.ranges.end(), changes)) NamePointerTranslator::Put(bytes, {own});
          }
          const std::vector<WordAt> namePointers = namesIntoMap->Find(bytes);
          const std::string inOriginalTerms = bytes;
          std::string text = ToHex(bytes);
          intoMap->Translate(text, at.original, at.target);
          bytes = FromHex(text, name);
          NamePointerTranslator::Put(bytes, namePointers);
          std::vector<std::pair<std::size_t, std::size_t>> runs;
          for (const ByteRange& range : tag.ranges) runs.emplace_back(range.offset, std::size_t{range.offset} + range.after.size());
          idsIntoMap->Carry(bytes, inOriginalTerms, runs);
        }
        // A reference changed in a range can take other bytes around it in this
        // map's terms (an identifier whose middle byte happened to stay): every
        // byte that changes within a word's reach of a range is written.
        std::vector<bool> near(bytes.size(), false);
        for (const ByteRange& range : tag.ranges) {
          const std::size_t from = range.offset < 3 ? 0 : range.offset - 3;
          const std::size_t to = std::min<std::size_t>(bytes.size(), std::size_t{range.offset} + range.after.size() + 3);
          std::fill(near.begin() + static_cast<long>(from), near.begin() + static_cast<long>(to), true);
        }
        for (std::size_t i = 0; i < bytes.size();) {
          if (!near[i] || bytes[i] == current[i]) {
            ++i;
            continue;
          }
          std::size_t end = i;
          while (end < bytes.size() && near[end] && bytes[end] != current[end]) ++end;
          metadataWrites.push_back({HexToUInt(entry.strMetaOffset) + std::uint64_t{i}, bytes.substr(i, end - i),
                                    name + " +0x" + UIntToHex(static_cast<std::uint32_t>(i))});
          i = end;
        }
      }
    }
    for (const FieldChange& change : tag.record) {
      if (change.field == "name") {
        if (entry.strName != change.before) {
          result.conflicts.push_back({name, change.field, 0, change.before, entry.strName});
        } else if (change.after.size() <= change.before.size()) {
          // The new name in the old one's room, the rest zeros; a longer name is left out.
          std::string bytes = change.after;
          bytes.resize(change.before.size() + 1, '\0');
          recordWrites.push_back({HexToUInt(entry.strNameOffset), bytes, name + " name"});
        }
        continue;
      }
      std::string found;
      if (change.field == "size") found = LeBytes(entry.nSize);
      else found = StoredClass(change.field == "class 2" ? entry.strClass2 : entry.strClass3);
      const std::string before = change.field == "size" ? change.before : StoredClass(change.before);
      if (found != before) {
        result.conflicts.push_back({name, change.field, 0, before, found});
        continue;
      }
      if (change.field == "size") continue;  // follows from the next entry; nothing to write
      recordWrites.push_back({HexToUInt(entry.strEntryOffset) + (change.field == "class 2" ? 4u : 8u),
                              StoredClass(change.after), name + " " + change.field});
    }
  }

  for (const FieldChange& change : patch.header) {
    const HeaderFieldPlace& place = *PlaceOf(change.field);
    const std::uint64_t offset = HeaderFieldOffset(map, place);
    const std::string found = ReadFileBytes(map, offset, place.length);
    if (found != change.before && !sameTerms && place.offset == 0x08 && !place.inIndexHeader) {
      // A map laid out otherwise ends elsewhere: it grows by what the original grew.
      const auto word = [](const std::string& bytes) { return ReadLe32(reinterpret_cast<const unsigned char*>(bytes.data())); };
      headerWrites.push_back({offset, LeBytes(word(found) + (word(change.after) - word(change.before))), "header " + change.field});
      continue;
    }
    if (found != change.before) result.conflicts.push_back({"header", change.field, 0, change.before, found});
    else headerWrites.push_back({offset, change.after, std::string("header ") + change.field});
  }

  // New entries and appended data overwrite bytes no change of the patch
  // names: they must hold what the original held there (when the patch says
  // and the map is laid out as the original), and tag names or metadata of this
  // map under them are overwritten only when the user says so.
  const std::uint64_t length = map.File().Length();
  const std::uint64_t appendAt = AppendAt(map);
  const auto held = [&](std::uint64_t offset, std::uint64_t n) {
    return offset >= length ? std::string() : ReadFileBytes(map, offset, std::min(n, length - offset));
  };
  const std::uint64_t firstEntry = std::uint64_t{HexToUInt(map.m_strIndexOffset)} + kFirstEntry;
  for (std::size_t j = 0; j < patch.added.size(); ++j) {
    const PatchAddedTag& tag = patch.added[j];
    std::string entry = tag.entry;
    if (tag.nameInAppended) entry.replace(0x10, 4, LeBytes(static_cast<std::uint32_t>(appendAt + *tag.nameInAppended) + map.Magic()));
    if (tag.metaInAppended) entry.replace(0x14, 4, LeBytes(static_cast<std::uint32_t>(appendAt + *tag.metaInAppended) + map.Magic()));
    const std::uint64_t at = firstEntry + kEntrySize * (map.m_nTagCount + j);
    const std::string found = held(at, kEntrySize);
    if (sameTerms && tag.entryBefore && found != *tag.entryBefore)
      result.conflicts.push_back({TagText(tag.class1, tag.name), "bytes under its new entry", 0, *tag.entryBefore, found});
    addedWrites.push_back({at, entry, "entry of " + TagText(tag.class1, tag.name)});
  }
  if (!patch.appended.empty()) {
    const std::string found = held(appendAt, patch.appended.size());
    if (found != patch.appendedBefore)
      result.conflicts.push_back({"appended data", "bytes past the EoF Position", 0, patch.appendedBefore, found});
  }

  if (!result.conflicts.empty()) {
    result.outcome = ApplyOutcome::Conflicts;
    return result;
  }
  bool overwritesTagData = !patch.appended.empty() && OverlapsTagData(map, appendAt, patch.appended.size());
  for (const PlannedWrite& write : addedWrites) overwritesTagData = overwritesTagData || OverlapsTagData(map, write.offset, write.bytes.size());
  if (overwritesTagData && !dialogs.AskYesNoDefaultNo(kPatchOverwriteQuestion)) return result;

  // Data before the entries and header fields that make it reachable.
  if (!patch.appended.empty()) result.writes.push_back({appendAt, patch.appended, "appended data"});
  for (auto* group : {&addedWrites, &metadataWrites, &recordWrites, &headerWrites})
    result.writes.insert(result.writes.end(), group->begin(), group->end());
  for (const PlannedWrite& write : result.writes)
    if (write.offset + write.bytes.size() > BinaryFile::kMaxPosition + 1)
      throw FileError(FileError::Cause::BadSeek, map.File().DisplayName());

  result.plan = PlanOf(map, "Apply Patch " + patch.title, [&] {
    for (const PlannedWrite& write : result.writes) map.File().Write(write.offset, write.bytes.data(), write.bytes.size());
  });
  // What each write was verified against must still be there when it is written.
  for (const PlannedWrite& write : result.writes) {
    const std::string found = held(write.offset, write.bytes.size());
    if (!found.empty()) result.plan.expects.push_back({write.offset, {found.begin(), found.end()}, write.what, {}, 0});
  }
  result.outcome = ApplyOutcome::Verified;
  return result;
}

PatchResult ApplyPatch(CMapFile& map, const Patch& patch, UserDialogs& dialogs, MapDocument* document) {
  PatchResult result = PlanApplyPatch(map, patch, dialogs);
  if (result.outcome != ApplyOutcome::Verified || !document) return result;
  document->Apply(result.plan);
  result.outcome = ApplyOutcome::Applied;
  return result;
}

std::string ConflictLine(const PatchConflict& conflict) {
  std::string line = "conflict  " + conflict.tag;
  line += conflict.field.empty() ? "  +0x" + UIntToHex(conflict.offset) : "  " + conflict.field;
  return line + "  expected " + ToHex(conflict.expected) + "  found " + ToHex(conflict.found);
}

}  // namespace jov
