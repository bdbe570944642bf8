#!/usr/bin/env bash
# Builds the Debian package jov_VERSION_ARCH.deb and checks it with lintian.
#
#   scripts/make-deb.sh                 a Release build in build-release/ (the
#                                       folder run.sh uses), then the package
#   scripts/make-deb.sh --from DIR      packages an existing build folder as it
#                                       is (test.sh packages its own build)
#
# The package's path is the last line printed. Installs any missing Debian
# build packages first (root or sudo). Ends non-zero when the build fails or
# lintian reports an error.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=build-release
configure=1
case "${1:-}" in
  -h|--help) sed -n '2,12s/^# \{0,1\}//p' "$0"; exit 0 ;;
  --from) build=${2:?make-deb.sh: --from needs a build folder}; configure=0 ;;
  "") ;;
  *) echo "make-deb.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
esac

if [[ $configure -eq 1 ]]; then
  mapfile -t packages < scripts/packages.txt
  scripts/ensure-packages.sh "${packages[@]}"
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOV_BENCH=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j2 --target jov jov-cli jov-docs >"$build/make-deb-build.log" 2>&1 \
  || { cat "$build/make-deb-build.log" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/jov_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
[[ -f $deb ]] || { echo "make-deb.sh: cpack wrote no $deb" >&2; exit 1; }

if command -v lintian >/dev/null; then
  # Errors fail the package; warnings are shown.
  lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges is not recommended' | tee "$build/lintian.log" || true
  if grep -q '^E: ' "$build/lintian.log"; then
    echo "make-deb.sh: lintian reports errors on $deb" >&2
    exit 1
  fi
fi
# The build folder may be given as an absolute path (test.sh does).
[[ $deb == /* ]] || deb=$here/$deb
echo "$deb"
