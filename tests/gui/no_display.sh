#!/usr/bin/env bash
# jov started where there is no display: one line on standard error that says
# so and points to jov-cli, exit status 2; --help and --version still answer.
# A platform that needs no display (offscreen) is still the toolkit's.
#
# Usage: tests/gui/no_display.sh path/to/jov
set -u
jov=${1:?usage: $0 path/to/jov}
fail() { echo "no display: FAIL: $*" >&2; exit 1; }
expected="jov needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set); jov-cli runs the same commands in a terminal."
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

for platform in "" "QT_QPA_PLATFORM=xcb" "QT_QPA_PLATFORM=wayland"; do
  err=$(bare $platform "$jov" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq 2 ] || fail "${platform:-no platform}: exit status $status, not 2"
  [ "$err" = "$expected" ] || fail "${platform:-no platform}: printed \"$err\""
done
err=$(bare "$jov" -platform xcb some.map 2>&1 >/dev/null)
[ $? -eq 2 ] && [ "$err" = "$expected" ] || fail "-platform xcb: \"$err\""

bare "$jov" --help | grep -q "A.map" || fail "--help without a display"
bare "$jov" --version | grep -q . || fail "--version without a display"
# The offscreen platform needs no display: jov starts (and is stopped).
err=$(bare QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$(mktemp -d)" timeout 5 "$jov" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 124 ] || fail "offscreen: exit status $status, not still running; \"$err\""
echo "no display: jov refuses with status 2 and its message; --help and --version answer"
