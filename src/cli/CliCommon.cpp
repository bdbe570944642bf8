#include "cli/CliCommon.h"

#include "map/PlanStage.h"

#include <cstdio>
#include <iostream>

#include "check/MapKind.h"

namespace jov::cli {

namespace {

std::vector<Registrar>& Registrars() {
  static std::vector<Registrar> registrars;
  return registrars;
}

int& Status() {
  static int status = kDone;
  return status;
}

bool IsDecimal(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

Registration::Registration(Registrar registrar) { Registrars().push_back(std::move(registrar)); }

void RegisterAll(CLI::App& app) {
  for (const Registrar& registrar : Registrars()) registrar(app);
}

DefinitionSet Definitions(const std::string& folder) {
  DefinitionSet set = LoadDefinitions(folder);
  for (const std::string& message : set.Messages()) std::cerr << "jov-cli: " << message << '\n';
  return set;
}

std::string& ResourceFolderOption() {
  static std::string folder;
  return folder;
}

void SetExitStatus(int status) { Status() = status; }
int ExitStatus() { return Status(); }

std::unique_ptr<OpenedMap> OpenMap(const std::string& path) {
  RequireMapFile(path, path);
  auto opened = std::make_unique<OpenedMap>();
  // Only the executor writes a map, through a handle of its own.
  opened->map.File().RequireStage();
  opened->map.m_strResourceFolder = ResourceFolderOption();
  opened->map.OpenPath(opened->tree, path);
  return opened;
}

int ResolveTag(const CMapFile& map, const std::string& tag) {
  if (IsDecimal(tag)) {
    const int index = std::stoi(tag);
    if (index < map.m_nTagCount) return index;
    throw UsageError("TAG " + tag + ": the map has " + std::to_string(map.m_nTagCount) + " tags");
  }
  const auto colon = tag.find(':');
  if (colon != std::string::npos) {
    const std::string cls = tag.substr(0, colon);
    const std::string name = tag.substr(colon + 1);
    for (int i = 0; i < map.m_nTagCount; ++i)
      if (map.m_tags[static_cast<std::size_t>(i)].strClass1 == cls && map.m_tags[static_cast<std::size_t>(i)].strName == name)
        return i;
  }
  throw UsageError("TAG " + tag + " picks no tag of the map");
}

void SelectTag(OpenedMap& opened, int index) { opened.tree.Select(opened.map.m_tags[static_cast<std::size_t>(index)].hTreeItem); }

std::optional<std::string> ConsoleDialogs::PickOpenFile(const FileDialogOptions&) { return openPath; }
std::optional<std::string> ConsoleDialogs::PickSaveFile(const FileDialogOptions&) { return savePath; }

void ConsoleDialogs::ShowMessage(const std::string& text) {
  if (defer) {
    deferred.push_back(text);
    return;
  }
  std::cout << text << '\n' << std::flush;
}

bool ConsoleDialogs::AskYesNo(const std::string& text) {
  std::cout << text << '\n' << std::flush;
  if (!yes) declined = true;
  return yes;
}

void ConsoleDialogs::ShowFileError(const std::string& text) { std::cerr << text << '\n'; }
void ConsoleDialogs::ShowValueError(const std::string& text) { std::cerr << text << '\n'; }

void ConsoleDialogs::Flush() {
  defer = false;
  for (const std::string& text : deferred) ShowMessage(text);
  deferred.clear();
}

namespace {
bool& DryRunFlag() {
  static bool flag = false;
  return flag;
}
}  // namespace

void AddDryRun(CLI::App* command) {
  command->add_flag("--dry-run", DryRunFlag(), "Print what the command would write, and write nothing");
  // A writing command: the history opens while the maps are read.
  command->parse_complete_callback([] { ProgramHistory().OpenSoon(); });
}

bool DryRun() { return DryRunFlag(); }

namespace {
const std::shared_ptr<History>& SharedHistory() {
  static const std::shared_ptr<History> history = History::OfUser();
  return history;
}
}  // namespace

History& ProgramHistory() { return *SharedHistory(); }

MapDocument DocumentOf(const std::string& path) { return MapDocument(path, SharedHistory()); }

PlanOutcome RunPlan(const EditPlan& plan, ConsoleDialogs* dialogs) {
  PlanOutcome outcome;
  const bool held = dialogs && !dialogs->deferred.empty();
  if (DryRun()) {
    std::cout << DescribePlan(plan);
    if (dialogs) dialogs->deferred.clear();
    return outcome;
  }
  if (!plan.Empty() || plan.kind != PlanKind::Command) outcome = DocumentOf(plan.path).Apply(plan);
  if (dialogs) dialogs->Flush();
  // A command that wrote nothing because the user said no, or that explained
  // itself, needs no note; one that found its bytes already there says so.
  const bool declined = dialogs && dialogs->declined;
  if (!outcome.written && plan.kind == PlanKind::Command && !held && !declined && ExitStatus() == kDone) {
    std::string text = kNothingToWriteText;
    text.replace(text.find("%1"), 2, plan.label);
    std::cerr << text << '\n';
  }
  return outcome;
}

PlanOutcome RunPlanned(OpenedMap& opened, const std::string& label, ConsoleDialogs& dialogs,
                       const std::function<void()>& command) {
  dialogs.defer = true;
  const EditPlan plan = PlanOf(opened.map, label, command);
  PlanOutcome outcome;
  try {
    outcome = RunPlan(plan, &dialogs);
  } catch (...) {
    dialogs.deferred.clear();
    dialogs.defer = false;
    throw;
  }
  // The model was read through the plan; what the file holds now is read again.
  if (opened.map.m_bOpen && outcome.written) opened.map.Reload(opened.tree);
  return outcome;
}

}  // namespace jov::cli
