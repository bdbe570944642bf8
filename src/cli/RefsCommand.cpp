// jov-cli refs: who uses a tag, from the whole-map reference index.
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommon.h"
#include "compare/Patch.h"
#include "fields/FieldLocator.h"
#include "scanner/ReferenceIndex.h"

namespace jov::cli {

namespace {

std::string TagName(const CMapFile& map, int tag) {
  const TagEntry& entry = map.m_tags[static_cast<std::size_t>(tag)];
  return entry.strClass1 + ":" + entry.strName;
}

// Field paths come from the tag definitions (built-in, the user's, or
// --definitions); an offset no definition covers has none (null in JSON).
void Refs(const std::string& path, const std::string& tagText, bool asJson, const std::string& definitionsFolder) {
  auto opened = OpenMap(path);
  CMapFile& map = opened->map;
  const int tag = ResolveTag(map, tagText);
  const ReferenceIndex index(map);
  const DefinitionSet definitions = LoadDefinitions(definitionsFolder);
  FieldLocator locator(map, definitions);
  const FieldNamer fieldOf = [&locator](const CMapFile&, int from, std::uint32_t offset) {
    return locator.PathAt(from, offset);
  };
  if (asJson) {
    // Written a reference at a time, as dump(1) lays out the whole document
    // (keys in order, one space a level): a tag may have millions of
    // references, and a document of them all took gigabytes.
    using nlohmann::json;
    std::cout << "{\n \"references\": [";
    bool first = true;
    for (const TagReference& r : index.To(tag)) {
      const std::string field = fieldOf(map, r.from, r.offset);
      std::string text = json{{"from", Latin1ToUtf8(TagName(map, r.from))},
                              {"offset", r.offset},
                              {"kind", KindText(r.kind)},
                              {"field", field.empty() ? json(nullptr) : json(field)}}
                             .dump(1);
      // Two levels in: the text holds no other line breaks (strings escape theirs).
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3)) text.insert(at + 1, "  ");
      std::cout << (first ? "\n  " : ",\n  ") << text;
      first = false;
    }
    std::cout << (first ? "]" : "\n ]") << ",\n \"tag\": " << json(Latin1ToUtf8(TagName(map, tag))).dump() << "\n}\n";
    return;
  }
  char offset[16];
  for (const TagReference& r : index.To(tag)) {
    std::snprintf(offset, sizeof offset, "0x%x", r.offset);
    std::cout << TagName(map, r.from) << '\t' << offset << '\t' << KindText(r.kind) << '\t' << fieldOf(map, r.from, r.offset)
              << '\n';
  }
}

const Registration kRegistration([](CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "refs", "Every tag whose metadata holds a dependency or the identifier of TAG: one line a reference, "
              "CLASS:NAME<TAB>OFFSET<TAB>KIND<TAB>FIELD, offsets from the start of the referring tag's metadata");
  static std::string path, tag;
  static bool json = false;
  static std::string definitions;
  cmd->add_option("MAP", path, "Map file")->required();
  cmd->add_option("TAG", tag, "Tag index or CLASS:NAME")->required();
  cmd->add_flag("--json", json, "{\"tag\": ..., \"references\": [{\"from\", \"offset\", \"kind\", \"field\"}]}");
  cmd->add_option("--definitions", definitions, "A folder of tag definitions read after the built-in ones");
  cmd->callback([] { Refs(path, tag, json, definitions); });
});

}  // namespace

}  // namespace jov::cli
