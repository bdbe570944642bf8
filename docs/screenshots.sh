#!/usr/bin/env bash
# Remakes the guide's pictures: starts the editor on a virtual X display (Xvfb)
# with two maps from `jov-cli make-sample`, drives it with the keyboard and
# saves PNGs into docs/images/.
#
#   docs/screenshots.sh [BUILD-DIR]     default build-release/ (./run.sh builds it)
#
# The window may change (menus, their order, new dialogs), so nothing here counts
# on a menu position: the Edit, Tools and Help menus are walked item by item, and
# every dialog that opens is saved under a name made from its window title
# ("Map Info" -> map-info.png). The main window is saved as two-maps.png, with
# a tag selected and scanned. Rerun after any change to the window.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ ${1:-} != --on-display ]]; then
  build=$(cd "${1:-$here/build-release}" && pwd)
  for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing (packages xvfb, xdotool, imagemagick)" >&2; exit 1; }
  done
  [[ -x $build/src/app/jov && -x $build/jov-cli ]] || { echo "screenshots.sh: no jov and jov-cli in $build (build them first)" >&2; exit 1; }
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --on-display "$build"
fi
build=$2

images=$here/docs/images
work=$(mktemp -d)
mkdir -p "$images"
rm -f "$images"/*.png   # a dialog renamed or gone leaves no stale picture
export JOV_STATE_DIR=$work/state
"$build/jov-cli" make-sample "$work/pc.map" --version 7 --tags 64 --seed 1 >/dev/null
"$build/jov-cli" make-sample "$work/ce.map" --version 609 --tags 48 --seed 2 >/dev/null

# Both maps given on the command line: Map 1 and Map 2.
QT_QPA_PLATFORM=xcb "$build/src/app/jov" "$work/pc.map" "$work/ce.map" >"$work/jov.log" 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

# The id of the first visible window whose title matches, waiting up to 5 s.
window_named() {
  local id
  for _ in $(seq 1 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Titles of the visible windows other than the main one.
dialogs() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null || true); do
    [[ $id == "$main" ]] && continue
    xdotool getwindowname "$id" 2>/dev/null || true
  done | sort -u
}
save() {  # save WINDOW-ID NAME
  sleep 0.4
  import -window "$1" "$images/$2.png"
  echo "saved docs/images/$2.png"
}
slug() { tr 'A-Z' 'a-z' <<<"$1" | sed -E 's/[^a-z0-9]+/-/g; s/^-//; s/-$//'; }
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"; sleep 0.2; }
# Closes every dialog: Escape until only the main window is left.
close_dialogs() {
  for _ in 1 2 3 4; do
    [[ -z $(dialogs) ]] && return 0
    xdotool key --clearmodifiers Escape
    sleep 0.4
  done
}
# Opens a map through the file dialog that KEYS opens.
open_map() {  # open_map PATH KEYS...
  local path=$1; shift
  focus_main
  xdotool key --clearmodifiers "$@"
  sleep 1
  [[ -n $(dialogs) ]] || return 1
  xdotool type --delay 10 "$path"
  xdotool key Return
  sleep 1.5
}

main=$(window_named '^JOV') || { cat "$work/jov.log" >&2; echo "screenshots.sh: no JOV window" >&2; exit 1; }
close_dialogs

# A tag of Map 1 selected and scanned: the tag tree is the large area at the top
# left; its first class opened and its first tag chosen, then Enter scans.
geometry=$(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: //p')
width=${geometry%x*} height=${geometry#*x}
xdotool mousemove --window "$main" $((width / 4)) $((height / 6)) click 1
sleep 0.3
xdotool key Home Right Down
sleep 0.3
xdotool key Return
sleep 1
close_dialogs
save "$main" two-maps

# A weapon of Map 1 in the Fields tab, its bytes in the hex view below: the
# tree's keyboard search finds the class, Right opens it, Down picks its first
# tag. The picture is Map 1's half of the window.
xdotool mousemove --window "$main" $((width / 4)) $((height / 6)) click 1
sleep 0.3
xdotool key Home
xdotool type --delay 50 weap
xdotool key Right Down
sleep 1
import -window "$main" -crop "${width}x$((height / 2))+0+0" +repage "$images/fields.png"
echo "saved docs/images/fields.png"

# What a dialog shows before it is saved, when an empty one would tell little.
fill_dialog() {
  case "$1" in
    "Crappy Hex Editor") xdotool type --delay 5 "DEADBEEF 00000000 0000803F" ;;
    "Hex - Float Converter") xdotool key ctrl+a; xdotool type --delay 5 "1.5"; xdotool key alt+f ;;
  esac
}

# Every dialog of the Edit, Tools and Help menus, found by walking each menu (the
# File menu is left alone: it ends the program).
declare -A seen=()
for menu in alt+e alt+t alt+h; do
  for steps in $(seq 0 24); do
    focus_main
    keys=("$menu")
    for ((i = 0; i < steps; i++)); do keys+=(Down); done
    xdotool key --clearmodifiers "${keys[@]}" Return
    sleep 1
    title=$(dialogs | head -n 1)
    if [[ -n $title && -z ${seen[$title]:-} && $title != Open && $title != Message ]]; then
      seen[$title]=1
      if id=$(window_named "^$title\$"); then
        fill_dialog "$title"
        save "$id" "$(slug "$title")"
      fi
    fi
    close_dialogs
  done
done
echo "screenshots.sh: done"
