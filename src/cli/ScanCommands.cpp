// jov-cli scan, select, update-item: the Meta Scanner of the "Map 1" (or "Map 2")
// panel run on one tag.
#include <iostream>
#include <optional>

#include "cli/CliCommon.h"
#include "history/StepLabel.h"
#include "map/FieldText.h"
#include "map/ValueText.h"
#include "scanner/ScannerPanel.h"

namespace jov::cli {

namespace {

// The options every scanner command takes.
struct ScanArgs {
  std::string path;
  std::string tag;
  std::string kinds = "dlr";
  std::string step = "0.01";
  int panel = 1;
  std::string line;
  std::optional<std::string> tagChoice;
  std::optional<std::string> classChoice;
  std::optional<std::string> value;
};

void AddScanOptions(CLI::App* cmd, ScanArgs& args) {
  cmd->add_option("MAP", args.path, "Map file")->required();
  cmd->add_option("TAG", args.tag, "Tag: index or CLASS:NAME")->required();
  cmd->add_option("--kinds", args.kinds,
                  "Kinds to search: d Dependencies, l LoneIDs, r Reflexives, s Shorts, f Floats (default dlr)");
  cmd->add_option("--step", args.step, "The scanner value: the float search's step (default 0.01)");
  cmd->add_option("--panel", args.panel, "Whose scanner runs: 1 or 2 (the Shorts range differs)")
      ->check(CLI::IsMember({1, 2}));
}

// A value the scanner value's field would refuse: the toolkit's message, exit 1.
std::optional<float> ParseValue(const std::string& text) {
  const auto value = ParseNumberField(text);
  if (!value) {
    ConsoleDialogs().ShowValueError(kEnterNumber);
    SetExitStatus(kRefused);
  }
  return value;
}

ScanOptions KindsOf(const std::string& kinds, int panel) {
  ScanOptions options;
  options.nShortsLimit = panel == 2 ? kShortsLimitPanel2 : kShortsLimitPanel1;
  options.bDependencies = options.bLoneIDs = options.bReflexives = false;
  for (const char c : kinds) {
    switch (c) {
      case 'd': options.bDependencies = true; break;
      case 'l': options.bLoneIDs = true; break;
      case 'r': options.bReflexives = true; break;
      case 's': options.bShorts = true; break;
      case 'f': options.bFloats = true; break;
      default: throw UsageError("--kinds " + kinds + ": the kinds are the letters d, l, r, s and f");
    }
  }
  return options;
}

// A scan's message (what was not searched) and its lines, top to bottom.
void PrintScan(const ScanResult& result, bool lines) {
  if (!result.message.empty()) {
    std::cout << result.message << '\n';
    SetExitStatus(kRefused);
  }
  if (!lines) return;
  for (const std::size_t n : result.order) std::cout << result.items[n].strLabel << '\n';
}

// What a command works on: the opened map, its selected tag, the panel's scanner
// and its three boxes as tag selection leaves them (with the step as the value).
struct Session {
  std::unique_ptr<OpenedMap> opened;
  int tag = 0;
  ScannerPanel scanner{1};
  ScanBoxes boxes;
};

std::optional<Session> Scan(const ScanArgs& args) {
  const ScanOptions options = KindsOf(args.kinds, args.panel);
  const auto step = ParseValue(args.step);
  if (!step) return std::nullopt;
  Session session{OpenMap(args.path), 0, ScannerPanel(args.panel), ScanBoxes{"", "", *step}};
  session.tag = ResolveTag(session.opened->map, args.tag);
  SelectTag(*session.opened, session.tag);
  session.scanner.Options() = options;
  session.scanner.Scan(session.opened->map, session.tag, *step);
  return session;
}

// Selects the first line (top to bottom) equal to LINE.
void SelectLine(Session& session, const std::string& line) {
  const ScanResult& results = session.scanner.Results();
  for (const std::size_t n : results.order) {
    if (results.items[n].strLabel == line) {
      session.boxes = session.scanner.Select(session.opened->map, n, session.boxes);
      return;
    }
  }
  throw UsageError("--line " + line + ": no line of the scan is this text");
}

void RunScan(const ScanArgs& args) {
  if (const auto session = Scan(args)) PrintScan(session->scanner.Results(), true);
}

void RunSelect(const ScanArgs& args) {
  auto session = Scan(args);
  if (!session) return;
  PrintScan(session->scanner.Results(), false);
  SelectLine(*session, args.line);
  std::cout << "Tag choice: " << session->boxes.strTagChoice << '\n'
            << "Class choice: " << session->boxes.strClassChoice << '\n'
            << "Value: " << FloatToText(session->boxes.fValue) << '\n';
}

void RunUpdateItem(const ScanArgs& args) {
  auto session = Scan(args);
  if (!session) return;
  PrintScan(session->scanner.Results(), false);
  SelectLine(*session, args.line);
  if (args.tagChoice) session->boxes.strTagChoice = *args.tagChoice;
  if (args.classChoice) session->boxes.strClassChoice = *args.classChoice;
  if (args.value) {
    const auto value = ParseValue(*args.value);
    if (!value) return;
    session->boxes.fValue = *value;
  }
  ConsoleDialogs dialogs;
  RunPlanned(*session->opened, StepLabel("Update Item", session->opened->map, session->tag), dialogs, [&] {
    session->boxes = session->scanner.Update(session->opened->map, session->tag, session->boxes, dialogs);
  });
  PrintScan(session->scanner.Results(), true);
}

const Registration kRegistration([](CLI::App& app) {
  static ScanArgs scanArgs;
  auto* scan = app.add_subcommand("scan", "\"Scan Metadata\" on TAG; prints the results tree's lines");
  AddScanOptions(scan, scanArgs);
  scan->callback([] { RunScan(scanArgs); });

  static ScanArgs selectArgs;
  auto* select = app.add_subcommand("select", "Scans TAG, selects the result LINE and prints the boxes it fills");
  AddScanOptions(select, selectArgs);
  select->add_option("--line", selectArgs.line, "The result line to select, exactly")->required();
  select->callback([] { RunSelect(selectArgs); });

  static ScanArgs updateArgs;
  auto* update = app.add_subcommand(
      "update-item", "Scans TAG, selects LINE, replaces the boxes given, presses \"Update Item\"; prints the rescan");
  AddScanOptions(update, updateArgs);
  update->add_option("--line", updateArgs.line, "The result line to select, exactly")->required();
  update->add_option("--tag-choice", updateArgs.tagChoice, "The scanner tag choice's text");
  update->add_option("--class-choice", updateArgs.classChoice, "The scanner class choice's text");
  update->add_option("--value", updateArgs.value, "The scanner value");
  AddDryRun(update);
  update->callback([] { RunUpdateItem(updateArgs); });
});

}  // namespace

}  // namespace jov::cli
