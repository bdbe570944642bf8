#!/usr/bin/env bash
# Cross-builds Qt 6.4.2's qtbase for 64-bit Windows (Core, Gui, Widgets, the
# Windows platform plugin and style) from Debian's source, with the host tools
# of Debian's qt6-base-dev-tools, into ${XDG_CACHE_HOME:-~/.cache}/jov/qt-6.4.2-mingw.
# Does nothing when that folder is there already. About 20 minutes on 2 cores.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/jov
prefix=$cache/qt-6.4.2-mingw
if [[ -f $prefix/lib/cmake/Qt6/Qt6Config.cmake ]]; then
  echo "build-qt-windows.sh: Qt for Windows is already built ($prefix)"
  exit 0
fi

"$here/scripts/ensure-packages.sh" cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools dpkg-dev ccache

work=$cache/qt-build
rm -rf "$work"
mkdir -p "$work"
echo "Fetching Debian's qt6-base source"
"$here/scripts/debian-source.sh" qt6-base "$work/source" >"$work/source.log" 2>&1 || { cat "$work/source.log" >&2; exit 1; }
src=$(find "$work/source" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
version=$(sed -n 's/^set(QT_REPO_MODULE_VERSION "\(.*\)")/\1/p' "$src/.cmake.conf")
[[ $version == 6.4.2 ]] || { echo "build-qt-windows.sh: Debian's qt6-base is $version, not 6.4.2" >&2; exit 1; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# ccache passes over the compiles that use a module's precompiled header (most
# of them) unless told to trust it (sloppiness pch_defines,time_macros), and it
# is not: it would then hash the 120 MB header for every compile, a quarter more
# time for a first build, which is what a new machine and CI do.
echo "Configuring Qt for Windows (log: $work/configure.log)"
# The Windows platform plugin of 6.4.2 does not compile without OpenGL, so it
# stays on; Debian's tarball has no wintab.h, so tablet events are off. What
# the editor never loads is not built: the Direct2D platform plugin (a second
# copy of the Windows one; Direct2D itself stays, the Windows plugin's
# DirectWrite font database is compiled only with it), QtTest, the JPEG and
# GIF image plugins, and widgets and text formats it has no use for (graphics
# view, MDI, calendar and date editors, wizard, dial, LCD, key sequence editor,
# command link, splash screen, font combo box, Qt's undo framework, column
# view, ODF and Markdown).
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=ON \
  -DFEATURE_direct2d1_1=OFF -DFEATURE_testlib=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
  -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF \
  -DFEATURE_wizard=OFF -DFEATURE_dial=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_keysequenceedit=OFF \
  -DFEATURE_commandlinkbutton=OFF -DFEATURE_splashscreen=OFF -DFEATURE_fontcombobox=OFF -DFEATURE_undoview=OFF \
  -DFEATURE_undogroup=OFF -DFEATURE_undostack=OFF -DFEATURE_undocommand=OFF -DFEATURE_columnview=OFF \
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF \
  "${launcher[@]}" >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
echo "Building Qt for Windows (log: $work/build.log)"
# On failure, the failing steps' first lines: the end of the log is mostly
# the warnings of the other job.
cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 \
  || { grep -E -A6 '^FAILED: ' "$work/build.log" | cut -c1-400 | head -n 60 >&2; tail -n 5 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
rm -rf "$work"
echo "build-qt-windows.sh: Qt for Windows is in $prefix"
