#!/usr/bin/env bash
# jov-cli.exe under Wine against the Linux jov-cli: for every map version and
# several seeds the sample maps are the same bytes, the listings and checks
# print the same bytes, and an edit, its undo and its redo leave the same files.
#
#   tests/windows/parity.sh LINUX_JOV_CLI WINDOWS_JOV_CLI_EXE
#
# Wants WINEPREFIX (a throw-away prefix) and WINEDEBUG=-all in the environment.
set -uo pipefail

linux=$1
windows=$2
top=$(mktemp -d "${TMPDIR:-/tmp}/jov-parity.XXXXXX")
trap 'rm -rf "$top"' EXIT
# The maps live in a folder whose name is not ASCII, as a copied folder of
# maps often is on Windows; the edited ones deeper than MAX_PATH.
work="$top/Mapas de Halo – copia"
mismatches=0
checks=0

# Runs one jov-cli command on both builds; stdout, stderr and the exit status
# must be the same bytes. Each build has a history folder of its own.
same() {
  local what=$1; shift
  checks=$((checks + 1))
  JOV_STATE_DIR=$top/state-linux "$linux" "$@" >"$work/l.out" 2>"$work/l.err"
  local ls=$?
  JOV_STATE_DIR=$top/state-windows wine "$windows" "$@" >"$work/w.out" 2>"$work/w.err"
  local ws=$?
  # The two runs name their own map file; the rest must match.
  sed -i "s#$work/[lw]/#MAPS/#g" "$work/l.out" "$work/l.err" "$work/w.out" "$work/w.err"
  if [[ $ls -ne $ws ]] || ! cmp -s "$work/l.out" "$work/w.out" || ! cmp -s "$work/l.err" "$work/w.err"; then
    mismatches=$((mismatches + 1))
    echo "DIFFERENT: $what (exit $ls on Linux, $ws under Wine)"
    diff <(od -c "$work/l.out") <(od -c "$work/w.out") | head -n 10
    diff "$work/l.err" "$work/w.err" | head -n 6
  fi
}

# The two map files must hold the same bytes.
same_file() {
  checks=$((checks + 1))
  if ! cmp -s "$base/l/$1" "$base/w/$1"; then
    mismatches=$((mismatches + 1))
    echo "DIFFERENT: $2: the maps differ"
  fi
}

# Runs a map-writing command on each build, on its own copy of the map.
both() {
  local what=$1; shift
  checks=$((checks + 1))
  local args_l=() args_w=()
  for a in "$@"; do args_l+=("${a//@/$base/l/}"); args_w+=("${a//@/$base/w/}"); done
  JOV_STATE_DIR=$top/state-linux "$linux" "${args_l[@]}" >"$work/l.out" 2>&1
  local ls=$?
  JOV_STATE_DIR=$top/state-windows wine "$windows" "${args_w[@]}" >"$work/w.out" 2>&1
  local ws=$?
  sed -i "s#$base/[lw]/#MAPS/#g" "$work/l.out" "$work/w.out"
  # Every command given here succeeds: one that fails on both would prove nothing.
  if [[ $ls -ne 0 || $ls -ne $ws ]] || ! cmp -s "$work/l.out" "$work/w.out"; then
    mismatches=$((mismatches + 1))
    echo "DIFFERENT: $what (exit $ls on Linux, $ws under Wine)"
    diff "$work/l.out" "$work/w.out" | head -n 6
  fi
}

deep=$work/$(printf 'd%.0s' {1..120})/$(printf 'e%.0s' {1..120})
mkdir -p "$work/l" "$work/w" "$deep/l" "$deep/w" "$top/state-linux" "$top/state-windows"
base=$work  # where both and same_file find the two builds' copies
for version in 5 7 609; do
  for seed in 1 2 3; do
    map=v$version-s$seed.map
    both "make-sample v$version seed $seed" make-sample --version "$version" --tags $((8 + seed * 5)) --seed "$seed" "@$map"
    same_file "$map" "make-sample v$version seed $seed"
    for command in info tags; do
      same "$command v$version seed $seed" "$command" "$work/l/$map"
    done
    same "scan v$version seed $seed" scan "$work/l/$map" 1
    same "check --json v$version seed $seed" check --json "$work/l/$map"
    # fields came with the class definitions; a build without them is compared without it.
    if "$linux" --help | grep -q "^  fields "; then
      same "fields --json v$version seed $seed" fields --json "$work/l/$map" 1
    fi
  done
done

# An edit, its undo and its redo, on each build's own copy.
base=$deep
for version in 5 7 609; do
  map=edit-v$version.map
  both "make-sample v$version for editing" make-sample --version "$version" --tags 12 --seed 7 "@$map"
  both "header v$version" header --map-name edited "@$map"
  same_file "$map" "header v$version"
  both "insert-data v$version" insert-data "@$map" "DEADBEEF"
  same_file "$map" "insert-data v$version"
  both "undo v$version" undo --steps 2 "@$map"
  same_file "$map" "undo v$version"
  both "redo v$version" redo "@$map"
  same_file "$map" "redo v$version"
done

echo "parity: $checks checks, $mismatches different"
[[ $mismatches -eq 0 ]]
