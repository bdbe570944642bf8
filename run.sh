#!/usr/bin/env bash
# Builds the JOV editor (Release, in build-release/) and starts it.
# Installs any missing Debian build packages first (root or sudo).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

mapfile -t packages < scripts/packages.txt
scripts/ensure-packages.sh "${packages[@]}"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOV_BENCH=OFF
cmake --build build-release -j2 --target jov jov-cli

editor=build-release/src/app/jov
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are empty); to run JOV on a virtual one: cd $here && xvfb-run ./$editor" >&2
  exit 1
fi
exec "./$editor" "$@"
