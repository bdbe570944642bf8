#!/usr/bin/env bash
# Everything the Windows stage runs, built in one go: jov-cli.exe and the test
# programs, Qt for Windows when the cache has none (scripts/build-qt-windows.sh),
# then the editor, the zip and the installer (scripts/make-windows.sh).
# test.sh starts it in the background at the lowest priority when it starts,
# so that it has every idle moment of the other stages; wine_stage.sh waits for
# its end. The command-line half comes first: it is what the unit tests under
# Wine need, and it stays built when Qt fails to.
#
#   tests/windows/build_all.sh STATUS_FILE
#
# Writes its exit status to STATUS_FILE at the end (0: all of it was built),
# and each part's time as "windows build: ..." lines.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
status_file=$1

status=0
start=$SECONDS
if "$here/scripts/make-windows.sh" --cli-only; then
  echo "windows build: the command-line programs and tests in $((SECONDS - start)) s"
  start=$SECONDS
  if "$here/scripts/build-qt-windows.sh"; then
    echo "windows build: Qt for Windows in $((SECONDS - start)) s"
    start=$SECONDS
    if "$here/scripts/make-windows.sh"; then
      echo "windows build: the editor, the zip and the installer in $((SECONDS - start)) s"
    else
      status=3
    fi
  else
    status=2
  fi
else
  status=1
fi
echo "$status" >"$status_file"
exit "$status"
