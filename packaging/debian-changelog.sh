#!/usr/bin/env bash
# Turns CHANGELOG.md (Keep a Changelog) into the Debian changelog a package
# carries as /usr/share/doc/jov/changelog.gz: one entry a released version, one
# item a list item, newest first as in the source.
set -euo pipefail
source=${1:?usage: $0 CHANGELOG.md}
maintainer="The JOV developers <jov@example.org>"

awk -v maintainer="$maintainer" '
  function item_end() {
    if (item != "") {
      # Wrap at 76 columns, continuation lines indented under the text.
      n = split(item, w, " "); line = "  *"
      for (i = 1; i <= n; i++) {
        if (length(line) + 1 + length(w[i]) > 76) { print line; line = "   " }
        line = line " " w[i]
      }
      print line
      item = ""
    }
  }
  function entry_end() {
    item_end()
    if (version != "") {
      # Keep a Changelog gives days only, and two releases may share one; the
      # Debian changelog wants each newer entry later, so entries are placed at
      # noon, an hour earlier for each older one.
      cmd = "date -u -R -d @$(( $(date -u -d " date " +%s) + 43200 - " entries * 3600 " ))"
      entries++
      cmd | getline stamp; close(cmd)
      print ""; print " -- " maintainer "  " stamp; print ""
    }
    version = ""
  }
  /^## \[[0-9][^]]*\] - [0-9-]+/ {
    entry_end()
    version = $0; sub(/^## \[/, "", version); sub(/\].*/, "", version)
    date = $0; sub(/.* - /, "", date)
    print "jov (" version ") unstable; urgency=medium"; print ""
    next
  }
  /^## / { entry_end(); next }
  version == "" { next }
  /^### / { item_end(); next }
  /^- / { item_end(); item = substr($0, 3); next }
  /^  +[^ ]/ && item != "" { text = $0; sub(/^ +/, "", text); item = item " " text; next }
  /^$/ { item_end(); next }
  END { entry_end() }
' "$source" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
