#!/usr/bin/env bash
# Packs the Windows build: build-windows/jov-VERSION-windows-x64.zip (the
# programs, every DLL they load, Qt's plugins, the definitions, LICENSE and a
# README.txt) and build-windows/jov-VERSION-setup.exe (NSIS, per-user).
# Called by scripts/make-windows.sh.
#
#   scripts/package-windows.sh BUILD_FOLDER QT_PREFIX
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
qt=$2
version=$(sed -n -E 's/^project\(jov VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
package=$build/package
rm -rf "$package"
mkdir -p "$package/platforms" "$package/styles"

cp "$build/jov-cli.exe" "$build/src/app/jov.exe" "$package/"
cp "$qt"/bin/Qt6Core.dll "$qt"/bin/Qt6Gui.dll "$qt"/bin/Qt6Widgets.dll "$package/"
cp "$qt/plugins/platforms/qwindows.dll" "$package/platforms/"
cp "$qt/plugins/styles/"*.dll "$package/styles/" 2>/dev/null || true
# Qt's DLLs and the editor use the MinGW runtime's DLLs (jov-cli has it built in).
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$package/"
[[ -d $here/definitions ]] && cp -r "$here/definitions" "$package/definitions"
cp "$here/LICENSE" "$package/LICENSE.txt"
sed 's/$/\r/' >"$package/README.txt" <<TEXT
JOV $version for Windows
========================

JOV edits the tags of Halo map files (Xbox, PC and Custom Edition maps).

  jov.exe       the editor: open a map with File > Open, or drag it onto jov.exe
  jov-cli.exe   the same commands without a window; run "jov-cli --help" in a
                command prompt

JOV records every edit in its history (%LOCALAPPDATA%\\JOV), so Edit > Undo
works across restarts. Your own tag definitions go in
%APPDATA%\\JOV\\definitions.

This folder runs as it is: nothing needs installing. The setup program
(jov-$version-setup.exe) installs the same files for your user only, adds JOV
to the Start menu and "Open with JOV" for .map files.

JOV is free software; see LICENSE.txt.
TEXT

# Every DLL the programs and plugins load must be in the folder or be Windows's own.
missing=0
for binary in "$package"/*.exe "$package"/*.dll "$package"/platforms/*.dll "$package"/styles/*.dll; do
  [[ -f $binary ]] || continue
  while read -r dll; do
    lower=${dll,,}
    [[ -f $package/$dll ]] && continue
    case "$lower" in
      kernel32.dll|user32.dll|gdi32.dll|shell32.dll|ole32.dll|oleaut32.dll|advapi32.dll|comdlg32.dll|winmm.dll|\
      ws2_32.dll|msvcrt.dll|imm32.dll|shlwapi.dll|uxtheme.dll|dwmapi.dll|version.dll|netapi32.dll|userenv.dll|\
      mpr.dll|uuid.dll|winspool.drv|opengl32.dll|d3d11.dll|dxgi.dll|d3d9.dll|dwrite.dll|d2d1.dll|wtsapi32.dll|\
      setupapi.dll|authz.dll|comctl32.dll|shcore.dll|api-ms-win-*|ntdll.dll|secur32.dll|crypt32.dll|bcrypt.dll|\
      cfgmgr32.dll|propsys.dll) ;;
      *) echo "package-windows.sh: $(basename "$binary") needs $dll, which is not in the package" >&2; missing=1 ;;
    esac
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
[[ $missing -eq 0 ]] || exit 1

zip_name=jov-$version-windows-x64.zip
rm -f "$build/$zip_name"
(cd "$package" && zip -q -r -X "$build/$zip_name" .)
echo "package-windows.sh: $build/$zip_name"

convert "$here/src/app/resources/jov-16.png" "$here/src/app/resources/jov-32.png" \
        "$here/src/app/resources/jov-64.png" "$here/src/app/resources/jov-128.png" "$build/jov.ico"
makensis -V2 -DVERSION="$version" -DPACKAGE="$package" -DICON="$build/jov.ico" \
         -DOUTFILE="$build/jov-$version-setup.exe" "$here/packaging/windows/jov.nsi"
echo "package-windows.sh: $build/jov-$version-setup.exe"
