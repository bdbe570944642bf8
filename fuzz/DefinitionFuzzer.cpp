// A JSON definition file made of the fuzzer's bytes, read as a user's file: it
// is refused with a message that names it, or read within the bounds, and its
// field tree over a sample map's tags stays within its own (FieldBounds.h).
#include <cstdint>
#include <string>

#include "FieldBounds.h"

using namespace jov;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  DefinitionSet set;
  set.LoadJsonText(text, "fuzz.json");
  fuzz::CheckDefinitionSet(set, "fuzz.json");
  return 0;
}
