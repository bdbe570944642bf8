// jov-cli --version: the program's own flag, which must not swallow the commands'
// --version option (make-sample's map version) nor be accepted after a command.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::RunCli;
using testing::TempDir;

TEST(VersionCli, TheProgramFlagPrintsTheVersionOnlyBeforeACommand) {
  TempDir dir;
  const std::string map = dir.File("v.map");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // exact standard output, or "*" when only the status matters
  };
  const Case cases[] = {
      {{"--version"}, 0, "JOV " JOV_VERSION "\n"},
      {{"--version", "info", map}, 0, "JOV " JOV_VERSION "\n"},
      {{"make-sample", map, "--version", "5", "--tags", "4"}, 0, "*"},
      {{"info", map, "--version"}, 2, ""},
      {{"make-sample", map, "--version"}, 2, ""},
      {{"--versions"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + ' ';
    SCOPED_TRACE(joined);
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out != "*") {
      EXPECT_EQ(r.out, c.out);
    }
    EXPECT_EQ(r.out.find("JOV " JOV_VERSION) != std::string::npos, c.status == 0 && c.out != "*");
  }
}

}  // namespace
}  // namespace jov
