#!/usr/bin/env bash
# Packages a build as the Debian package (lintian must report no error), unpacks
# it with dpkg -x and runs the unpacked jov-cli: what a user gets from the .deb.
#
#   tests/packaging/check_deb.sh BUILD-DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:?usage: $0 BUILD-DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1" >&2; failures=$((failures + 1)); }

if ! deb=$("$here/scripts/make-deb.sh" --from "$build" | tail -n 1) || [[ ! -f $deb ]]; then
  echo "check_deb: scripts/make-deb.sh failed" >&2
  exit 1
fi
version=$(sed -n 's/^project(jov VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[[ $(basename "$deb") == "jov_${version}_$(dpkg --print-architecture).deb" ]] && pass "package name $(basename "$deb")" \
  || fail "package name $(basename "$deb")"

fields=$(dpkg-deb --field "$deb" Package Version Depends Description)
for want in "Package: jov" "Version: $version" "Depends: .*libqt6widgets6" "Description: ."; do
  grep -qE "^$want" <<<"$fields" && pass "control field $want" || fail "control field $want"
done

dpkg -x "$deb" "$work/root" || { echo "check_deb: dpkg -x failed" >&2; exit 1; }
for file in usr/bin/jov usr/bin/jov-cli usr/share/doc/jov/copyright usr/share/doc/jov/changelog.gz \
            usr/share/man/man1/jov.1.gz usr/share/man/man1/jov-cli.1.gz \
            usr/share/applications/org.jov.Jov.desktop usr/share/mime/packages/org.jov.Jov.xml; do
  [[ -s $work/root/$file ]] && pass "package holds /$file" || fail "package holds /$file"
done

cli=$work/root/usr/bin/jov-cli
export JOV_STATE_DIR=$work/state
got=$("$cli" --version 2>&1)
[[ $got == "JOV $version" ]] && pass "unpacked jov-cli --version" || fail "unpacked jov-cli --version: '$got'"
if "$cli" make-sample "$work/sample.map" --tags 8 >/dev/null 2>&1 && [[ $(head -c 4 "$work/sample.map") == daeh ]] \
   && [[ $("$cli" tags "$work/sample.map" | wc -l) -eq 8 ]]; then
  pass "unpacked jov-cli make-sample"
else
  fail "unpacked jov-cli make-sample"
fi

echo "check_deb: $failures failed"
[[ $failures -eq 0 ]]
