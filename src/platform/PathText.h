#pragma once
#include <filesystem>
#include <string>

namespace jov {

// std::filesystem::path from and to JOV's UTF-8 strings. A path made from a
// plain std::string is read in the ANSI code page on Windows, which turns a
// folder named "Mapas de Halo – copia" into another name; through char8_t
// the conversion is UTF-8 on every system (and none at all on POSIX).
inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace jov
