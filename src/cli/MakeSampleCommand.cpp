// jov-cli make-sample: a synthetic map to try the editor on without a game file.
#include <cstdio>

#include "check/XboxCompression.h"
#include "cli/CliCommon.h"
#include "fields/SampleFields.h"
#include "map/RealSampleMap.h"
#include "map/SampleMap.h"
#include "platform/SaveFile.h"

namespace jov::cli {

namespace {

// Resource maps are written before the map, each whole or not at all.
void WriteRealSample(const std::string& out, int version, int tags, std::uint32_t seed, std::uint32_t relayout,
                     const std::string& resources, bool compressed) {
  if (!resources.empty() && version != 609) throw UsageError("--resources writes Halo CE resource maps: --version 609");
  if (tags < 4) throw UsageError("--layout real writes a scenario, two structure BSPs and a model: --tags 4 or more");
  const RealSampleMap sample = GenerateRealSampleMap(static_cast<std::uint16_t>(version), tags, seed, 256, relayout);
  for (const auto& [name, bytes] : sample.resources) {
    if (resources.empty()) break;
    const std::string path = resources + "/" + name;
    SaveFile file(path, path);
    file.File().Write(0, bytes.data(), bytes.size());
    file.Commit();
  }
  if (!compressed) {
    SaveFile file(out, out);
    file.File().Write(0, sample.map.data(), sample.map.size());
    file.Commit();
    return;
  }
  const std::string plain = out + ".decompressed";
  WriteBytesToFile(plain, sample.map);
  try {
    CompressXboxMap(plain, out);
  } catch (...) {
    std::remove(plain.c_str());
    throw;
  }
  std::remove(plain.c_str());
}

const Registration kRegistration([](CLI::App& app) {
  auto* cmd = app.add_subcommand("make-sample", "Write a synthetic, well-formed map to OUT");
  static std::string out;
  static int version = 7;
  static int tags = 64;
  static std::uint32_t seed = 1;
  static std::uint32_t relayout = 0;
  static bool compressed = false;
  static std::string layout = "sample";
  static std::string resources;
  cmd->add_option("OUT", out, "Map file to write")->required();
  cmd->add_option("--version", version, "Map version: 5, 7 or 609")->check(CLI::IsMember({5, 7, 609}));
  cmd->add_option("--tags", tags, "Number of tags")->check(CLI::Range(2, 65535));
  cmd->add_option("--seed", seed, "Seed; the same seed gives the same bytes");
  cmd->add_option("--relayout", relayout,
                  "The same tags with metadata in another order and other identifiers (0: the plain layout)");
  cmd->add_flag("--xbox-compressed", compressed, "An Xbox map (version 5) compressed as the game ships it");
  cmd->add_option("--layout", layout,
                  "sample: header, index, names, metadata; real: as the game's tools lay maps out (structure BSP "
                  "sections, raw and model data, CE tags in resource maps)")
      ->check(CLI::IsMember({"sample", "real"}));
  cmd->add_option("--resources", resources, "With --layout real --version 609: write bitmaps.map, sounds.map and loc.map into DIR")
      ->type_name("DIR");
  cmd->callback([cmd] {
    if (compressed && version != 5 && cmd->count("--version") > 0) throw UsageError("--xbox-compressed writes an Xbox map: --version 5 or none");
    if (layout == "real") {
      WriteRealSample(out, compressed ? 5 : version, tags, seed, relayout, resources, compressed);
      return;
    }
    if (!resources.empty()) throw UsageError("--resources comes with --layout real");
    SampleMapPlan plan =
        GenerateSampleMap(static_cast<std::uint16_t>(compressed ? 5 : version), tags, seed, 256, relayout);
    // The tags modders edit most get their real layout, from the built-in
    // definitions only: the same seed gives the same bytes on every machine.
    DefinitionSet definitions;
    definitions.LoadFolder(BuiltInDefinitionsFolder());
    GiveSampleTagsTheirFields(plan, definitions, seed);
    if (!compressed) {
      // Whole or not at all: an existing file is replaced only by a complete map.
      const std::vector<unsigned char> bytes = WriteSampleMap(plan);
      SaveFile file(out, out);
      file.File().Write(0, bytes.data(), bytes.size());
      file.Commit();
      return;
    }
    const std::string plain = out + ".decompressed";
    WriteBytesToFile(plain, WriteSampleMap(plan));
    try {
      CompressXboxMap(plain, out);
    } catch (...) {
      std::remove(plain.c_str());
      throw;
    }
    std::remove(plain.c_str());
  });
});

}  // namespace

}  // namespace jov::cli
