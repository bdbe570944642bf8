#pragma once
#include <string>
#include <string_view>

namespace jov {

class CMapFile;

// A step's label: the command as the user knows it, with the tag it acted on as
// CLASS:NAME ("Direct Inject weap:weapons\pistol\pistol"). A tag index the map
// does not hold gives the command alone.
std::string StepLabel(std::string_view command, const CMapFile& map, int tag);

}  // namespace jov
