#!/usr/bin/env bash
# Runs the Windows installer silently under Wine and checks what it did: the
# files in %LOCALAPPDATA%\Programs\JOV, the Start menu entry, "Open with JOV"
# for .map files, the uninstall entry; then the uninstaller removes all of it
# and keeps the user's history folder.
#
#   tests/windows/check_installer.sh SETUP_EXE
#
# Wants WINEPREFIX (a throw-away prefix) and WINEDEBUG=-all.
set -u
setup=$1
failures=0
pass() { echo "  ok: $*"; }
bad() { echo "  FAILED: $*"; failures=$((failures + 1)); }

user_dir=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
local_app=$(winepath -u "$user_dir" 2>/dev/null)
start_menu=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs
target=$local_app/Programs/JOV
key() { wine reg query "$1" >/dev/null 2>&1; }

wine "$setup" /S || bad "the installer ended with status $?"
for f in jov.exe jov-cli.exe uninstall.exe LICENSE.txt README.txt platforms/qwindows.dll; do
  [[ -f $target/$f ]] && pass "installed $f" || bad "$f is not in $target"
done
[[ -f $start_menu/JOV.lnk ]] && pass "Start menu entry" || bad "no Start menu entry"
key 'HKCU\Software\Classes\Applications\jov.exe\shell\open\command' && pass "Open with JOV" || bad "no Open with JOV"
key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\JOV' && pass "uninstall entry" || bad "no uninstall entry"
[[ $(wine "$target/jov-cli.exe" --version 2>/dev/null) == "JOV "* ]] && pass "the installed jov-cli runs" \
  || bad "the installed jov-cli does not run"

# The user's history must outlive the program.
mkdir -p "$local_app/JOV"
echo keep >"$local_app/JOV/history.sqlite"
# _? runs the uninstaller in place, so that it is done when wine returns.
wine "$target/uninstall.exe" /S "_?=$(winepath -w "$target")" || bad "the uninstaller ended with status $?"
[[ ! -e $target/jov.exe && ! -e $target/platforms ]] && pass "the program is gone" || bad "files are left in $target"
[[ ! -e $start_menu/JOV.lnk ]] && pass "the Start menu entry is gone" || bad "the Start menu entry is left"
key 'HKCU\Software\Classes\Applications\jov.exe' && bad "Open with JOV is left" || pass "Open with JOV is gone"
key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\JOV' && bad "the uninstall entry is left" || pass "the uninstall entry is gone"
[[ -f $local_app/JOV/history.sqlite ]] && pass "the history is kept" || bad "the history was removed"
[[ $failures -eq 0 ]]
