#!/usr/bin/env bash
# Starts the real editor on a virtual X display, waits for its "JOV" window,
# checks that Escape leaves it open and that Ctrl+Q ends the program cleanly.
# Then starts it with two maps on its command line and checks the title names
# both. This catches what the offscreen tests cannot: a missing X platform
# library or plugin, arguments lost on the way to the window.
#
# Usage: tests/gui/xvfb_smoke.sh path/to/jov [path/to/jov-cli]
# (jov-cli writes the two sample maps; by default the one in jov's build tree.)
set -u

fail() { echo "xvfb smoke: FAIL: $*" >&2; exit 1; }

# Waits for a visible window whose title is $1 (a regular expression) and puts
# its id in $window; ends the test when $pid ends first or nothing shows.
await_window() {
  window=""
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      cat "$log" >&2
      fail "jov ended before showing a window"
    fi
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$window" ] && return 0
    sleep 0.2
  done
  xwininfo -root -tree >&2 || true
  kill "$pid" 2>/dev/null
  cat "$log" >&2
  fail "no window titled $1 appeared"
}

# Ctrl+Q must end the program, with status 0.
quit_cleanly() {
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+q
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    fail "jov did not end on Ctrl+Q"
  fi
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || fail "jov ended with status $status"
}

if [ "${1:-}" = "--on-display" ]; then
  jov=$2
  cli=$3
  log=$(mktemp)
  maps=$(mktemp -d)
  trap 'rm -rf "$log" "$maps"' EXIT
  # The tests run with the offscreen platform; this one needs the real one.
  # A settings folder of its own: no recent list or geometry of the user's.
  export XDG_CONFIG_HOME="$maps/config"
  QT_QPA_PLATFORM=xcb "$jov" >"$log" 2>&1 &
  pid=$!
  await_window '^JOV$'
  geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  echo "xvfb smoke: window JOV is up (id $window, $geometry)"

  # Escape is no way out of the main window.
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers Escape
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "jov ended on Escape"
  quit_cleanly
  echo "xvfb smoke: Escape kept the window, Ctrl+Q ended jov with status 0"

  # Two maps on the command line: one in each panel, both named in the title.
  "$cli" make-sample "$maps/first.map" --tags 40 --seed 1 >/dev/null || fail "jov-cli make-sample failed"
  "$cli" make-sample "$maps/second.map" --version 5 --tags 30 --seed 2 >/dev/null || fail "jov-cli make-sample failed"
  QT_QPA_PLATFORM=xcb "$jov" "$maps/first.map" "$maps/second.map" >"$log" 2>&1 &
  pid=$!
  await_window '^JOV - first\.map \| second\.map$'
  echo "xvfb smoke: two maps from the command line, title \"JOV - first.map | second.map\""
  quit_cleanly
  exit 0
fi

jov=${1:-}
[ -n "$jov" ] || { echo "usage: $0 path/to/jov" >&2; exit 2; }
[ -x "$jov" ] || fail "$jov is not an executable"
jov=$(cd "$(dirname "$jov")" && pwd)/$(basename "$jov")
cli=${2:-$(dirname "$jov")/../../jov-cli}
[ -x "$cli" ] || fail "$cli is not an executable (give jov-cli as the second argument)"
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

# The X server and the two X tools come from Debian's packages.
missing=()
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
command -v xdotool >/dev/null || missing+=(xdotool)
command -v xwininfo >/dev/null || missing+=(x11-utils)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    echo "xvfb smoke: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null ||
      { apt-get update -qq >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null; } ||
      fail "cannot install ${missing[*]}"
  else
    fail "missing ${missing[*]} (install them as root)"
  fi
fi

# -noreset: the server must not reset when the first jov quits, or the second
# one may find no display to connect to.
exec xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" bash "$0" --on-display "$jov" "$cli"
