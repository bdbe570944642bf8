// jov-cli fields, set: a tag shown as its fields, and one field written.
#include <iostream>

#include "cli/CliCommon.h"
#include "edit/MapDocument.h"
#include "fields/FieldDefinition.h"
#include "fields/FieldTree.h"
#include "fields/FieldValue.h"

namespace jov::cli {

namespace {

struct FieldsArgs {
  std::string map, tag, definitions;
  bool json = false, all = false;
};

void RunFields(const FieldsArgs& a) {
  const DefinitionSet definitions = Definitions(a.definitions);
  auto opened = OpenMap(a.map);
  const int index = ResolveTag(opened->map, a.tag);
  const FieldTree tree = BuildFieldTree(opened->map, index, definitions.Find(opened->map.m_tags[static_cast<std::size_t>(index)].strClass1));
  for (const std::string& message : tree.messages) std::cerr << "jov-cli: " << message << '\n';
  if (a.json) {
    nlohmann::ordered_json doc;
    doc["tag"] = tree.tagText;
    doc["class"] = tree.cls;
    doc["fields"] = nlohmann::ordered_json::array();
    for (const FieldNode& node : tree.nodes)
      if (!node.entry && (a.all || !node.hidden)) doc["fields"].push_back(FieldJson(tree, node));
    std::cout << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return;
  }
  for (const FieldNode& node : tree.nodes)
    if (!node.entry && (a.all || !node.hidden))
      std::cout << node.path << '\t' << TypeText(node) << '\t' << DisplayText(tree, node) << '\n';
}

struct SetArgs {
  std::string map, tag, path, value, definitions;
  bool raw = false;
};

void RunSet(const SetArgs& a) {
  const DefinitionSet definitions = Definitions(a.definitions);
  auto opened = OpenMap(a.map);
  const int index = ResolveTag(opened->map, a.tag);
  const ClassDef* def = definitions.Find(opened->map.m_tags[static_cast<std::size_t>(index)].strClass1);
  const FieldTree tree = BuildFieldTree(opened->map, index, def);
  const EditPlan plan = PlanFieldSet(opened->map, tree, a.path, a.value, a.raw);
  // Printed with --dry-run, else applied; a value already there says so.
  if (!RunPlan(plan).written) return;
  const FieldTree after = BuildFieldTree(opened->map, index, def);
  const int at = after.Find(a.path);
  std::cout << plan.label << ": " << (at >= 0 ? DisplayText(after, after.nodes[static_cast<std::size_t>(at)]) : a.value) << '\n';
}

const Registration kRegistration([](CLI::App& app) {
  {
    static FieldsArgs a;
    auto* cmd = app.add_subcommand("fields", "Print TAG's fields by its class definition: PATH<TAB>TYPE<TAB>VALUE");
    cmd->add_option("MAP", a.map, "Map file")->required();
    cmd->add_option("TAG", a.tag, "Tag index or CLASS:NAME")->required();
    cmd->add_flag("--json", a.json, "One JSON document: tag, class and the fields with path, type, offset, value, display");
    cmd->add_option("--definitions", a.definitions, "Read the user's definitions (JSON or XML plugin files) from DIR");
    cmd->add_flag("--all", a.all, "Also list hidden fields and the unknown bytes between fields");
    cmd->callback([] { RunFields(a); });
  }
  {
    static SetArgs a;
    auto* cmd = app.add_subcommand("set", "Write one field of TAG: VALUE in display units (degrees, per second)");
    cmd->add_option("MAP", a.map, "Map file")->required();
    cmd->add_option("TAG", a.tag, "Tag index or CLASS:NAME")->required();
    cmd->add_option("PATH", a.path, "The field, as `fields` prints it: magazines[0].rounds_loaded_maximum")->required();
    cmd->add_option("VALUE", a.value, "Number, option name, bit names (a,b), comma list, CLASS:NAME or none")->required();
    cmd->add_flag("--raw", a.raw, "VALUE in stored units (radians, per tick); a reference may name any class");
    cmd->add_option("--definitions", a.definitions, "Read the user's definitions (JSON or XML plugin files) from DIR");
    AddDryRun(cmd);
    cmd->callback([] { RunSet(a); });
  }
});

}  // namespace

}  // namespace jov::cli
