#!/usr/bin/env bash
# The Windows build, tested under Wine: builds it (scripts/make-windows.sh),
# runs the core and CLI unit tests in a throw-away Wine prefix, compares
# jov-cli.exe with the Linux jov-cli byte for byte (parity.sh), starts the
# editor under Xvfb with a sample map and saves a screenshot of its window,
# and installs and uninstalls it with its installer.
#
#   tests/windows/wine_stage.sh LINUX_JOV_CLI
#
# The editor needs Qt for Windows in the cache; when it is missing it is built
# first (scripts/build-qt-windows.sh, about 20 minutes on 2 cores). When
# test.sh started the whole build in the background (build_all.sh), its end
# is awaited instead:
#   JOV_WINDOWS_BUILD_STATUS  file the background build writes its status to
#   JOV_WINDOWS_BUILD_PGID    its process group, given back a normal priority
#   JOV_WINDOWS_BUILD_LOG     its output
#
# Its last line counts the tests: "windows: N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux_cli=$1
build=$here/build-windows
cache=${XDG_CACHE_HOME:-$HOME/.cache}/jov
passed=0 failed=0 skipped=0

finish() {
  for note in "${notes[@]}"; do echo "windows note: $note"; done
  for name in "${failed_names[@]}"; do echo "windows failed: $name"; done
  echo "windows: $passed passed, $failed failed, $skipped skipped"
  exit $((failed > 0))
}

qt_ready() { [[ -f $cache/qt-6.4.2-mingw/lib/cmake/Qt6/Qt6Config.cmake ]]; }
failed_names=()
notes=()

built=0
start=$SECONDS
if [[ -n ${JOV_WINDOWS_BUILD_STATUS:-} ]]; then
  echo "Waiting for the Windows build test.sh started in the background (log: ${JOV_WINDOWS_BUILD_LOG:-?})"
  # Nothing else runs now: the build gets the whole machine (lowering a nice
  # value needs root; without it the build goes on as it was).
  [[ -n ${JOV_WINDOWS_BUILD_PGID:-} ]] && renice -n 0 -g "$JOV_WINDOWS_BUILD_PGID" >/dev/null 2>&1
  while [[ ! -s $JOV_WINDOWS_BUILD_STATUS ]]; do
    # Ended without a status: stopped from outside.
    if [[ -n ${JOV_WINDOWS_BUILD_PGID:-} ]] && ! kill -0 -- "-$JOV_WINDOWS_BUILD_PGID" 2>/dev/null; then
      sleep 1
      [[ -s $JOV_WINDOWS_BUILD_STATUS ]] || echo 9 >"$JOV_WINDOWS_BUILD_STATUS"
      break
    fi
    sleep 2
  done
  echo "Waited $((SECONDS - start)) s for it"
  [[ -n ${JOV_WINDOWS_BUILD_LOG:-} ]] && grep -a '^windows build: ' "$JOV_WINDOWS_BUILD_LOG"
  if [[ $(cat "$JOV_WINDOWS_BUILD_STATUS") == 0 ]]; then
    built=1
  else
    # What failed is built again below, where its errors are shown; a failed
    # Qt build's own lines are in the log.
    echo "The background Windows build failed (status $(cat "$JOV_WINDOWS_BUILD_STATUS"))"
    [[ -n ${JOV_WINDOWS_BUILD_LOG:-} ]] && grep -a -E -A8 '^FAILED: |build-qt-windows.sh: ' "$JOV_WINDOWS_BUILD_LOG" | head -n 40
  fi
elif ! qt_ready; then
  "$here/scripts/build-qt-windows.sh"
  echo "Qt for Windows: $((SECONDS - start)) s"
fi
mode=
qt_ready || mode=--cli-only
if [[ $built -eq 0 ]]; then
  start=$SECONDS
  if ! "$here/scripts/make-windows.sh" $mode; then
    echo "the Windows build failed"
    failed=$((failed + 1))
    failed_names+=("the build (scripts/make-windows.sh)")
    finish
  fi
  echo "Windows build${mode:+ ($mode)}: $((SECONDS - start)) s"
fi
if [[ -n $mode ]]; then
  echo "Qt for Windows was not built: the editor, the zip and the installer are not tested"
  failed=$((failed + 1))
  failed_names+=("Qt for Windows (scripts/build-qt-windows.sh)")
fi
"$here/scripts/ensure-packages.sh" wine64 wine >/dev/null || { failed=$((failed + 1)); finish; }

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/jov-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
start=$SECONDS
wineboot -i >/dev/null 2>&1
# One wineserver for every program of the stage, instead of one per command.
wineserver -p
echo "Wine prefix ready in $((SECONDS - start)) s"

# The two test programs run side by side, one a core.
# Each records its edits into a history of its own: two Wine processes that
# wait on one database's locks only slow each other down.
run_gtest() {
  mkdir -p "$WINEPREFIX/state-$1"
  # The test programs' own output has Windows line ends.
  (cd "$build" && JOV_STATE_DIR="$WINEPREFIX/state-$1" wine "$2" --gtest_brief=1) 2>&1 | tr -d '\r' >"$build/$1.log"
  echo "${PIPESTATUS[0]}" >"$build/$1.status"
}
# gtest's summary lines give the counts; a crash gives none and counts as a failure.
# A case that fails is run once more on its own: one that passes then is
# counted as passed and named in a note (Wine on a loaded machine), one that
# fails again is a failure, named on the stage's "windows failed:" line.
count_gtest() {
  local name=$1 log=$build/$1.log
  grep -a -E '^\[  FAILED  \] [A-Za-z]|^\.\./.*(Failure|Skipped)' -A6 "$log" | grep -a -v '^\[       OK' | head -n 80
  local total ok skip
  total=$(sed -n -E 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$log" | tail -n 1)
  ok=$(sed -n -E 's/^\[  PASSED  \] ([0-9]+) tests?\./\1/p' "$log" | tail -n 1)
  skip=$(sed -n -E 's/^\[  SKIPPED \] ([0-9]+) tests?.*/\1/p' "$log" | tail -n 1)
  if [[ -z $total ]]; then
    echo "$name: no test summary (exit $(cat "$build/$name.status"); log: $log)"
    failed=$((failed + 1))
    failed_names+=("$name (no summary, exit $(cat "$build/$name.status"))")
    return
  fi
  local bad=$((total - ${ok:-0} - ${skip:-0})) case
  passed=$((passed + ${ok:-0}))
  skipped=$((skipped + ${skip:-0}))
  echo "$name: ${ok:-0} passed, ${skip:-0} skipped of $total (log: $log)"
  [[ $bad -gt 0 ]] || return
  mapfile -t cases < <(sed -n -E 's/^\[  FAILED  \] ([A-Za-z_][A-Za-z0-9_/.]*)(,? .*)?$/\1/p' "$log" | sort -u)
  for case in "${cases[@]}"; do
    if (cd "$build" && JOV_STATE_DIR="$WINEPREFIX/state-$name" wine "$name.exe" --gtest_brief=1 --gtest_filter="$case") 2>&1 | tr -d '\r' >"$build/$name.again.log"; then
      passed=$((passed + 1))
      notes+=("$name $case failed once and passed when run again")
    else
      failed=$((failed + 1))
      failed_names+=("$name $case")
    fi
    bad=$((bad - 1))
  done
  # Failures gtest did not name (a crash after some cases) stay failures.
  if [[ $bad -gt 0 ]]; then
    failed=$((failed + bad))
    failed_names+=("$name: $bad unnamed")
  fi
}

start=$SECONDS
run_gtest core_tests core_tests.exe &
run_gtest cli_tests cli_tests.exe &
wait
count_gtest core_tests
count_gtest cli_tests
echo "Unit tests under Wine: $((SECONDS - start)) s"

echo "Parity with the Linux jov-cli"
if bash "$here/tests/windows/parity.sh" "$linux_cli" "$build/jov-cli.exe"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  failed_names+=("parity with the Linux jov-cli")
fi

# The editor, the zip and the installer.
if [[ -z $mode ]]; then
  start=$SECONDS
  echo "The editor under Wine and Xvfb"
  if bash "$here/tests/windows/wine_editor.sh" "$build/package" "$linux_cli" "$here/docs/images/windows.png"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failed_names+=("the editor under Wine")
  fi
  echo "The installer under Wine"
  version=$(sed -n -E 's/^project\(jov VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
  if bash "$here/tests/windows/check_installer.sh" "$build/jov-$version-setup.exe"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failed_names+=("the installer under Wine")
  fi
  echo "Editor and installer under Wine: $((SECONDS - start)) s"
fi
finish
