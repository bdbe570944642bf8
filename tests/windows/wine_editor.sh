#!/usr/bin/env bash
# Starts jov.exe under Wine on a virtual X display with a sample map, waits for
# its window and saves a screenshot of the screen.
#
#   tests/windows/wine_editor.sh PACKAGE_FOLDER LINUX_JOV_CLI SCREENSHOT.png
#
# Wants WINEPREFIX and WINEDEBUG in the environment (see wine_stage.sh).
set -u
package=$1
cli=$2
shot=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/jov-wine-editor.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$cli" make-sample --version 7 --seed 4 "$work/bloodgulch.map" >/dev/null || exit 1

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# Wine's desktop process, started by wineboot before there was a display,
# would take the window onto no screen at all: the prefix starts anew here.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null

JOV_STATE_DIR=$work/state wine "$package/jov.exe" "$work/bloodgulch.map" >"$work/jov.log" 2>&1 &
pid=$!
window=
# A first start in a new prefix on a busy machine can take a minute.
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || { cat "$work/jov.log"; echo "wine editor: jov.exe ended before showing a window"; exit 1; }
  window=$(xdotool search --onlyvisible --name 'JOV' 2>/dev/null | head -n 1)
  [[ -n $window ]] && break
  sleep 0.2
done
if [[ -z $window ]]; then
  # What the screen shows instead, for the log.
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do echo "window: $(xdotool getwindowname "$w")"; done
  import -window root "${shot%.png}-failed.png" 2>/dev/null && echo "wine editor: the screen is in ${shot%.png}-failed.png"
  kill "$pid" 2>/dev/null
  cat "$work/jov.log"
  echo "wine editor: no JOV window appeared"
  exit 1
fi
echo "wine editor: window '$(xdotool getwindowname "$window")' appeared"
sleep 2  # let the map's tree fill in
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
echo "wine editor: screenshot in $shot"
