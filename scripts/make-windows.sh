#!/usr/bin/env bash
# Cross-builds JOV for 64-bit Windows with MinGW-w64, into build-windows/.
#
#   scripts/make-windows.sh              jov.exe, jov-cli.exe, the tests, the zip and the installer
#   scripts/make-windows.sh --cli-only   jov-cli.exe and the tests (no Qt needed)
#
# Installs the Debian packages it needs (root or sudo). What Debian has no
# MinGW build of is built once into ${XDG_CACHE_HOME:-~/.cache}/jov/: SQLite
# and GoogleTest here, Qt by scripts/build-qt-windows.sh (which the full build
# needs first).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

cli_only=0
for arg in "$@"; do
  case "$arg" in
    --cli-only) cli_only=1 ;;
    -h|--help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "make-windows.sh: unknown argument '$arg' (try --help)" >&2; exit 2 ;;
  esac
done

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nlohmann-json3-dev libcli11-dev
          googletest dpkg-dev tcl gcc make ccache)
[[ $cli_only -eq 0 ]] && packages+=(nsis zip)
scripts/ensure-packages.sh "${packages[@]}"

triple=x86_64-w64-mingw32
cache=${XDG_CACHE_HOME:-$HOME/.cache}/jov
deps=$cache/mingw-deps
qt=$cache/qt-6.4.2-mingw
build=$here/build-windows
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$deps/include" "$deps/lib" "$deps/share/cmake"

# --- header-only libraries: Debian's headers and config files, seen from the
# target's prefix (the host's /usr/include must never reach the cross compiler).
for lib in nlohmann CLI; do ln -sfn "/usr/include/$lib" "$deps/include/$lib"; done
for config in nlohmann_json CLI11; do
  rm -rf "$deps/share/cmake/$config"
  cp -r "/usr/share/cmake/$config" "$deps/share/cmake/$config"
done

# --- SQLite, from Debian's source: its amalgamation made on the host, then
# compiled for Windows.
if [[ ! -f $deps/lib/libsqlite3.a ]]; then
  echo "Building SQLite for Windows from Debian's source"
  work=$(mktemp -d)
  scripts/debian-source.sh sqlite3 "$work" >"$work/source.log" 2>&1 || { cat "$work/source.log" >&2; exit 1; }
  src=$(find "$work" -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
  (cd "$src" && mkdir -p host && cd host && ../configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
  ${triple}-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c "$src/host/sqlite3.c" -o "$work/sqlite3.o"
  ${triple}-ar rcs "$deps/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$src/host/sqlite3.h" "$src/host/sqlite3ext.h" "$deps/include/"
  rm -rf "$work"
fi

# --- pugixml (the XML definition files), from Debian's source.
if [[ ! -f $deps/lib/cmake/pugixml/pugixml-config.cmake ]]; then
  echo "Building pugixml for Windows from Debian's source"
  work=$(mktemp -d)
  scripts/debian-source.sh pugixml "$work" >"$work/source.log" 2>&1 || { cat "$work/source.log" >&2; exit 1; }
  src=$(find "$work" -maxdepth 1 -type d -name 'pugixml-*' | head -n 1)
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$deps" \
        -DCMAKE_INSTALL_LIBDIR=lib "${launcher[@]}" >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; exit 1; }
  cmake --build "$work/build" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
fi

# --- GoogleTest, from Debian's googletest sources.
if [[ ! -f $deps/lib/libgtest.a ]]; then
  echo "Building GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$cache/gtest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$deps" \
        -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF "${launcher[@]}" >"$cache/gtest-configure.log"
  cmake --build "$cache/gtest-build" -j2 >"$cache/gtest-build.log"
  cmake --install "$cache/gtest-build" >/dev/null
fi

# --- JOV
gui=OFF
prefix=$deps
qtroot=
if [[ $cli_only -eq 0 ]]; then
  if [[ ! -f $qt/lib/cmake/Qt6/Qt6Config.cmake ]]; then
    echo "make-windows.sh: Qt for Windows is not built yet ($qt): run scripts/build-qt-windows.sh first, or use --cli-only" >&2
    exit 1
  fi
  gui=ON
  prefix="$deps;$qt"
  qtroot=$qt
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" -DJOV_WINDOWS_DEPS="$deps" \
      -DJOV_WINDOWS_QT="$qtroot" "-DCMAKE_PREFIX_PATH=$prefix" "-DCMAKE_FIND_ROOT_PATH=/usr/$triple;$deps;$qt" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DSQLite3_INCLUDE_DIR="$deps/include" -DSQLite3_LIBRARY="$deps/lib/libsqlite3.a" \
      -DZLIB_USE_STATIC_LIBS=ON -DJOV_GUI=$gui -DJOV_BENCH=OFF "${launcher[@]}" >"$build.configure.log" 2>&1 \
  || { cat "$build.configure.log" >&2; exit 1; }
mv "$build.configure.log" "$build/configure.log"
targets=(jov-cli core_tests cli_tests)
[[ $gui == ON ]] && targets+=(jov)
# Progress lines go to the log only; warnings and errors are shown.
status=0
cmake --build "$build" -j2 --target "${targets[@]}" >"$build/build.log" 2>&1 || status=$?
grep -v -E '^\[[0-9]+/[0-9]+\] ' "$build/build.log" || true
[[ $status -eq 0 ]] || { echo "make-windows.sh: the build failed (log: $build/build.log)" >&2; exit 1; }
echo "make-windows.sh: built into $build"

[[ $cli_only -eq 1 ]] && exit 0
"$here/scripts/package-windows.sh" "$build" "$qt"
