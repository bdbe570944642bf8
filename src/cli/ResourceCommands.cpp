// jov-cli resources: what a resource map (bitmaps.map, sounds.map, loc.map) holds, read-only.
#include <iostream>

#include "cli/CliCommon.h"
#include "map/ResourceMap.h"

namespace jov::cli {

namespace {

const Registration kRegistration([](CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "resources", "The entries of the resource map FILE (bitmaps.map, sounds.map, loc.map): index, path, size, offset");
  static std::string path;
  cmd->add_option("FILE", path, "Resource map file")->required();
  cmd->callback([] {
    ResourceMapFile file;
    file.Open(path, path);
    for (const ResourceEntry& entry : file.Listing().entries)
      std::cout << entry.index << '\t' << entry.path << '\t' << entry.size << '\t' << std::hex << entry.offset << std::dec << '\n';
  });
});

}  // namespace

}  // namespace jov::cli
