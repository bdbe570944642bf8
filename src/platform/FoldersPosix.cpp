#include <cstdlib>

#include "platform/Folders.h"

namespace jov {

namespace {

std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : ".";
}

std::string FromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : "";
}

}  // namespace

std::string StateFolder() {
  if (auto dir = FromEnv("JOV_STATE_DIR"); !dir.empty()) return dir;
  if (auto xdg = FromEnv("XDG_STATE_HOME"); !xdg.empty()) return xdg + "/jov";
  return Home() + "/.local/state/jov";
}

std::string UserDefinitionsFolder() {
  if (auto xdg = FromEnv("XDG_DATA_HOME"); !xdg.empty()) return xdg + "/jov/definitions";
  return Home() + "/.local/share/jov/definitions";
}

}  // namespace jov
