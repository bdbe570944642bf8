// jov-cli edit-tag, header, insert-data, hexedit: the Tag Information "Save
// Changes", the "Map Info" dialog, "Insert Data at End of Map" and the hex editor.
#include <iostream>
#include <optional>

#include "check/WriteGuards.h"
#include "cli/CliCommon.h"
#include "history/StepLabel.h"
#include "map/MapInfoFields.h"
#include "map/ValueText.h"
#include "tools/HexEditorText.h"
#include "transfer/InsertData.h"
#include "transfer/TagRecordEdit.h"

namespace jov::cli {

namespace {

struct EditTagArgs {
  std::string map;
  std::string tag;
  std::optional<std::string> filename, identifier, metaOffset, stringOffset, class1, class2, class3;
  bool updateSize = false;
};

void RunEditTag(const EditTagArgs& a) {
  auto opened = OpenMap(a.map);
  const int index = ResolveTag(opened->map, a.tag);
  SelectTag(*opened, index);
  TagRecordFields fields = TagRecordFieldsOf(opened->map.GetTagEntry(index));
  const std::pair<const std::optional<std::string>*, std::string*> given[] = {
      {&a.filename, &fields.strName},       {&a.identifier, &fields.strIdentifier}, {&a.metaOffset, &fields.strMetaOffset},
      {&a.stringOffset, &fields.strNameOffset}, {&a.class1, &fields.strClass1},    {&a.class2, &fields.strClass2},
      {&a.class3, &fields.strClass3}};
  for (const auto& [value, field] : given)
    if (*value) *field = **value;
  fields.bUpdateSize = a.updateSize;
  // "Save Changes" acts on the tag the tree has selected.
  const auto selected = opened->map.FindTagByTreeItem(opened->tree.SelectedItem());
  if (!selected) return;
  ConsoleDialogs dialogs;
  RunPlanned(*opened, StepLabel("Save Changes", opened->map, *selected), dialogs,
             [&] { SaveTagChanges(opened->map, opened->tree, *selected, fields); });
}

struct HeaderArgs {
  std::string map;
  std::optional<std::string> mapName, buildDate, indexMagic, tagCount, indexOffset, metaIndexSize, mapType, version,
      eofPosition;
  bool yes = false;
};

void RunHeader(const HeaderArgs& a) {
  auto opened = OpenMap(a.map);
  MapInfoSession session(opened->map);
  MapInfoTexts texts = session.Shown();
  const std::pair<const std::optional<std::string>*, MapInfoField> given[] = {
      {&a.mapName, MapInfoField::MapName},         {&a.buildDate, MapInfoField::BuildDate},
      {&a.indexMagic, MapInfoField::IndexMagic},   {&a.tagCount, MapInfoField::TagCount},
      {&a.indexOffset, MapInfoField::IndexOffset}, {&a.metaIndexSize, MapInfoField::MetaIndexSize},
      {&a.mapType, MapInfoField::MapType},         {&a.version, MapInfoField::Version},
      {&a.eofPosition, MapInfoField::EofPosition}};
  for (const auto& [value, field] : given)
    if (*value) TextOf(texts, field) = **value;

  // "&Save Changes", then "&Close". A field that does not read back is reported
  // and nothing is written (the editor would keep the dialog open on it).
  MapInfoCheck check = session.SaveChanges(texts);
  if (check.ok) check = session.Close(texts);
  if (!check.ok) {
    ConsoleDialogs().ShowValueError(check.message);
    SetExitStatus(kRefused);
    return;
  }
  // A header that would give the map a new error is written only with --yes.
  ConsoleDialogs dialogs;
  dialogs.yes = a.yes;
  if (session.SaveFlag() && !ConfirmHeaderWrite(opened->map, HeaderInfoToWrite(session.Values()), dialogs)) {
    SetExitStatus(kRefused);
    return;
  }
  RunPlanned(*opened, "Map Info", dialogs, [&] { FinishMapInfo(opened->map, opened->tree, session); });
  PrintMapInfo(opened->map);
}

void RunHexEdit(const std::string& path, const std::string& tag, const std::optional<std::string>& text) {
  auto opened = OpenMap(path);
  SelectTag(*opened, ResolveTag(opened->map, tag));
  // As the tree's double-click: the tag whose item is selected.
  const auto index = opened->map.FindTagByTreeItem(opened->tree.SelectedItem());
  if (!index) return;
  if (text) {
    ConsoleDialogs dialogs;
    RunPlanned(*opened, StepLabel("Hex Editor", opened->map, *index), dialogs,
               [&] { SaveHexEditorText(opened->map, *index, *text); });
  } else {
    std::cout << HexEditorText(opened->map, *index) << '\n';
  }
}

const Registration kRegistration([](CLI::App& app) {
  {
    static EditTagArgs a;
    auto* cmd = app.add_subcommand("edit-tag", "Change TAG's Tag Information fields and press \"Save Changes\"");
    cmd->add_option("MAP", a.map, "Map file")->required();
    cmd->add_option("TAG", a.tag, "Tag index or CLASS:NAME")->required();
    cmd->add_option("--filename", a.filename, "Filename");
    cmd->add_option("--identifier", a.identifier, "Identifier (hex)");
    cmd->add_option("--meta-offset", a.metaOffset, "Meta Offset (hex)");
    cmd->add_option("--string-offset", a.stringOffset, "String Offset (hex)");
    cmd->add_option("--class1", a.class1, "Tag class 1");
    cmd->add_option("--class2", a.class2, "Tag class 2");
    cmd->add_option("--class3", a.class3, "Tag class 3");
    cmd->add_flag("--update-size", a.updateSize, "Check \"Update Size\": the name goes to the EoF Position");
    AddDryRun(cmd);
    cmd->callback([] { RunEditTag(a); });
  }
  {
    static HeaderArgs a;
    auto* cmd = app.add_subcommand("header", "Change the \"Map Info\" fields, save, and print the re-read map's info");
    cmd->add_option("MAP", a.map, "Map file")->required();
    cmd->add_option("--map-name", a.mapName, "Map Name");
    cmd->add_option("--build-date", a.buildDate, "Map Build Date");
    cmd->add_option("--index-magic", a.indexMagic, "Index Magic (hex)");
    cmd->add_option("--tag-count", a.tagCount, "Tag Count");
    cmd->add_option("--index-offset", a.indexOffset, "Index Offset (hex)");
    cmd->add_option("--meta-index-size", a.metaIndexSize, "Metadata/Index Size");
    cmd->add_option("--map-type", a.mapType, "Map Type");
    cmd->add_option("--version", a.version, "Map Version");
    cmd->add_option("--eof-position", a.eofPosition, "EoF Position (hex)");
    cmd->add_flag("--yes", a.yes, "Answer \"Yes\" to the question asked before a header that gives the map an error");
    AddDryRun(cmd);
    cmd->callback([] { RunHeader(a); });
  }
  {
    static std::string path, text;
    auto* cmd = app.add_subcommand("insert-data", "Append the bytes of HEXTEXT at MAP's EoF Position; prints where");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->add_option("HEXTEXT", text, "The bytes as hex text")->required();
    AddDryRun(cmd);
    cmd->callback([] {
      auto opened = OpenMap(path);
      ConsoleDialogs dialogs;
      std::uint32_t at = 0;
      RunPlanned(*opened, "Insert Data", dialogs, [&] { at = InsertDataAndReload(opened->map, opened->tree, text); });
      if (DryRun()) return;
      std::cout << UIntToHex(at) << '\n';
    });
  }
  {
    static std::string path, tag;
    static std::optional<std::string> text;
    auto* cmd = app.add_subcommand("hexedit", "Print TAG's hex editor text, or save HEXTEXT over its metadata");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->add_option("TAG", tag, "Tag index or CLASS:NAME")->required();
    cmd->add_option("--text", text, "The edited text to save");
    AddDryRun(cmd);
    cmd->callback([] { RunHexEdit(path, tag, text); });
  }
});

}  // namespace

}  // namespace jov::cli
