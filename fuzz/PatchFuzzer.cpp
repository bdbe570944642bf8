// A patch file made of the fuzzer's bytes, read, then planned against the map
// its seeds were made from, as a dry run does. A patch is read or refused
// (Refused, nothing else); one read is written out so that it reads again and
// writes the same text; planning it, whatever the outcome, writes nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "compare/Patch.h"
#include "platform/MemoryTreeView.h"

using namespace jov;

namespace {

// The patch target's map, written and opened once (never destroyed, like the
// scratch folder it lies in), and its bytes.
struct TargetMap {
  std::string path = fuzz::ScratchFile("patch.map");
  std::vector<unsigned char> bytes = WriteSampleMap(fuzz::PatchTargetPlan());
  MemoryTreeView tree;
  CMapFile map;
  TargetMap() {
    fuzz::WriteWholeFile(path, bytes.data(), bytes.size());
    map.OpenPath(tree, path);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Patch patch;
  try {
    patch = PatchFromJson(text);
  } catch (const Refused&) {
    return 0;
  }
  const std::string written = PatchToJson(patch);
  try {
    fuzz::Check(PatchToJson(PatchFromJson(written)) == written, "a patch written and read again writes the same text");
  } catch (const Refused&) {
    fuzz::Fail("a patch read is written so that it reads again");
  }

  static TargetMap* const target = new TargetMap;
  fuzz::FuzzDialogs dialogs;
  dialogs.yes = size % 2 == 0;  // both answers to "another map" and "overwrite"
  try {
    ApplyPatch(target->map, patch, dialogs, nullptr);
  } catch (const Refused&) {
  }
  fuzz::Check(fuzz::ReadWholeFile(target->path) == target->bytes, "planning a patch writes nothing");
  return 0;
}
