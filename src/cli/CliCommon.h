#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "edit/MapDocument.h"
#include "fields/FieldDefinition.h"
#include "history/History.h"
#include "map/EditPlan.h"
#include "map/MapFile.h"
#include "platform/MemoryTreeView.h"
#include "platform/UserDialogs.h"

namespace jov::cli {

// Each command file adds its subcommands to the application once, through a
// static Registration, so main() never lists the commands.
using Registrar = std::function<void(CLI::App&)>;
struct Registration {
  explicit Registration(Registrar registrar);
};
void RegisterAll(CLI::App& app);

// Exit statuses of the command-line contract.
inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;
inline constexpr int kUsage = 2;

// A wrong TAG, a missing line, ...: printed with the usage hint, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command that ends with a status other than 0 without an exception (a
// question answered no, "Not enough space to inject.").
void SetExitStatus(int status);
int ExitStatus();

// A map opened as the editor's "Map 1" panel opens it, with its tree in memory.
// A file that is not a map, or a compressed Xbox map, is refused first
// ("PATH is not a Halo map: REASON.").
struct OpenedMap {
  MemoryTreeView tree;
  CMapFile map;
};
std::unique_ptr<OpenedMap> OpenMap(const std::string& path);
// --resource-folder: where a CE map's bitmaps.map, sounds.map and loc.map are
// looked for (empty: beside the map).
std::string& ResourceFolderOption();
// The built-in definitions, then the user's (or folder's); a skipped file is
// reported on standard error and the command goes on.
DefinitionSet Definitions(const std::string& folder);

// TAG: a decimal index, or CLASS:NAME split at the first colon (the first tag
// in index order with that class 1 and name).
int ResolveTag(const CMapFile& map, const std::string& tag);
// Selects the tag's item in the map's tree, as a click in the editor would.
void SelectTag(OpenedMap& opened, int index);
// The "Map Info" fields of a map, one "Label: value" line each (info, header).
void PrintMapInfo(const CMapFile& map);

// Dialogs answered from the command line: pickers return the paths given,
// messages go to standard output, a question is printed and answered by --yes.
class ConsoleDialogs : public UserDialogs {
 public:
  std::optional<std::string> openPath;
  std::optional<std::string> savePath;
  bool yes = false;
  bool declined = false;
  // While a command is planned its messages ("Inject completed.") wait until
  // the plan has been written; a refused plan drops them.
  bool defer = false;
  std::vector<std::string> deferred;
  void Flush();

  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void ShowFileError(const std::string& text) override;
  void ShowValueError(const std::string& text) override;
};

// Writing commands take --dry-run: the plan is printed, nothing is written.
void AddDryRun(CLI::App* command);
bool DryRun();

// The edit history of this run: the user's, made at the first use; main turns
// it off for --no-history. Every map a command writes is a document of it.
History& ProgramHistory();
MapDocument DocumentOf(const std::string& path);

// Runs a writing command: plans what command would write into the map (its
// messages held back), then prints the plan (--dry-run) or applies it, re-reads
// the map, and prints the held messages. A plan that changes nothing says so.
PlanOutcome RunPlanned(OpenedMap& opened, const std::string& label, ConsoleDialogs& dialogs,
                       const std::function<void()>& command);
// The same for a plan made some other way (undo, redo, recover, patches).
PlanOutcome RunPlan(const EditPlan& plan, ConsoleDialogs* dialogs = nullptr);

}  // namespace jov::cli
