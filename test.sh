#!/usr/bin/env bash
# Builds JOV and runs the whole test suite twice: a normal build (build-test/)
# and an AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/).
# Installs any missing Debian packages first (root or sudo).
#
#   ./test.sh           the suite, both builds
#   ./test.sh --bench   the same, then the benchmarks (normal build)
#
# Ends non-zero when anything failed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

run_bench=0
for arg in "$@"; do
  case "$arg" in
    --bench) run_bench=1 ;;
    -h|--help) sed -n '2,9s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "test.sh: unknown argument '$arg' (try --help)" >&2; exit 2 ;;
  esac
done

# How long each stage took, for the summary.
stage_names=("Debian packages")
stage_starts=("$SECONDS")

# Tests record their edits into a history of their own, never the user's.
JOV_STATE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/jov-test-state.XXXXXX")
export JOV_STATE_DIR
windows_build_pgid=
JOV_WINDOWS_BUILD_STATUS=
cleanup() {
  # The background Windows build, when it is still running.
  [[ -n $windows_build_pgid && ! -s $JOV_WINDOWS_BUILD_STATUS ]] && kill -- "-$windows_build_pgid" 2>/dev/null
  rm -rf "$JOV_STATE_DIR" "$JOV_WINDOWS_BUILD_STATUS"
}
trap cleanup EXIT

# The Windows build (tests/windows/build_all.sh: jov-cli.exe and the tests, Qt
# for Windows when the cache has none, which alone takes some 20 minutes of
# both cores, then the editor, the zip and the installer) runs in the
# background from the start at the lowest priority: it takes the time the other
# stages leave idle (package installs, tests that wait, single-threaded
# fuzzing, links) and slows them by little. The Windows stage comes last and
# waits for what is left of it at full speed. Its packages are installed
# first, so that it starts while the others install and runs no apt of its own.
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nlohmann-json3-dev libcli11-dev
                  googletest dpkg-dev tcl gcc make ccache nsis zip qt6-base-dev qt6-base-dev-tools imagemagick)
if [[ -f tests/windows/wine_stage.sh ]]; then
  scripts/ensure-packages.sh "${windows_packages[@]}" \
    || { echo "test.sh: could not install the packages of the Windows build" >&2; exit 1; }
  JOV_WINDOWS_BUILD_LOG=$here/build-windows.log
  JOV_WINDOWS_BUILD_STATUS=$(mktemp "${TMPDIR:-/tmp}/jov-windows-build.XXXXXX")
  # Its own process group, so that it can be given back a normal priority and
  # be stopped whole.
  setsid nice -n 19 bash tests/windows/build_all.sh "$JOV_WINDOWS_BUILD_STATUS" \
    >"$JOV_WINDOWS_BUILD_LOG" 2>&1 </dev/null &
  windows_build_pgid=$!
  JOV_WINDOWS_BUILD_PGID=$windows_build_pgid
  export JOV_WINDOWS_BUILD_LOG JOV_WINDOWS_BUILD_STATUS JOV_WINDOWS_BUILD_PGID
  echo "The Windows build runs in the background (log: $JOV_WINDOWS_BUILD_LOG)"
fi

mapfile -t packages < scripts/packages.txt
[[ -f tests/windows/wine_stage.sh ]] && packages+=(wine64 wine)
scripts/ensure-packages.sh "${packages[@]}" || { echo "test.sh: could not install the build packages" >&2; exit 1; }

passed=0
failed=0
failures=()
notes=()

stage() {
  printf '\n==== %s ====\n' "$1"
  stage_names+=("$1")
  stage_starts+=("$SECONDS")
}
fail() { failed=$((failed + 1)); failures+=("$1"); }

# lld links the test programs (dozens, each with debug information, some with
# the sanitizers) about three times as fast as the default linker.
linker=()
command -v ld.lld >/dev/null && linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)

# Builds one folder; returns non-zero when configuring or building failed.
build() {
  local dir=$1; shift
  mkdir -p "$dir"
  cmake -S . -B "$dir" -G Ninja "${linker[@]}" "$@" >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; return 1; }
  # Progress lines go to the log only; warnings and errors are shown.
  cmake --build "$dir" -j2 2>&1 | tee "$dir/build.log" | grep -v -E '^\[[0-9]+/[0-9]+\] '
  local status=${PIPESTATUS[0]}
  [[ $status -eq 0 ]] && echo "built (log: $dir/build.log)"
  return "$status"
}

# Runs ctest in a build folder. Passing tests are not listed (the full log is
# DIR/ctest.log); failures show their output. Adds the counts to the totals.
run_ctest() {
  local dir=$1 name=$2
  ctest --test-dir "$dir" -j2 --timeout 300 --no-tests=error --output-on-failure >"$dir/ctest.log" 2>&1
  local status=$?
  grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed |^ +Start +[0-9]+: ' "$dir/ctest.log"
  local summary total bad
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$dir/ctest.log" | tail -n 1)
  if [[ -n "$summary" ]]; then
    bad=$(sed -E 's/.*, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [[ $bad -gt 0 ]] && failures+=("$name: $bad of $total tests")
    while IFS= read -r line; do failures+=("$name: $line"); done \
      < <(sed -n '/The following tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \(.*\)$/\1/p' "$dir/ctest.log" | head -n 20)
  fi
  if [[ $status -ne 0 && ( -z "$summary" || ${bad:-0} -eq 0 ) ]]; then
    fail "$name: ctest ended with status $status"
  fi
}

# A script stage (GUI smoke test, short fuzzing) counts as one test.
run_script() {
  local name=$1; shift
  if bash "$@"; then passed=$((passed + 1)); else fail "$name"; fi
}

stage "Normal build (build-test/)"
normal_built=0
if build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOV_BENCH=ON; then
  normal_built=1
  stage "Tests (build-test/)"
  run_ctest build-test "normal build"
  if [[ -f tests/gui/xvfb_smoke.sh ]]; then
    stage "Editor smoke test under Xvfb"
    run_script "editor smoke test" tests/gui/xvfb_smoke.sh "$here/build-test/src/app/jov"
  fi
  stage "Installed files (build-test/ into a temporary prefix)"
  run_script "install check" tests/packaging/check_install.sh "$here/build-test"
  stage "Debian package (build-test/)"
  run_script "Debian package" tests/packaging/check_deb.sh "$here/build-test"
else
  fail "normal build did not build"
fi

stage "AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)"
# Its programs are tested, not installed: no manual pages (help2man runs
# jov-cli dozens of times, each start slow under the sanitizers).
if build build-asan -DCMAKE_BUILD_TYPE=Debug -DJOV_SANITIZE=ON -DJOV_BENCH=OFF -DJOV_GUI=ON -DJOV_DOCS=OFF; then
  stage "Tests (build-asan/)"
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_ctest build-asan "sanitizer build"
else
  fail "sanitizer build did not build"
fi

if [[ -f fuzz/run_short.sh ]]; then
  stage "Short fuzzing"
  # 20 seconds for each of the eight targets (maps, scans, extraction, direct
  # injection, Guerilla tags, definition files, plugin files, patches).
  run_script "short fuzzing" fuzz/run_short.sh 20
fi

# Last but the benchmarks: the Windows build, in the background, has had every
# stage before to finish in.
if [[ -f tests/windows/wine_stage.sh && $normal_built -eq 1 ]]; then
  stage "Windows build under Wine (build-windows/)"
  bash tests/windows/wine_stage.sh "$here/build-test/jov-cli" 2>&1 | tee build-test/windows.log
  # The stage waited for the background build; had it ended early, the build stops here.
  [[ -n $windows_build_pgid && ! -s $JOV_WINDOWS_BUILD_STATUS ]] && kill -- "-$windows_build_pgid" 2>/dev/null
  windows_build_pgid=
  counts=$(tail -n 1 build-test/windows.log)
  if [[ $counts =~ ^windows:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    passed=$((passed + BASH_REMATCH[1]))
    if [[ ${BASH_REMATCH[2]} -gt 0 ]]; then
      failed=$((failed + BASH_REMATCH[2]))
      failures+=("Windows build under Wine: ${BASH_REMATCH[2]} failed")
    fi
    # Only the end of a CI log may be read: the names go into the summary.
    while IFS= read -r line; do failures+=("Windows: ${line#windows failed: }"); done \
      < <(grep -a '^windows failed: ' build-test/windows.log)
    while IFS= read -r line; do notes+=("Windows: ${line#windows note: }"); done \
      < <(grep -a '^windows note: ' build-test/windows.log)
  else
    fail "Windows build under Wine: no result"
  fi
fi

if [[ $run_bench -eq 1 ]]; then
  stage "Benchmarks (build-test/)"
  if [[ -x build-test/jov_bench ]]; then
    if build-test/jov_bench; then passed=$((passed + 1)); else fail "benchmarks"; fi
  else
    fail "benchmarks: build-test/jov_bench was not built"
  fi
fi

stage "Summary"
for k in "${!stage_names[@]}"; do
  [[ $k -lt $((${#stage_names[@]} - 1)) ]] || break
  printf '%6d s  %s\n' "$((stage_starts[k + 1] - stage_starts[k]))" "${stage_names[k]}"
done
printf '%6d s  in all\n' "$((SECONDS - stage_starts[0]))"
for n in "${notes[@]}"; do echo "NOTE: $n"; done
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "test.sh: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
