#!/usr/bin/env bash
# Starts the real editor on a virtual X display, waits for its "JOV" window,
# closes it with Escape and checks that the program ended cleanly. This catches
# what the offscreen tests cannot: a missing X platform library or plugin.
#
# Usage: tests/gui/xvfb_smoke.sh path/to/jov
set -u

fail() { echo "xvfb smoke: FAIL: $*" >&2; exit 1; }

if [ "${1:-}" = "--on-display" ]; then
  jov=$2
  log=$(mktemp)
  # The tests run with the offscreen platform; this one needs the real one.
  QT_QPA_PLATFORM=xcb "$jov" >"$log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      cat "$log" >&2
      fail "jov ended before showing a window"
    fi
    window=$(xdotool search --onlyvisible --name '^JOV$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    xwininfo -root -tree >&2 || true
    kill "$pid" 2>/dev/null
    cat "$log" >&2
    fail "no window titled JOV appeared"
  fi
  geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  echo "xvfb smoke: window JOV is up (id $window, $geometry)"

  # Escape is the window's cancel: the program must end, with status 0.
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers Escape
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    fail "jov did not end on Escape"
  fi
  wait "$pid"
  status=$?
  rm -f "$log"
  [ "$status" -eq 0 ] || fail "jov ended with status $status"
  echo "xvfb smoke: closed with Escape, exit status 0"
  exit 0
fi

jov=${1:-}
[ -n "$jov" ] || { echo "usage: $0 path/to/jov" >&2; exit 2; }
[ -x "$jov" ] || fail "$jov is not an executable"
jov=$(cd "$(dirname "$jov")" && pwd)/$(basename "$jov")

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

exec xvfb-run -a -s "-screen 0 1600x1000x24" bash "$0" --on-display "$jov"
