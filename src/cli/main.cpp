#include <iostream>

#include "cli/CliCommon.h"
#include "history/History.h"
#include "map/Refused.h"
#include "platform/FileError.h"
#include "platform/Version.h"

int main(int argc, char** argv) {
  CLI::App app{"jov-cli: the JOV map editor's commands without a window"};
  app.require_subcommand(1);
  app.fallthrough(false);
  app.set_version_flag("--version", jov::kVersionText, "Print the program's version and exit");
  // Every map write is recorded in the edit history first, unless the user
  // turns it off for a batch job; a history that cannot be used is reported
  // once on standard error and the commands work as before.
  jov::History& history = jov::History::Instance();
  history.SetOffNotice([](const std::string& reason) {
    std::string text = jov::kHistoryOffText;
    text.replace(text.find("%1"), 2, reason);
    std::cerr << "jov-cli: " << text << '\n';
  });
  app.add_flag_callback(
      "--no-history", [&history] { history.TurnOff("--no-history was given"); },
      "Do not record the edits in the edit history (batch jobs)");
  jov::cli::RegisterAll(app);
  try {
    app.parse(argc, argv);
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
