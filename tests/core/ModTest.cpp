// Mods: made from two maps and applied back, to the same map (byte for byte)
// and to another layout of it (field for field), in sample and real layouts;
// every refusal writes nothing; a mod's step is undone whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "edit/MapDocument.h"
#include "fields/SampleFields.h"
#include "history/History.h"
#include "map/RealSampleMap.h"
#include "map/Refused.h"
#include "mod/ModApply.h"
#include "mod/ModCreate.h"
#include "platform/MemoryTreeView.h"
#include "support/FieldEdits.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

struct Opened {
  explicit Opened(const std::string& path) {
    map.File().RequireStage();
    map.OpenPath(tree, path);
  }
  MemoryTreeView tree;
  CMapFile map;
};

DefinitionSet BuiltIn() {
  DefinitionSet definitions;
  definitions.LoadFolder(BuiltInDefinitionsFolder());
  return definitions;
}

// The mod from first to second, through its file text as a user would get it.
Mod ModBetween(const std::string& first, const std::string& second, const DefinitionSet& definitions) {
  Opened a(first), b(second);
  const Mod made = ModFromComparison(CompareFields(a.map, b.map, definitions), "Rebalance", "tester");
  Mod read = ParseModText(ModText(made), "made.jovmod");
  CheckModEdits(read, "made.jovmod", definitions);
  return read;
}

std::string Table(const ModRun& run) {
  std::string text;
  for (const std::string& line : ModTableLines(run, false)) text += line + "\n";
  for (const ModTarget& target : run.maps)
    for (const std::string& note : target.planned.notes) text += target.path + ": " + note + "\n";
  return text;
}

// Applies mod to each map as the command does; the run's table.
ModRun Apply(const Mod& mod, const std::vector<std::string>& paths, const DefinitionSet& definitions,
             const std::shared_ptr<History>& history, bool partial = false) {
  ModRun run = PlanModForMaps(mod, "Apply mod " + mod.title, paths, definitions, *history, "");
  ApplyModRun(run, partial, [&](const EditPlan& plan) { return MapDocument(plan.path, history).Apply(plan); });
  return run;
}

// Every defined field of the two maps' tags holds the same value.
void ExpectSameFields(const std::string& first, const std::string& second, const DefinitionSet& definitions) {
  Opened a(first), b(second);
  const FieldComparison comparison = CompareFields(a.map, b.map, definitions);
  for (const FieldDifference& d : comparison.fields) ADD_FAILURE() << FieldDifferenceLine(d);
}

TEST(Mod, MadeFromTwoMapsGivesTheSecondBackOnTheFirstAndOnAnotherLayout) {
  const DefinitionSet definitions = BuiltIn();
  std::size_t inStoredUnits = 0;  // floats no text in degrees or per second gives back
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (const std::uint32_t seed : {1u, 5u, 9u}) {
      SCOPED_TRACE("version " + std::to_string(version) + " seed " + std::to_string(seed));
      testing::TempDir dir;
      const auto history = std::make_shared<History>(dir.File("history.sqlite3"));
      const auto sample = [&](std::uint32_t relayout) {
        SampleMapPlan plan = GenerateSampleMap(version, 30, seed, 256, relayout);
        GiveSampleTagsTheirFields(plan, definitions, seed);
        return WriteSampleMap(plan);
      };
      const Bytes original = sample(0);
      const std::string a = dir.Write("a.map", original);
      const std::string relaid = dir.Write("relaid.map", sample(2));
      ExpectSameFields(a, relaid, definitions);
      const Bytes modified = testing::WithRandomFieldValues(
          a, definitions, {std::begin(kSampleFieldClasses), std::end(kSampleFieldClasses)}, seed, 40);
      const std::string b = dir.Write("b.map", modified);
      const Mod mod = ModBetween(a, b, definitions);
      ASSERT_GT(mod.edits.size(), 20u);
      for (const ModEdit& edit : mod.edits) inStoredUnits += edit.raw;
      {
        Opened oa(a), ob(b);
        const FieldComparison comparison = CompareFields(oa.map, ob.map, definitions);
        EXPECT_EQ(comparison.leftOutBytes, 0u);
        for (const std::string& line : comparison.leftOut) ADD_FAILURE() << line;
      }

      const ModRun run = Apply(mod, {a, relaid}, definitions, history);
      ASSERT_TRUE(run.Complete()) << Table(run);
      for (const ModTarget& target : run.maps) {
        EXPECT_EQ(target.state, ModTarget::State::Written);
        EXPECT_EQ(target.planned.Count(EditOutcome::Applied) + target.planned.Count(EditOutcome::AlreadySo), mod.edits.size());
      }
      EXPECT_EQ(ReadBytesFromFile(a), modified);
      ExpectSameFields(relaid, b, definitions);

      // One step each, labelled with the mod, undone whole.
      const auto steps = history->Steps(a);
      ASSERT_EQ(steps.size(), 1u);
      EXPECT_EQ(steps[0].label, "Apply mod Rebalance");
      MapDocument(a, history).Undo(steps[0].id);
      EXPECT_EQ(ReadBytesFromFile(a), original);

      // Applied again to a map that has it: every edit already so, nothing written.
      const ModRun again = Apply(mod, {b}, definitions, history);
      EXPECT_TRUE(again.Complete());
      EXPECT_EQ(again.maps[0].planned.Count(EditOutcome::AlreadySo), mod.edits.size());
      EXPECT_EQ(again.maps[0].state, ModTarget::State::Unchanged);
      EXPECT_TRUE(history->Steps(b).empty());
    }
  }
  EXPECT_GT(inStoredUnits, 0u);
}

// Real layouts: structure BSPs in sections of their own, CE tags kept in the
// resource maps. The user's definitions give the BSP and bitmap classes fields.
TEST(Mod, RealLayoutsTakeBspEditsAndNeverWriteAResourceMap) {
  DefinitionSet definitions = BuiltIn();
  definitions.LoadJsonText(R"({"class": "sbsp", "name": "structure bsp", "size": "0x40", "fields": [
      {"id": "scale", "offset": "0x8", "type": "float"}, {"id": "kind", "offset": "0xC", "type": "int16"},
      {"id": "angle", "offset": "0x18", "type": "angle"}, {"id": "flags", "offset": "0x1C", "type": "flags8"}]})",
                           "sbsp.json");
  definitions.LoadJsonText(R"({"class": "bitm", "name": "bitmap", "size": "0x20", "fields": [
      {"id": "fade", "offset": "0x18", "type": "float"}]})",
                           "bitm.json");
  ASSERT_TRUE(definitions.Messages().empty()) << definitions.Messages().front();
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    SCOPED_TRACE("version " + std::to_string(version));
    testing::TempDir dir, relaidDir;
    const auto history = std::make_shared<History>(dir.File("history.sqlite3"));
    const RealSampleMap real = GenerateRealSampleMap(version, 40, 3);
    const RealSampleMap relaidReal = GenerateRealSampleMap(version, 40, 3, 256, 1);
    const std::string a = dir.Write("a.map", real.map);
    for (const auto& [name, bytes] : real.resources) dir.Write(name, bytes), relaidDir.Write(name, bytes);
    const std::string relaid = relaidDir.Write("relaid.map", relaidReal.map);
    const Bytes modified = testing::WithRandomFieldValues(a, definitions, {"sbsp"}, 3, 30);
    testing::TempDir bDir;
    for (const auto& [name, bytes] : real.resources) bDir.Write(name, bytes);
    const std::string b = bDir.Write("b.map", modified);
    Mod mod = ModBetween(a, b, definitions);
    bool bspEdited = false;
    for (const ModEdit& edit : mod.edits) bspEdited |= edit.tag.rfind("sbsp:", 0) == 0;
    EXPECT_TRUE(bspEdited);

    ModRun run = Apply(mod, {a, relaid}, definitions, history);
    ASSERT_TRUE(run.Complete()) << Table(run);
    EXPECT_EQ(ReadBytesFromFile(a), modified);
    ExpectSameFields(relaid, b, definitions);
    if (version != kVersionCe) continue;

    // An edit of a bitmap kept in bitmaps.map is skipped and named; without
    // --partial the map is not written at all, with it the other edit is.
    std::string external;
    for (std::size_t i = 0; i < real.truth.size(); ++i)
      if (real.truth[i].home == RealTagTruth::Home::External && real.tags[i].class1 == "bitm")
        external = "bitm:" + real.tags[i].name;
    ASSERT_FALSE(external.empty());
    Mod mixed;
    mixed.title = "Mixed";
    mixed.edits = {{external, "fade", "0.5", std::nullopt, false}, mod.edits.front()};
    mixed.edits.back().value = mixed.edits.back().was.value();  // back to the original's value
    mixed.edits.back().was.reset();
    const Bytes before = ReadBytesFromFile(a);
    const Bytes resources = ReadBytesFromFile(dir.File("bitmaps.map"));
    run = Apply(mixed, {a}, definitions, history);
    EXPECT_FALSE(run.Complete());
    EXPECT_EQ(run.maps[0].planned.Count(EditOutcome::Refused), 1u);
    ASSERT_EQ(run.maps[0].planned.notes.size(), 1u);
    EXPECT_NE(run.maps[0].planned.notes[0].find("in bitmaps.map"), std::string::npos) << run.maps[0].planned.notes[0];
    EXPECT_EQ(ReadBytesFromFile(a), before);
    run = Apply(mixed, {a}, definitions, history, true);
    EXPECT_EQ(run.maps[0].state, ModTarget::State::Written);
    EXPECT_NE(ReadBytesFromFile(a), before);
    EXPECT_EQ(ReadBytesFromFile(dir.File("bitmaps.map")), resources);
  }
}

std::string RefusalOf(const std::function<void()>& command) {
  try {
    command();
  } catch (const Refused& refused) {
    return refused.what();
  }
  return "";
}

std::string Edits(std::size_t n, const std::string& edit) {
  std::string text = R"({"format": "jovmod", "title": "t", "edits": [)";
  for (std::size_t i = 0; i < n; ++i) text += (i ? "," : "") + edit;
  return text + "]}";
}

TEST(Mod, RefusalsNameTheReasonAndWriteNothing) {
  const DefinitionSet definitions = BuiltIn();
  testing::TempDir dir;
  auto history = std::make_shared<History>(dir.File("history.sqlite3"));
  SampleMapPlan plan = GenerateSampleMap(kVersionPc, 30, 4);
  GiveSampleTagsTheirFields(plan, definitions, 4);
  const Bytes original = WriteSampleMap(plan);
  const std::string one = dir.Write("one.map", original);
  const std::string two = dir.Write("two.map", original);
  const std::string locked = dir.Write("locked.map", original);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const std::string torn = dir.Write("torn.map", original);
  // A step recorded and never finished: a command cut short.
  StepWrite write;
  write.offset = 0x900;
  write.before = {original[0x900]};
  write.after = {static_cast<unsigned char>(original[0x900] + 1)};
  write.lengthBefore = write.lengthAfter = original.size();
  history->RecordStep(History::KeyOf(torn), torn, "Set powerup_time", {write}, 1, false);
  // A working mod: one edit that changes an equipment's powerup time.
  std::string eqip;
  for (const SampleTag& tag : plan.tags)
    if (tag.class1 == "eqip") eqip = tag.name;
  ASSERT_FALSE(eqip.empty());
  Mod good;
  good.title = "Good";
  good.edits = {{"eqip:" + eqip, "powerup_time", "2.5", std::nullopt, false}};
  const std::string goodEdit = R"({"tag": "eqip:x", "field": "powerup_time", "value": "1"})";

  const auto modText = [&](const std::string& text) {
    return [&, text] {
      const std::string path = dir.Write("bad.jovmod", Bytes(text.begin(), text.end()));
      CheckModEdits(ReadModFile(path), path, definitions);
    };
  };
  const auto maps = [&](std::vector<std::string> paths) {
    return [&, paths] {
      const ModRun run = Apply(good, paths, definitions, history);
      std::string table;
      for (const std::string& line : ModTableLines(run, false)) table += line + "\n";
      if (!run.Complete()) throw Refused(table);
    };
  };
  const struct {
    const char* name;
    std::function<void()> command;
    std::vector<std::string> says;
  } cases[] = {
      {"not JSON", modText("{\"format\": \"jovmod\",\n \"edits\": [}"), {"bad.jovmod is not a mod: it is not JSON (line 2"}},
      {"not a mod", modText(R"({"edits": []})"), {"bad.jovmod is not a mod"}},
      {"unknown field", modText(Edits(2, goodEdit).replace(Edits(2, goodEdit).rfind("powerup_time"), 12, "powerup_tim")),
       {"bad.jovmod: edit 2: eqip has no field powerup_tim"}},
      {"value that does not parse", modText(Edits(1, R"({"tag": "eqip:x", "field": "powerup_time", "value": "soon"})")),
       {"bad.jovmod: edit 1: powerup_time: \"soon\" is not a number"}},
      {"option that is none", modText(Edits(3, R"({"tag": "eqip:x", "field": "powerup_type", "value": "sideways"})")),
       {"edit 1: powerup_type", "neither an option"}},
      {"entry of a field that is no block", modText(Edits(1, R"({"tag": "eqip:x", "field": "powerup_time[0].x", "value": "1"})")),
       {"edit 1: powerup_time is not a block"}},
      {"class without a definition", modText(Edits(1, R"({"tag": "zzzz:x", "field": "a", "value": "1"})")),
       {"edit 1: no definition describes tags of class zzzz"}},
      {"over 16 MiB", modText(Edits(1, goodEdit) + std::string(kMaxModBytes, ' ')), {"a mod is at most 16 MiB"}},
      {"1,000,000 edits", modText(Edits(1000000, "{}")), {"bad.jovmod: edit 1,000,000: a mod holds at most 999,999 edits"}},
      {"map named twice", maps({one, two, dir.Path() + "/./one.map"}), {"refused: named twice (also as " + one + ")"}},
      {"read-only map", maps({one, locked}), {"locked.map", "refused: the map is read-only"}},
      {"interrupted edit", maps({one, torn}), {"refused: the map has an interrupted edit (Set powerup_time)"}},
      {"not a map", maps({one, dir.File("bad.jovmod")}), {"bad.jovmod", "refused:"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = RefusalOf(c.command);
    for (const std::string& part : c.says) EXPECT_NE(text.find(part), std::string::npos) << text;
    for (const std::string& path : {one, two, locked, torn}) EXPECT_EQ(ReadBytesFromFile(path), original) << path;
    EXPECT_TRUE(history->Steps(one).empty());
  }
  // The same maps with --partial: the refused ones are named, the others written.
  const ModRun partial = Apply(good, {one, locked, torn}, definitions, history, true);
  EXPECT_EQ(partial.maps[0].state, ModTarget::State::Written);
  EXPECT_EQ(partial.maps[1].state, ModTarget::State::Refused);
  EXPECT_EQ(partial.maps[2].state, ModTarget::State::Refused);
  EXPECT_FALSE(partial.Complete());
  EXPECT_NE(ReadBytesFromFile(one), original);
}

TEST(Mod, EditsThatCannotApplyLeaveTheMapUntouchedUnlessPartial) {
  const DefinitionSet definitions = BuiltIn();
  testing::TempDir dir;
  auto history = std::make_shared<History>(dir.File("history.sqlite3"));
  SampleMapPlan plan = GenerateSampleMap(kVersionCe, 30, 8);
  GiveSampleTagsTheirFields(plan, definitions, 8);
  const Bytes original = WriteSampleMap(plan);
  const std::string path = dir.Write("m.map", original);
  std::string eqip;
  for (const SampleTag& tag : plan.tags)
    if (tag.class1 == "eqip") eqip = tag.name;
  Opened opened(path);
  Mod mod;
  mod.title = "Each outcome";
  mod.edits = {
      {"eqip:" + eqip, "powerup_time", "2.5", std::nullopt, false},          // applied
      {"eqip:" + eqip, "powerup_time", "2.5", std::nullopt, false},          // planned on the bytes read: applied too
      {"eqip:no\\such\\tag", "powerup_time", "1", std::nullopt, false},     // tag missing
      {"eqip:" + eqip, "widgets[99].reference", "none", std::nullopt, false},  // field missing
      {"eqip:" + eqip, "grenade_type", "1", std::string("7"), false},       // was differs
      {"eqip:" + eqip, "material_effects", "weap:not\\here", std::nullopt, false},  // refused for this map
  };
  const ModMapPlan planned = PlanModForMap(opened.map, mod, definitions, "Apply mod Each outcome");
  EXPECT_EQ(planned.Count(EditOutcome::Applied), 2u);
  EXPECT_EQ(planned.Count(EditOutcome::TagMissing), 1u);
  EXPECT_EQ(planned.Count(EditOutcome::FieldMissing), 1u);
  EXPECT_EQ(planned.Count(EditOutcome::WasDiffers), 1u);
  EXPECT_EQ(planned.Count(EditOutcome::Refused), 1u);
  EXPECT_EQ(planned.notes.size(), 4u);
  EXPECT_EQ(planned.plan.label, "Apply mod Each outcome");

  ModRun run = Apply(mod, {path}, definitions, history);
  EXPECT_EQ(run.maps[0].state, ModTarget::State::Untouched);
  EXPECT_EQ(ReadBytesFromFile(path), original);
  const std::vector<std::string> table = ModTableLines(run, false);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].rfind("map", 0), 0u);
  EXPECT_NE(table[1].find("untouched: not every edit applies"), std::string::npos) << table[1];
  run = Apply(mod, {path}, definitions, history, true);
  EXPECT_EQ(run.maps[0].state, ModTarget::State::Written);
  EXPECT_EQ(history->Steps(path).size(), 1u);
}

}  // namespace
}  // namespace jov
