#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "history/History.h"
#include "map/Refused.h"
#include "platform/Console.h"
#include "platform/FileError.h"
#include "platform/Version.h"

int main(int argc, char** argv) {
  jov::UseBinaryStandardStreams();
  std::vector<std::string> arguments = jov::CommandLineArguments(argc, argv);
  std::vector<char*> utf8Argv;
  for (auto& argument : arguments) utf8Argv.push_back(argument.data());
  CLI::App app{"jov-cli: the JOV map editor's commands without a window"};
  app.require_subcommand(1);
  app.fallthrough(false);
  // Options are --name on every system: a path such as /maps/x.map is never
  // read as a Windows-style /option (set before the commands, which inherit it).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", jov::kVersionText, "Print the program's version and exit");
  // Every map write is recorded in the edit history first, unless the user
  // turns it off for a batch job; a history that cannot be used is reported
  // once on standard error and the commands work as before.
  jov::History& history = jov::cli::ProgramHistory();
  history.SetOffNotice([](const std::string& reason) {
    std::string text = jov::kHistoryOffText;
    text.replace(text.find("%1"), 2, reason);
    std::cerr << "jov-cli: " << text << '\n';
  });
  // Taken at once, before the command's own parse starts opening the history.
  app.add_flag_callback(
         "--no-history", [&history] { history.TurnOff("--no-history was given"); },
         "Do not record the edits in the edit history (batch jobs)")
      ->trigger_on_parse();
  app.add_option("--resource-folder", jov::cli::ResourceFolderOption(),
                 "Where a CE map's resource maps (bitmaps.map, sounds.map, loc.map) are read from (default: beside the map)")
      ->trigger_on_parse();
  jov::cli::RegisterAll(app);
  try {
    app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return jov::cli::kUsage;
  } catch (const jov::cli::UsageError& e) {
    std::cerr << "jov-cli: " << e.what() << "\nRun with --help for more information.\n";
    return jov::cli::kUsage;
  } catch (const jov::FileError& e) {
    std::cerr << e.what() << '\n';
    return jov::cli::kRefused;
  } catch (const jov::Refused& e) {
    std::cout << e.what() << '\n';
    return jov::cli::kRefused;
  }
  return jov::cli::ExitStatus();
}
