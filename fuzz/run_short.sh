#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# when they are missing or out of date, replays the inputs that once crashed
# them (fuzz/regressions/TARGET/), then fuzzes each target for a bounded time,
# starting from seeds that the map writer makes. Ends non-zero on any crash,
# hang, leak or sanitizer report; the input that caused it is kept under
# BUILD/fuzz/artifacts/.
#
#   fuzz/run_short.sh [SECONDS]   seconds per target, 30 by default
#
# JOV_FUZZ_BUILD names the build folder (default: build-fuzz beside this folder).
# JOV_FUZZ_CORPUS, when set, is a folder whose TARGET/ subfolders keep the
# corpus between runs (a long run grows it); otherwise it lives for this run only.
# JOV_FUZZ_TARGETS picks targets (default: all eight); JOV_FUZZ_RUNS, when set,
# also ends each target after that many executions. A long run is two of these
# side by side on disjoint targets, e.g.
#   JOV_FUZZ_CORPUS=build-fuzz/corpus JOV_FUZZ_RUNS=2000000 \
#     JOV_FUZZ_TARGETS="open_map scan_tag extract_tag" fuzz/run_short.sh 3600
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${JOV_FUZZ_BUILD:-$here/build-fuzz}
seconds=${1:-30}
read -r -a targets <<<"${JOV_FUZZ_TARGETS:-open_map scan_tag extract_tag direct_inject guerilla definition plugin patch}"
runs=()
[[ -n ${JOV_FUZZ_RUNS:-} ]] && runs=(-runs="$JOV_FUZZ_RUNS")

# Inputs larger than this are not generated: a map of a few tags fits in 2 KB
# (two of them for direct injection; a patch spells its bytes in hex), and small
# inputs keep every run fast.
max_len() {
  case "$1" in
    direct_inject | patch) echo 8192 ;;
    guerilla) echo 2048 ;;
    *) echo 4096 ;;
  esac
}

# Each target's dictionary of the values its reader compares, when it has one.
dictionary() {
  case "$1" in
    guerilla | patch) ;;
    definition | plugin) echo "-dict=$work/seeds/$1.dict" ;;
    *) echo "-dict=$work/seeds/map.dict" ;;
  esac
}

cc=clang-14 cxx=clang++-14
if ! command -v "$cxx" >/dev/null 2>&1; then cc=clang cxx=clang++; fi
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "run_short.sh: clang is not installed (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 1
fi

if [[ ! -f "$build/build.ninja" ]]; then
  mkdir -p "$build"
  CC=$cc CXX=$cxx cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DJOV_FUZZ=ON -DJOV_GUI=OFF -DJOV_BENCH=OFF >"$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; echo "run_short.sh: configuring the fuzz build failed" >&2; exit 1; }
fi
cmake --build "$build" -j2 --target jov_fuzz_all || { echo "run_short.sh: building the fuzz targets failed" >&2; exit 1; }

# Maps are written for every input: keep them in memory.
shm=/dev/shm
[[ -d $shm && -w $shm ]] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/jov-fuzz.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
export JOV_FUZZ_TMP=$work
export ASAN_OPTIONS=${JOV_FUZZ_ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

"$build/fuzz/jov_fuzz_seeds" "$work/seeds" >/dev/null || { echo "run_short.sh: the seed generator failed" >&2; exit 1; }
logs=$build/fuzz/logs
artifacts=$build/fuzz/artifacts
mkdir -p "$logs" "$artifacts"

failed=0
for t in "${targets[@]}"; do
  binary=$build/fuzz/jov_fuzz_$t
  log=$logs/$t.log

  regressions=("$here/fuzz/regressions/$t"/*)
  if [[ -e ${regressions[0]} ]]; then
    if ! "$binary" -runs=1 "${regressions[@]}" >"$log.regressions" 2>&1; then
      echo "FAILED $t: an input that once crashed it crashes it again (see $log.regressions)"
      tail -n 30 "$log.regressions"
      failed=$((failed + 1))
      continue
    fi
  fi

  if [[ -n ${JOV_FUZZ_CORPUS:-} ]]; then corpus=$JOV_FUZZ_CORPUS/$t; else corpus=$work/corpus/$t; fi
  mkdir -p "$corpus"
  dict=()
  d=$(dictionary "$t")
  [[ -n $d ]] && dict=("$d")
  "$binary" "$corpus" "$work/seeds/$t" -max_total_time="$seconds" "${runs[@]}" "${dict[@]}" -max_len="$(max_len "$t")" -timeout=20 \
    -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$artifacts/$t-" >"$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+')
  if [[ $status -eq 0 ]]; then
    echo "ok     $t: ${execs:-?} executions, ${last:-no stats}"
  else
    echo "FAILED $t (status $status): ${execs:-?} executions; log $log"
    grep -E 'ERROR|runtime error|check failed|SUMMARY|Test unit written' "$log" | head -n 20
    failed=$((failed + 1))
  fi
done

[[ $failed -eq 0 ]]
