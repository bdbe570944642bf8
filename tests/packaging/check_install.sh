#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a desktop and a shell
# get from it: every file in place, the desktop entry, AppStream metadata and
# file type valid, the manual pages rendering with every jov-cli command, the
# completion answering as a user would see it, the releases matching the
# changelog.
#
#   tests/packaging/check_install.sh BUILD-DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:?usage: $0 BUILD-DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
id=org.jov.Jov
failures=0

pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1" >&2; failures=$((failures + 1)); }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  local out
  if out=$("$@" 2>&1); then pass "$name"; else fail "$name"; printf '%s\n' "$out" | head -20 >&2; fi
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "check_install: cmake --install failed" >&2
  exit 1
fi

# --- the files -------------------------------------------------------------
expected=(
  bin/jov bin/jov-cli
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/mime/packages/$id.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/jov.1 share/man/man1/jov-cli.1
  share/bash-completion/completions/jov-cli
  share/doc/jov/guide.md share/doc/jov/copyright
  share/jov/definitions/weap.json share/jov/definitions/object.json
)
for size in 16 32 48 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for file in "${expected[@]}"; do
  if [[ -s $prefix/$file ]]; then pass "installed $file"; else fail "installed $file"; fi
done
for size in 16 32 48 128 256; do
  got=$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png")
  [[ $got == "PNG image data, $size x $size,"* ]] && pass "icon is $size x $size" || fail "icon is $size x $size ($got)"
done
# Every picture the guide shows is installed beside it.
while read -r image; do
  [[ -s $prefix/share/doc/jov/$image ]] && pass "guide picture $image" || fail "guide picture $image"
done < <(grep -o '](images/[^)]*)' "$prefix/share/doc/jov/guide.md" | sed 's/^](//; s/)$//')

# --- validators ------------------------------------------------------------
check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "bash -n on the completion" bash -n "$prefix/share/bash-completion/completions/jov-cli"
grep -qx 'Exec=jov %F' "$prefix/share/applications/$id.desktop" && pass "desktop entry opens files" || fail "desktop entry opens files"
grep -qx 'MimeType=application/x-halo-map;' "$prefix/share/applications/$id.desktop" && pass "desktop entry names the map type" || fail "desktop entry names the map type"

# The releases of the metadata are the changelog's, in the same order.
changelog=$(grep -oE '^## \[[0-9][^]]*\]' "$here/CHANGELOG.md" | sed 's/^## \[//; s/\]$//' | tr '\n' ' ')
releases=$(grep -oE '<release version="[^"]*"' "$prefix/share/metainfo/$id.metainfo.xml" | sed 's/.*="//; s/"$//' | tr '\n' ' ')
[[ -n $changelog && $changelog == "$releases" ]] && pass "releases match the changelog ($releases)" \
  || fail "releases match the changelog: changelog '$changelog', metadata '$releases'"

# --- the file type: a map is recognised by its name and by its first bytes --
mkdir -p "$work/data/mime/packages" "$work/files"
cp "$prefix/share/mime/packages/$id.xml" "$work/data/mime/packages/"
check "update-mime-database" update-mime-database "$work/data/mime"
cli=$prefix/bin/jov-cli
export JOV_STATE_DIR=$work/state
"$cli" make-sample "$work/files/sample.map" >/dev/null && cp "$work/files/sample.map" "$work/files/renamed.bin"
echo "plain text" >"$work/files/notes.txt"
for pair in sample.map=application/x-halo-map renamed.bin=application/x-halo-map notes.txt=text/plain; do
  file=${pair%%=*} want=${pair#*=}
  got=$(XDG_DATA_DIRS="$work/data:/usr/share" gio info -a standard::content-type "$work/files/$file" 2>/dev/null \
        | sed -n 's/.*standard::content-type: //p')
  [[ $got == "$want" ]] && pass "file type of $file is $want" || fail "file type of $file is $want (got '$got')"
done

# --- manual pages -------------------------------------------------------------
for page in jov jov-cli; do
  text=$(MANWIDTH=100 man -l "$prefix/share/man/man1/$page.1" 2>"$work/man.err")
  if [[ -n $text && ! -s $work/man.err ]] && grep -q "^NAME" <<<"$text"; then pass "man -l $page.1"; else fail "man -l $page.1"; cat "$work/man.err" >&2; fi
done
# Each command jov-cli lists has its own subsection under COMMANDS.
commands=$("$cli" --help | sed -n '/^Subcommands:/,/^$/p' | sed -n 's/^  \([^ ]*\).*/\1/p')
manual=$(MANWIDTH=100 man -l "$prefix/share/man/man1/jov-cli.1" 2>/dev/null | sed -n '/^COMMANDS/,$p')
missing=()
for c in $commands; do grep -qE "^   $c\$" <<<"$manual" || missing+=("$c"); done
[[ -n $commands && ${#missing[@]} -eq 0 ]] && pass "jov-cli.1 has a section for each of $(wc -w <<<"$commands") commands" \
  || fail "jov-cli.1 lacks a section for: ${missing[*]:-(no commands listed)}"
[[ $("$cli" --version) == "JOV $(sed -n 's/^project(jov VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")" ]] \
  && pass "installed jov-cli --version" || fail "installed jov-cli --version"

# --- completion ---------------------------------------------------------------
# Each case: the words typed (the last one is being completed, may be empty),
# then the expected completions, sorted, separated by spaces.
cd "$work/files"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _jov_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " " | sed "s/ $//"' \
    _ "$prefix/share/bash-completion/completions/jov-cli" "$@"
}
all_commands=$(sort <<<"$commands" | tr '\n' ' ' | sed 's/ $//')
files="notes.txt renamed.bin sample.map"
cases=(
  "jov-cli |$all_commands"
  "jov-cli make-s|make-sample"
  "jov-cli --h|--help"
  "jov-cli --ver|--version"
  "jov-cli make-sample --ver|--version"
  "jov-cli make-sample out.map --version |5 609 7"
  "jov-cli make-sample --tags 12 |$files"
  "jov-cli info |$files"
  "jov-cli info s|sample.map"
  "jov-cli info sample.map |"
  "jov-cli direct-inject sample.map |"
  "jov-cli direct-inject sample.map 3 |$files"
  "jov-cli direct-inject sample.map 3 --yes renamed.bin |"
  "jov-cli float-to-hex |"
)
for case in "${cases[@]}"; do
  typed=${case%%|*} want=${case#*|}
  read -r -a words <<<"$typed"
  [[ $typed == *" " ]] && words+=("")
  got=$(complete_words "${words[@]}")
  [[ $got == "$want" ]] && pass "completion of '$typed'" || fail "completion of '$typed': want '$want', got '$got'"
done

# --- the generator on commands jov-cli may grow: nested ones, other wordings ----
# A stand-in program prints help in jov-cli's format for a command set of its own.
fake=$work/fake-cli
cat >"$fake" <<'FAKE'
#!/usr/bin/env bash
top='Usage: fake-cli [OPTIONS] SUBCOMMAND'
case "$*" in
  --help) printf '%s\n' 'fake-cli: commands' "$top" '' 'Subcommands:' '  diff      Compare two maps' \
            '  patch     Patches' '  offset-to-reflexive  Offset to pointer' ;;
  "diff --help") printf '%s\n' 'Compare' 'Usage: fake-cli diff [OPTIONS] A B' '' 'Positionals:' \
            '  A TEXT REQUIRED   First map file' '  B TEXT REQUIRED   Compressed Xbox map' '' \
            'Options:' '  -h,--help   Print this help message and exit' '  --json   One JSON document' ;;
  "patch --help") printf '%s\n' 'Patches' 'Usage: fake-cli patch [OPTIONS] SUBCOMMAND' '' \
            'Subcommands:' '  create   Make a patch' '  apply   Apply one' ;;
  "patch create --help") printf '%s\n' 'Make a patch' 'Usage: fake-cli patch create [OPTIONS] ORIGINAL MODIFIED OUT' '' \
            'Positionals:' '  ORIGINAL TEXT REQUIRED   The map the changes start from' \
            '  MODIFIED TEXT REQUIRED   The map with the changes' '  OUT TEXT REQUIRED   The patch file to write' '' \
            'Options:' '  --title TEXT   Title' '  --author TEXT' '                 Author, on a line of its own' ;;
  "patch apply --help") printf '%s\n' 'Apply one' 'Usage: fake-cli patch apply [OPTIONS] MAP PATCH' '' \
            'Positionals:' '  MAP TEXT REQUIRED   Map file' '  PATCH TEXT REQUIRED   Patch file' '' \
            'Options:' '  --dry-run   Verify only' ;;
  "offset-to-reflexive --help") printf '%s\n' 'Offset to pointer' 'Usage: fake-cli offset-to-reflexive OFFSET MAGIC' '' \
            'Positionals:' '  OFFSET TEXT REQUIRED   File offset (hex)' "  MAGIC TEXT REQUIRED   The map's magic" ;;
  *) echo "fake-cli: no help for '$*'" >&2; exit 2 ;;
esac
FAKE
chmod +x "$fake"
if "$here/packaging/cli-docs.sh" completion "$fake" >"$work/fake.bash" && bash -n "$work/fake.bash"; then
  pass "completion generated for a stand-in command set"
  cases=(
    "x |diff offset-to-reflexive patch"
    "x patch |apply create"
    "x patch create --|--author --title"
    "x patch create |$files"
    "x patch create a b |$files"
    "x patch create --author me |$files"
    "x patch apply m p |"
    "x patch apply m |$files"
    "x diff |$files"
    "x diff a |$files"
    "x offset-to-reflexive |"
    "x offset-to-reflexive 10 |"
  )
  for case in "${cases[@]}"; do
    typed=${case%%|*} want=${case#*|}
    read -r -a words <<<"$typed"
    [[ $typed == *" " ]] && words+=("")
    got=$(bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _jov_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " " | sed "s/ $//"' \
          _ "$work/fake.bash" "${words[@]}")
    [[ $got == "$want" ]] && pass "stand-in completion of '$typed'" || fail "stand-in completion of '$typed': want '$want', got '$got'"
  done
else
  fail "completion generated for a stand-in command set"
fi
if "$here/packaging/cli-docs.sh" man "$fake" >"$work/fake.h2m"; then
  for section in diff patch "patch create" "patch apply" offset-to-reflexive; do
    grep -qx ".SS \"$section\"" "$work/fake.h2m" && pass "manual section for '$section'" || fail "manual section for '$section'"
  done
else
  fail "manual include generated for a stand-in command set"
fi

echo "check_install: $failures failed"
[[ $failures -eq 0 ]]
