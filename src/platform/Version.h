#pragma once
// The program's version, set once in the top-level CMakeLists.txt (project VERSION).
#ifndef JOV_VERSION
#error "JOV_VERSION comes from the build: project(jov VERSION ...)"
#endif

namespace jov {
inline constexpr const char* kVersion = JOV_VERSION;
// What `jov --version`, `jov-cli --version` and the About box print.
inline constexpr const char* kVersionText = "JOV " JOV_VERSION;
}  // namespace jov
