// Writes the seed corpora of the fuzz targets, one folder per target under the
// folder named on the command line, from the map writer: maps of versions 5, 7
// and 0x261 with a few tags each, with the leading choice bytes each target reads;
// definition and plugin files; patches made from the patch target's map. And
// the dictionaries: map.dict, definition.dict, plugin.dict.
//
//   jov_fuzz_seeds OUTDIR
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "compare/Patch.h"
#include "fields/FieldDefinition.h"
#include "map/SampleMap.h"
#include "map/TagClassTable.h"
#include "platform/MemoryTreeView.h"

using namespace jov;

namespace {

using Bytes = std::vector<unsigned char>;

// The same map with its index header right after the 0x64 header bytes the
// reader looks at, and nothing after its EoF Position: the index offset moves
// down and the magic up by the same amount, so every stored pointer (and the
// index magic) keeps its value and still points where it did. Small seeds leave
// the fuzzer fewer dead bytes to mutate.
Bytes CompactMap(std::uint16_t version, int tags, std::uint32_t seed, std::uint32_t metaBytes) {
  SampleMapPlan plan = GenerateSampleMap(version, tags, seed, metaBytes);
  const std::uint32_t shift = plan.indexOffset - 0x80;
  plan.indexOffset -= shift;
  plan.magic += shift;
  Bytes bytes = WriteSampleMap(plan);
  bytes.resize(LayoutOf(plan).eofPosition);
  return bytes;
}

Bytes FullMap(std::uint16_t version, int tags, std::uint32_t seed, std::uint32_t metaBytes) {
  return WriteSampleMap(GenerateSampleMap(version, tags, seed, metaBytes));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A patch from original to modified, both written under work/ and opened.
std::string PatchText(const std::string& work, const Bytes& original, const Bytes& modified, const std::string& title) {
  std::filesystem::create_directories(work);
  WriteBytesToFile(work + "/original.map", original);
  WriteBytesToFile(work + "/modified.map", modified);
  MemoryTreeView trees[2];
  CMapFile a, b;
  a.OpenPath(trees[0], work + "/original.map");
  b.OpenPath(trees[1], work + "/modified.map");
  return PatchToJson(CreatePatch(a, b, title, "seeds"));
}

// The words the definition and plugin readers look for, for their dictionaries.
void WriteDictionary(const std::string& path, const std::vector<std::string>& words) {
  std::ofstream out(path);
  for (const std::string& word : words) {
    out << '"';
    for (const char c : word) {
      if (c == '"' || c == '\\') out << '\\';
      out << c;
    }
    out << "\"\n";
  }
}

class Corpus {
 public:
  Corpus(const std::string& root, const std::string& name) : m_dir(root + "/" + name) {
    std::filesystem::create_directories(m_dir);
  }
  void Add(const Bytes& bytes) { WriteBytesToFile(m_dir + "/seed-" + std::to_string(m_count++), bytes); }
  int Count() const { return m_count; }

 private:
  std::string m_dir;
  int m_count = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  Corpus open(root, "open_map"), scan(root, "scan_tag"), extract(root, "extract_tag"), direct(root, "direct_inject"),
      guerilla(root, "guerilla"), definition(root, "definition"), plugin(root, "plugin"), patch(root, "patch");

  const std::uint16_t versions[] = {5, 7, 0x261};
  std::uint32_t seed = 1;
  for (const std::uint16_t version : versions) {
    for (const int tags : {2, 3, 5}) {
      for (const std::uint32_t metaBytes : {16u, 48u}) {
        const Bytes map = CompactMap(version, tags, seed, metaBytes);
        const auto pick = static_cast<unsigned char>(seed);
        open.Add(map);
        // step choice, result choice, first tag, scanner value (0: as selected)
        scan.Add(Join({{pick, static_cast<unsigned char>(seed * 7), 0, 0, 0, 0, 0}, map}));
        scan.Add(Join({{static_cast<unsigned char>(pick + 3), 1, 0, 0x00, 0x00, 0x20, 0x41}, map}));  // value 10.0
        extract.Add(Join({{static_cast<unsigned char>(seed % tags), 0}, map}));

        // Two maps with the same tags in two versions: their names match, their
        // magics and layouts differ, so every kind of reference is translated.
        const std::uint16_t other = versions[(seed + 1) % 3];
        const Bytes second = CompactMap(other, tags + (seed % 2), seed, metaBytes + 16);
        const auto length = static_cast<std::uint16_t>(map.size());
        const unsigned char split[2] = {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8)};
        for (const unsigned char flags : {0, 1, 3}) {
          direct.Add(Join({{flags, static_cast<unsigned char>(seed % tags), 0, static_cast<unsigned char>((seed + 2) % tags), 0,
                            split[0], split[1]},
                           map, second}));
        }
        ++seed;
      }
    }
    // One map as the writer lays it out in full, index at 0x800.
    const Bytes full = FullMap(version, 3, seed++, 24);
    open.Add(full);
    scan.Add(Join({{0, 0, 0, 0, 0, 0, 0}, full}));
    extract.Add(Join({{2, 0}, full}));
  }

  // Guerilla tags: a 64-byte header, then words as the tag kit writes them
  // (big-endian), with small values that "Fix Shorts" moves, and a ragged end.
  for (const std::uint32_t limit : {4u, 2u, 15u, 300u}) {
    for (const bool fix : {false, true}) {
      Bytes tag(64, 0);
      for (int i = 0; i < 64; ++i) tag[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 3);
      const Bytes body = {0, 0, 0, 1, 0x3F, 0x80, 0, 0, 0, 3, 0, 7, 0, 0, 0, 2, 0, 4, 0, 0, 0x11, 0x22, 0x33};
      tag.insert(tag.end(), body.begin(), body.end());
      const SampleMapPlan sample = GenerateSampleMap(5, 3, limit, 32);
      const Bytes& meta = sample.tags[0].meta;
      tag.insert(tag.end(), meta.begin(), meta.end());
      guerilla.Add(Join({{static_cast<unsigned char>(fix), static_cast<unsigned char>(limit), static_cast<unsigned char>(limit >> 8),
                          0, 0},
                         tag}));
    }
  }
  guerilla.Add({1, 4, 0, 0, 0, 1, 2, 3});  // shorter than the header

  // Definition files: the built-in ones, and small ones with counts, blocks
  // inside blocks and a parent.
  {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(BuiltInDefinitionsFolder(), error))
      if (entry.path().extension() == ".json") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      definition.Add(TextBytes(text.str()));
    }
    definition.Add(TextBytes(R"({"class": "zzzz", "size": "0x40", "fields": [
  {"id": "a", "type": "float", "offset": 0, "count": 4},
  {"id": "b", "type": "block", "offset": "0x10", "entry_size": "0x8", "count": 2, "fields": [
    {"id": "c", "type": "tagref", "offset": 0, "classes": ["weap"]},
    {"id": "d", "type": "block", "offset": 4, "entry_size": 4, "fields": [{"id": "e", "type": "enum16", "offset": 0, "options": ["x", null, "y"]}]}]},
  {"id": "f", "type": "string", "offset": "0x28", "size": 16, "hidden": true}]})"));
    definition.Add(TextBytes(R"({"class": "yyyy", "include": "item", "size": 1288, "fields": [{"id": "g", "type": "angle", "offset": "0x400", "count": 3}]})"));
  }
  // Plugin files.
  plugin.Add(TextBytes(R"(<?xml version="1.0"?>
<plugin game="test" baseSize="0x40">
  <flags16 name="Flags" offset="0x0"><bit name="Is Big" index="0" /><bit name="Glows" index="3" /></flags16>
  <enum16 name="Mode" offset="0x2"><option name="Normal" value="0" /><option name="Fast" value="2" /></enum16>
  <float32 name="Rounds" offset="0x4" />
  <degree name="Spread" offset="0xC" />
  <ascii name="Label" offset="0x12" length="8" />
  <tagRef name="Effect" offset="0x1A" withGroup="false" />
  <tagblock name="Magazines" offset="0x20" elementSize="0x8">
    <int16 name="Rounds" offset="0x0" />
    <tagblock name="Inner" offset="0x2" elementSize="0x4"><int8 name="A" offset="0x0" /></tagblock>
  </tagblock>
  <tagRef name="Sound" offset="0x2C" />
</plugin>)"));
  plugin.Add(TextBytes(R"(<plugin baseSize="0x10"><int32 name="a" offset="0x0" visible="false" /><rangef name="b" offset="0x4" /></plugin>)"));
  // Patches made from the patch target's map: two tags' bytes changed, and
  // none; and one made from another map (its CRC32 differs).
  {
    const std::string work = root + "/patch-work";
    const SampleMapPlan plan = fuzz::PatchTargetPlan();
    const Bytes original = WriteSampleMap(plan);
    const SampleLayout layout = LayoutOf(plan);
    Bytes modified = original;
    for (const int tag : {1, 3})
      for (std::uint32_t k = 4; k < 12; ++k) modified[layout.metaOffsets[static_cast<std::size_t>(tag)] + k] ^= 0x5A;
    patch.Add(TextBytes(PatchText(work, original, modified, "two tags")));
    patch.Add(TextBytes(PatchText(work, original, original, "nothing")));
    const SampleMapPlan otherPlan = GenerateSampleMap(kVersionPc, 6, 4, 64);
    const Bytes other = WriteSampleMap(otherPlan);
    Bytes otherModified = other;
    otherModified[LayoutOf(otherPlan).metaOffsets[2] + 8] ^= 0xFF;
    patch.Add(TextBytes(PatchText(work, other, otherModified, "another map")));
    std::filesystem::remove_all(work);
  }
  WriteDictionary(root + "/definition.dict",
                  {"\"class\"", "\"include\"", "\"size\"", "\"fields\"", "\"id\"", "\"type\"", "\"offset\"", "\"count\"",
                   "\"entry_size\"", "\"options\"", "\"bits\"", "\"classes\"", "\"unit\"", "\"hidden\"", "\"read_only\"",
                   "\"abstract\"", "\"block\"", "\"tagref\"", "\"float\"", "\"string\"", "\"per_tick\"", "4096", "\"0x"});
  WriteDictionary(root + "/plugin.dict",
                  {"<plugin", "</plugin>", "baseSize=", "offset=", "name=", "<tagblock", "</tagblock>", "elementSize=",
                   "<float32", "<enum16", "<option", "<flags32", "<bit", "index=", "value=", "<ascii", "length=", "<tagRef",
                   "withGroup=\"false\"", "visible=\"false\"", "/>"});

  // The dictionary of the map targets: every class code as a map stores it
  // (reversed), the null identifier, and the header and index words a map is
  // read by, so mutations hit the values the reader and the searches compare.
  {
    std::FILE* dict = std::fopen((root + "/map.dict").c_str(), "w");
    if (!dict) return 1;
    auto entry = [dict](const Bytes& bytes) {
      std::fputc('"', dict);
      for (const unsigned char b : bytes) std::fprintf(dict, "\\x%02X", b);
      std::fputs("\"\n", dict);
    };
    for (const TagClassRow& row : TagClassTable::Rows()) {
      Bytes stored(4, 0);
      PutClassCode(stored, 0, row.code);
      entry(stored);
    }
    entry({0xFF, 0xFF, 0xFF, 0xFF});
    entry({0x05, 0x00});
    entry({0x07, 0x00});
    entry({0x61, 0x02});
    entry({0x00, 0x60, 0x3A, 0x80});  // magics the writer uses
    entry({0x00, 0x00, 0x44, 0x40});
    std::fclose(dict);
  }

  std::printf("seeds: open_map %d, scan_tag %d, extract_tag %d, direct_inject %d, guerilla %d, definition %d, plugin %d, patch %d\n",
              open.Count(), scan.Count(), extract.Count(), direct.Count(), guerilla.Count(), definition.Count(),
              plugin.Count(), patch.Count());
  return 0;
}
