// jov-cli refs: who uses a tag, from the whole-map reference index.
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommon.h"
#include "compare/Patch.h"
#include "scanner/ReferenceIndex.h"

namespace jov::cli {

namespace {

std::string TagName(const CMapFile& map, int tag) {
  const TagEntry& entry = map.m_tags[static_cast<std::size_t>(tag)];
  return entry.strClass1 + ":" + entry.strName;
}

// Field paths come from tag definitions; until a definition covers an offset
// the field is left empty (null in JSON).
const FieldNamer kNoFields = [](const CMapFile&, int, std::uint32_t) { return std::string(); };

void Refs(const std::string& path, const std::string& tagText, bool asJson, const FieldNamer& fieldOf) {
  auto opened = OpenMap(path);
  CMapFile& map = opened->map;
  const int tag = ResolveTag(map, tagText);
  const ReferenceIndex index(map);
  if (asJson) {
    using nlohmann::json;
    json references = json::array();
    for (const TagReference& r : index.To(tag)) {
      const std::string field = fieldOf(map, r.from, r.offset);
      references.push_back({{"from", Latin1ToUtf8(TagName(map, r.from))},
                            {"offset", r.offset},
                            {"kind", KindText(r.kind)},
                            {"field", field.empty() ? json(nullptr) : json(field)}});
    }
    std::cout << json{{"tag", Latin1ToUtf8(TagName(map, tag))}, {"references", std::move(references)}}.dump(1) << '\n';
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
  cmd->add_option("MAP", path, "Map file")->required();
  cmd->add_option("TAG", tag, "Tag index or CLASS:NAME")->required();
  cmd->add_flag("--json", json, "{\"tag\": ..., \"references\": [{\"from\", \"offset\", \"kind\", \"field\"}]}");
  cmd->callback([] { Refs(path, tag, json, kNoFields); });
});

}  // namespace

}  // namespace jov::cli
