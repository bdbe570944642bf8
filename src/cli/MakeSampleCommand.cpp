// jov-cli make-sample: a synthetic map to try the editor on without a game file.
#include "cli/CliCommon.h"
#include "map/SampleMap.h"

namespace jov::cli {

namespace {

const Registration kRegistration([](CLI::App& app) {
  auto* cmd = app.add_subcommand("make-sample", "Write a synthetic, well-formed map to OUT");
  static std::string out;
  static int version = 7;
  static int tags = 64;
  static std::uint32_t seed = 1;
  static std::uint32_t relayout = 0;
  cmd->add_option("OUT", out, "Map file to write")->required();
  cmd->add_option("--version", version, "Map version: 5, 7 or 609")->check(CLI::IsMember({5, 7, 609}));
  cmd->add_option("--tags", tags, "Number of tags")->check(CLI::Range(2, 65535));
  cmd->add_option("--seed", seed, "Seed; the same seed gives the same bytes");
  cmd->add_option("--relayout", relayout,
                  "The same tags with metadata in another order and other identifiers (0: the plain layout)");
  cmd->callback([] {
    const SampleMapPlan plan = GenerateSampleMap(static_cast<std::uint16_t>(version), tags, seed, 256, relayout);
    WriteBytesToFile(out, WriteSampleMap(plan));
  });
});

}  // namespace

}  // namespace jov::cli
