// jov-cli add-tag: "Add Tag" with the "Map Builder" fields given on the command line.
#include "builder/AddTag.h"
#include "cli/CliCommon.h"
#include "map/FieldText.h"

namespace jov::cli {

namespace {

void AddTagCommand(const std::string& path, const MapBuilderFields& fields, bool yes) {
  ConsoleDialogs dialogs;
  // The dialog refuses a class text over its limit when its fields are read,
  // before the command starts.
  for (const std::string* cls : {&fields.strClass1, &fields.strClass2, &fields.strClass3}) {
    if (!FitsLimit(*cls, kClassLimit)) {
      dialogs.ShowValueError(EnterNoMoreThan(kClassLimit));
      SetExitStatus(kRefused);
      return;
    }
  }
  const auto opened = OpenMap(path);
  dialogs.yes = yes;
  RunPlanned(*opened, "Add Tag " + fields.strClass1 + ":" + fields.strTagName, dialogs, [&] {
    if (AddTag(opened->map, opened->tree, fields, dialogs) == AddTagResult::Declined) SetExitStatus(kRefused);
  });
}

const Registration kRegistration([](CLI::App& app) {
  auto* cmd = app.add_subcommand("add-tag", "\"Add Tag\": append a new tag to MAP's index (the map is closed after)");
  static std::string path;
  static MapBuilderFields fields;
  static bool yes = false;
  cmd->add_option("MAP", path, "Map file")->required();
  cmd->add_option("--name", fields.strTagName, "Tag Name")->required();
  cmd->add_option("--meta", fields.strTagFile, "Tag file whose length is the room reserved for the metadata")
      ->required();
  cmd->add_option("--class1", fields.strClass1, "Class 1 (default: four 0xFF bytes, no class)");
  cmd->add_option("--class2", fields.strClass2, "Class 2 (default: four 0xFF bytes, no class)");
  cmd->add_option("--class3", fields.strClass3, "Class 3 (default: four 0xFF bytes, no class)");
  cmd->add_flag("--yes", yes, "Answer \"Yes\" to the question asked before overwriting tag data");
  AddDryRun(cmd);
  cmd->callback([] { AddTagCommand(path, fields, yes); });
});

}  // namespace

}  // namespace jov::cli
