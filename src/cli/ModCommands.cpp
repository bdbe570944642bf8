// jov-cli mod create and mod apply: field edits made from two maps, applied to
// every map that holds the tags.
#include <iostream>

#include "cli/CliCommon.h"
#include "fields/FieldDefinition.h"
#include "mod/ModApply.h"
#include "mod/ModCreate.h"

namespace jov::cli {

namespace {

struct CreateArgs {
  std::string original, modified, title, author, definitions;
};

void RunCreate(const CreateArgs& a) {
  const DefinitionSet definitions = Definitions(a.definitions);
  auto original = OpenMap(a.original);
  auto modified = OpenMap(a.modified);
  const FieldComparison comparison = CompareFields(original->map, modified->map, definitions);
  std::cout << ModText(ModFromComparison(comparison, a.title, a.author));
  // Never silently: what the mod cannot carry, with the counts.
  if (!comparison.leftOut.empty()) {
    std::cerr << "jov-cli: left out of the mod: " << comparison.leftOutTags
              << (comparison.leftOutTags == 1 ? " changed tag" : " changed tags") << " without a definition, "
              << comparison.leftOutBytes << (comparison.leftOutBytes == 1 ? " differing byte" : " differing bytes")
              << " no field edit carries (" << comparison.leftOut.size() << (comparison.leftOut.size() == 1 ? " line" : " lines")
              << "):\n";
    for (const std::string& line : comparison.leftOut) std::cerr << "  " << line << '\n';
  }
  std::cerr << "jov-cli: " << comparison.fields.size() << (comparison.fields.size() == 1 ? " edit" : " edits") << " in the mod.\n";
}

struct ApplyArgs {
  std::string mod, definitions;
  std::vector<std::string> maps;
  bool partial = false;
};

void RunApply(const ApplyArgs& a) {
  const DefinitionSet definitions = Definitions(a.definitions);
  // The whole mod is read and checked before any map is opened.
  const Mod mod = ReadModFile(a.mod);
  CheckModEdits(mod, a.mod, definitions);
  ModRun run = PlanModForMaps(mod, ModStepLabel(mod, a.mod), a.maps, definitions, ProgramHistory(), ResourceFolderOption());
  ApplyModRun(run, a.partial, [](const EditPlan& plan) {
    if (!DryRun()) return DocumentOf(plan.path).Apply(plan);
    PlanOutcome wouldBe;
    wouldBe.written = true;
    return wouldBe;
  });
  for (const std::string& line : ModTableLines(run, DryRun())) std::cout << line << '\n';
  for (const ModTarget& target : run.maps)
    for (const std::string& note : target.planned.notes) std::cerr << target.path << ": " << note << '\n';
  if (!run.Complete()) SetExitStatus(kRefused);
}

const Registration kRegistration([](CLI::App& app) {
  auto* mod = app.add_subcommand("mod", "Make a mod of field edits from two maps, or apply one to many maps");
  mod->require_subcommand(1);
  {
    static CreateArgs a;
    auto* cmd = mod->add_subcommand("create", "Print the field edits that make ORIGINAL's tags MODIFIED's, as a .jovmod");
    cmd->add_option("ORIGINAL", a.original, "The map the changes start from")->required();
    cmd->add_option("MODIFIED", a.modified, "The map with the changes")->required();
    cmd->add_option("--title", a.title, "The mod's title");
    cmd->add_option("--author", a.author, "The mod's author");
    cmd->add_option("--definitions", a.definitions, "Read the user's definitions (JSON or XML plugin files) from DIR");
    cmd->callback([] { RunCreate(a); });
  }
  {
    static ApplyArgs a;
    auto* cmd = mod->add_subcommand(
        "apply", "Apply MOD to each MAP as one step and print a table (exit 0 only when every map took every edit)");
    cmd->add_option("MOD", a.mod, "The .jovmod file")->required();
    cmd->add_option("MAP", a.maps, "Map files")->required();
    cmd->add_flag("--partial", a.partial,
                  "Write the edits that apply even where others do not, and the other maps when one is refused");
    cmd->add_option("--definitions", a.definitions, "Read the user's definitions (JSON or XML plugin files) from DIR");
    AddDryRun(cmd);
    cmd->callback([] { RunApply(a); });
  }
});

}  // namespace

}  // namespace jov::cli
