// The user's folders on Windows: history in %LOCALAPPDATA%\JOV (it belongs to
// this machine), definitions in %APPDATA%\JOV\definitions (they roam with the
// user's profile).
#include <windows.h>

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/Win32Text.h"

namespace jov {

namespace {

// Environment values are read wide: the narrow getenv gives them in the ANSI
// code page, which cannot hold every user name.
std::string FromEnv(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  return value && *value ? win32::Narrow(value) : "";
}

std::string Profile() {
  if (auto profile = FromEnv(L"USERPROFILE"); !profile.empty()) return profile;
  return ".";
}

}  // namespace

std::string StateFolder() {
  if (auto dir = FromEnv(L"JOV_STATE_DIR"); !dir.empty()) return dir;
  if (auto local = FromEnv(L"LOCALAPPDATA"); !local.empty()) return local + "\\JOV";
  return Profile() + "\\AppData\\Local\\JOV";
}

std::string UserDefinitionsFolder() {
  if (auto roaming = FromEnv(L"APPDATA"); !roaming.empty()) return roaming + "\\JOV\\definitions";
  return Profile() + "\\AppData\\Roaming\\JOV\\definitions";
}

}  // namespace jov
