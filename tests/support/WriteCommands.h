#pragma once
// Every command that writes a map, as a table the fault-injection and history
// tests run: a panel's map and the other panel's map on disk, and the command.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builder/AddTag.h"
#include "map/MapInfoFields.h"
#include "map/SampleMap.h"
#include "scanner/ScanUpdateItem.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "tools/HexEditorText.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/InjectTagMetadata.h"
#include "transfer/InsertData.h"
#include "transfer/TagRecordEdit.h"

namespace jov::testing {

using Bytes = std::vector<unsigned char>;

// A panel's map (an Xbox map of 6 tags) open on disk, the other panel's map (the
// same tags in a PC map) for Direct Inject, and a tag file for Inject and Add Tag.
struct Bench {
  Bench()
      : t(GenerateSampleMap(kVersionXbox, 6, 11)),
        other(GenerateSampleMap(kVersionPc, 6, 11), "other.map"),
        before(ReadBytesFromFile(t.path)) {
    t.Open();
    other.Open();
    metaPath = t.dir.Write("tag.meta", Bytes(t.Tag(2).nSize - 3, 0x5A));
  }
  Bytes Now() const { return ReadBytesFromFile(t.path); }

  TestMap t;
  TestMap other;
  Bytes before;
  std::string metaPath;
  RecordedDialogs dialogs;
};

// What a command does with the map once it has written.
enum class After { Nothing, Reload, Close };

struct Command {
  const char* name;
  After after;
  std::function<void(Bench&)> run;
};

inline const std::vector<Command>& WriteCommands() {
  static const std::vector<Command> commands = {
      {"Update Item", After::Nothing,
       [](Bench& b) {
         ScanItem item;
         item.chKind = kKindFloat;
         item.nPos = 9;
         ScanBoxes boxes;
         boxes.fValue = 2.5f;
         ScanUpdateItem(b.t.map, 2, item, boxes, b.dialogs);
       }},
      {"Inject", After::Nothing,
       [](Bench& b) {
         b.dialogs.openAnswer = b.metaPath;
         InjectTagMetadata(b.t.map, 2, b.dialogs);
       }},
      {"Direct Inject", After::Nothing,
       [](Bench& b) {
         b.dialogs.yesAnswer = true;
         DirectInjectTag(b.t.map, 3, b.other.map, 2, b.dialogs);
       }},
      {"Save Changes, name in place", After::Reload,
       [](Bench& b) {
         TagRecordFields fields = TagRecordFieldsOf(b.t.Tag(3));
         fields.strName = "abc";
         fields.strIdentifier = "12345678";
         fields.strClass2 = "bipd";
         SaveTagChanges(b.t.map, b.t.tree, 3, fields);
       }},
      {"Save Changes, name at the EoF Position", After::Reload,
       [](Bench& b) {
         TagRecordFields fields = TagRecordFieldsOf(b.t.Tag(4));
         fields.strName += "\\a\\longer\\name";
         fields.bUpdateSize = true;
         SaveTagChanges(b.t.map, b.t.tree, 4, fields);
       }},
      {"Map Info save", After::Reload,
       [](Bench& b) {
         MapInfoSession session(b.t.map);
         MapInfoTexts texts = session.Shown();
         TextOf(texts, MapInfoField::MapName) = "renamed";
         TextOf(texts, MapInfoField::MapType) = "2";
         ASSERT_TRUE(session.SaveChanges(texts).ok);
         FinishMapInfo(b.t.map, b.t.tree, session);
       }},
      {"Insert Data", After::Reload, [](Bench& b) { InsertDataAndReload(b.t.map, b.t.tree, "0a 0b 0c 0d 0e 0f 10 11 12"); }},
      {"Hex editor save", After::Nothing,
       [](Bench& b) {
         std::string text = HexEditorText(b.t.map, 2);
         text.replace(0, 5, "fe dc");
         SaveHexEditorText(b.t.map, 2, text);
       }},
      {"Add Tag", After::Close,
       [](Bench& b) {
         MapBuilderFields fields;
         fields.strTagFile = b.metaPath;
         fields.strTagName = "weapons\\added\\added";
         fields.strClass1 = "weap";
         b.dialogs.yesAnswer = true;  // the new entry lies over the first names
         AddTag(b.t.map, b.t.tree, fields, b.dialogs);
       }},
  };
  return commands;
}

}  // namespace jov::testing
