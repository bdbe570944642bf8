// jov-cli diff and patch: two maps compared tag by tag, and a mod shared as a
// patch that verifies before it writes.
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommon.h"
#include "compare/CompareMaps.h"
#include "compare/Patch.h"
#include "fields/FieldDefinition.h"
#include "map/ValueText.h"
#include "mod/ModCreate.h"

namespace jov::cli {

namespace {

constexpr int kMapsDiffer = 1;

std::string Hex(const std::string& bytes) {
  return BytesToHex(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<long>(bytes.size()));
}

nlohmann::json ComparisonJson(const MapComparison& comparison) {
  using nlohmann::json;
  json fields = json::array();
  for (const FieldChange& change : comparison.header)
    fields.push_back({{"field", change.field}, {"a", Hex(change.before)}, {"b", Hex(change.after)}});
  json tags = json::array();
  for (const TagDifference& tag : comparison.tags) {
    json ranges = json::array();
    for (const ByteRange& range : tag.ranges)
      ranges.push_back({{"offset", range.offset}, {"length", range.after.size()}, {"a", Hex(range.before)}, {"b", Hex(range.after)}});
    json record = json::array();
    for (const FieldChange& change : tag.record)
      record.push_back({{"field", change.field}, {"a", Hex(change.before)}, {"b", Hex(change.after)}});
    const auto offset = [](const std::optional<std::uint32_t>& at) { return at ? json(*at) : json(nullptr); };
    tags.push_back({{"state", StateText(tag.state)},
                    {"class", Latin1ToUtf8(tag.class1)},
                    {"name", Latin1ToUtf8(tag.name)},
                    {"renamed to", tag.secondName.empty() ? json(nullptr) : json(Latin1ToUtf8(tag.secondName))},
                    {"a", tag.first},
                    {"b", tag.second},
                    {"meta a", offset(tag.metaFirst)},
                    {"meta b", offset(tag.metaSecond)},
                    {"bytes", tag.ChangedBytes()},
                    {"ranges", std::move(ranges)},
                    {"record", std::move(record)}});
  }
  return {{"matched", comparison.matched},
          {"changed", comparison.Count(TagState::Changed)},
          {"only in Map 1", comparison.Count(TagState::OnlyInFirst)},
          {"only in Map 2", comparison.Count(TagState::OnlyInSecond)},
          {"header", std::move(fields)},
          {"tags", std::move(tags)}};
}

void Diff(const std::string& pathA, const std::string& pathB, bool asJson) {
  auto a = OpenMap(pathA);
  auto b = OpenMap(pathB);
  const MapComparison comparison = CompareMaps(a->map, b->map);
  if (asJson) {
    std::cout << ComparisonJson(comparison).dump(1) << '\n';
  } else {
    std::cout << SummaryLine(comparison) << '\n';
    for (const FieldChange& change : comparison.header) std::cout << HeaderLine(change) << '\n';
    for (const TagDifference& tag : comparison.tags) std::cout << DifferenceLine(tag) << '\n';
  }
  if (!comparison.Same()) SetExitStatus(kMapsDiffer);
}

// Field by field through the definitions: what `mod create` would write.
void DiffFields(const std::string& pathA, const std::string& pathB) {
  const DefinitionSet definitions = LoadDefinitions();
  for (const std::string& message : definitions.Messages()) std::cerr << "jov-cli: " << message << '\n';
  auto a = OpenMap(pathA);
  auto b = OpenMap(pathB);
  const FieldComparison comparison = CompareFields(a->map, b->map, definitions);
  for (const FieldDifference& difference : comparison.fields) std::cout << FieldDifferenceLine(difference) << '\n';
  for (const std::string& line : comparison.leftOut) std::cerr << "left out: " << line << '\n';
  if (!comparison.fields.empty() || !comparison.leftOut.empty()) SetExitStatus(kMapsDiffer);
}

void Create(const std::string& originalPath, const std::string& modifiedPath, const std::string& out,
            const std::string& title, const std::string& author) {
  auto original = OpenMap(originalPath);
  auto modified = OpenMap(modifiedPath);
  const Patch patch = CreatePatch(original->map, modified->map, title, author);
  const std::vector<std::string> leftOut = LeftOutLines(patch);
  if (!leftOut.empty()) {
    std::cout << "The patch cannot carry " << leftOut.size() << (leftOut.size() == 1 ? " difference" : " differences")
              << "; applying it leaves out:\n";
    for (const std::string& line : leftOut) std::cout << "  " << line << '\n';
  }
  WritePatchFile(out, patch);
  for (const std::string& line : PatchLines(patch)) std::cout << line << '\n';
}

void Show(const std::string& path) {
  for (const std::string& line : PatchLines(ReadPatchFile(path))) std::cout << line << '\n';
}

void Apply(const std::string& mapPath, const std::string& patchPath, bool dryRun, bool yes) {
  const Patch patch = ReadPatchFile(patchPath);
  auto opened = OpenMap(mapPath);
  ConsoleDialogs dialogs;
  dialogs.yes = yes;
  MapDocument document = DocumentOf(mapPath);
  const PatchResult result = ApplyPatch(opened->map, patch, dialogs, dryRun ? nullptr : &document);
  switch (result.outcome) {
    case ApplyOutcome::Declined:
      SetExitStatus(kRefused);
      return;
    case ApplyOutcome::Conflicts:
      std::cout << "The patch does not fit this map; nothing was written.\n";
      for (const PatchConflict& conflict : result.conflicts) std::cout << ConflictLine(conflict) << '\n';
      SetExitStatus(kRefused);
      return;
    case ApplyOutcome::Verified:
      std::cout << DescribePlan(result.plan);
      break;
    case ApplyOutcome::Applied:
      if (result.leftOut.empty()) std::cout << "Patch applied: " << result.writes.size() << " writes.\n";
      else std::cout << "Applied part of the patch: " << result.writes.size() << " writes.\n";
      break;
  }
  if (!result.leftOut.empty()) {
    std::cout << (dryRun ? "It would leave out " : "Left out ") << result.leftOut.size()
              << (result.leftOut.size() == 1 ? " difference" : " differences") << " a patch cannot carry:\n";
    for (const std::string& line : result.leftOut) std::cout << "  " << line << '\n';
    SetExitStatus(kRefused);
  }
}

const Registration kRegistration([](CLI::App& app) {
  auto* diff = app.add_subcommand("diff", "Compare map A with map B tag by tag (exit 0: the same, 1: they differ)");
  static std::string diffA, diffB;
  static bool diffJson = false, diffFields = false;
  diff->add_option("A", diffA, "First map file")->required();
  diff->add_option("B", diffB, "Second map file")->required();
  diff->add_flag("--json", diffJson, "Every difference with its bytes, as JSON");
  diff->add_flag("--fields", diffFields,
                 "List differing fields by the tag definitions: TAG<TAB>FIELD<TAB>VALUE IN A<TAB>VALUE IN B")
      ->excludes("--json");
  diff->callback([] { diffFields ? DiffFields(diffA, diffB) : Diff(diffA, diffB, diffJson); });

  auto* patch = app.add_subcommand("patch", "Make, show or apply a patch: a map's changes in terms of tags");
  patch->require_subcommand(1);

  auto* create = patch->add_subcommand("create", "Write the changes from ORIGINAL to MODIFIED as a patch OUT");
  static std::string original, modified, out, title, author;
  create->add_option("ORIGINAL", original, "The map the changes start from")->required();
  create->add_option("MODIFIED", modified, "The map with the changes")->required();
  create->add_option("OUT", out, "The patch file to write")->required();
  create->add_option("--title", title, "The patch's title");
  create->add_option("--author", author, "The patch's author");
  create->callback([] { Create(original, modified, out, title, author); });

  auto* show = patch->add_subcommand("show", "List a patch's changes in the diff form");
  static std::string showPath;
  show->add_option("PATCH", showPath, "Patch file")->required();
  show->callback([] { Show(showPath); });

  auto* apply = patch->add_subcommand(
      "apply", "Verify and apply PATCH to MAP as one step (nothing written on a conflict; exit 1 when it leaves a difference out)");
  static std::string applyMap, applyPatch;
  static bool dryRun = false, yes = false;
  apply->add_option("MAP", applyMap, "Map file")->required();
  apply->add_option("PATCH", applyPatch, "Patch file")->required();
  apply->add_flag("--dry-run", dryRun, "Verify and print what would be written, write nothing");
  apply->add_flag("--yes", yes,
                  "Answer Yes when the patch was made from another map or its new entries or data overwrite tag names "
                  "or metadata");
  apply->callback([] { Apply(applyMap, applyPatch, dryRun, yes); });
});

}  // namespace

}  // namespace jov::cli
