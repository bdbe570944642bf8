#pragma once
#include <string>

namespace jov {

// Where JOV keeps the user's files, per system. Paths are UTF-8.
// The edit history's folder: $JOV_STATE_DIR, else $XDG_STATE_HOME/jov, else
// ~/.local/state/jov (Windows: %LOCALAPPDATA%\JOV).
std::string StateFolder();
// The user's own tag definitions: $XDG_DATA_HOME/jov/definitions, else
// ~/.local/share/jov/definitions (Windows: %APPDATA%\JOV\definitions).
std::string UserDefinitionsFolder();

}  // namespace jov
