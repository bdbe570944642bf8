# Cross build for 64-bit Windows with Debian's MinGW-w64 (the -posix
# compilers: their libstdc++ has std::thread and std::mutex on winpthreads).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DJOV_WINDOWS_DEPS=DIR ...
#
# JOV_WINDOWS_DEPS is the prefix scripts/make-windows.sh fills with what Debian
# has no MinGW package of (SQLite, GoogleTest, and the config files of the
# header-only libraries); Qt's prefix may be added to CMAKE_PREFIX_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(JOV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${JOV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${JOV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${JOV_MINGW_TRIPLE}-windres)

# Only the target's own files: never a host library or host header.
set(CMAKE_FIND_ROOT_PATH /usr/${JOV_MINGW_TRIPLE})
if(JOV_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${JOV_WINDOWS_DEPS})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JOV_WINDOWS_DEPS JOV_WINDOWS_QT)
# Qt for Windows (scripts/build-qt-windows.sh) is a root of its own: its
# packages are found only under a root.
if(JOV_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${JOV_WINDOWS_QT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
