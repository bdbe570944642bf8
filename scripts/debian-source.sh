#!/usr/bin/env bash
# Fetches and unpacks a Debian source package into a folder, for the Windows
# build's libraries Debian ships no MinGW build of.
#
#   scripts/debian-source.sh PACKAGE FOLDER
#
# The system's apt configuration is left as it is: the deb-src entries are
# made from its deb entries (same archives, same suites) in an apt
# configuration of this script's own, under ${XDG_CACHE_HOME:-~/.cache}/jov/apt.
set -euo pipefail

package=$1
folder=$2
cache=${XDG_CACHE_HOME:-$HOME/.cache}/jov
apt_dir=$cache/apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$folder"

# Every enabled deb entry of the system, as deb-src.
rm -f "$apt_dir/sources.list.d/"*
for f in /etc/apt/sources.list.d/*.sources; do
  [[ -f $f ]] || continue
  sed -E 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
{
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] && grep -E '^deb ' "$f" | sed -E 's/^deb /deb-src /'
  done
} >"$apt_dir/sources.list.d/system.list" || true

apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list.d/system.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache::Archives=$apt_dir/archives"
  -o "APT::Sandbox::User=root"
)
# The lists are fetched once a day at most.
if [[ -z $(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 -print -quit) ]]; then
  apt-get "${apt_options[@]}" update -q >"$apt_dir/update.log" 2>&1 || { cat "$apt_dir/update.log" >&2; exit 1; }
fi
cd "$folder"
apt-get "${apt_options[@]}" source -q "$package"
