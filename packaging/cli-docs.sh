#!/usr/bin/env bash
# Writes jov-cli's documentation from its own --help, so new commands appear in
# the manual and in the shell completion without anyone listing them:
#
#   cli-docs.sh man JOV-CLI          help2man include: a COMMANDS section, one
#                                    subsection per command (nested ones too)
#   cli-docs.sh completion JOV-CLI   a bash completion script for jov-cli
#
# The help text is the command-line library's: sections "Positionals:",
# "Options:" and "Subcommands:", entries indented by two spaces, a name column
# (names and value type) then the description, which moves to the next line
# when the name column is too wide.
set -euo pipefail

mode=${1:-}
cli=${2:-}
if [[ -z "$mode" || -z "$cli" || ! -x "$cli" ]]; then
  echo "usage: $0 man|completion PATH-TO-JOV-CLI" >&2
  exit 2
fi

# One record a line, tab-separated:
#   desc TEXT | usage TEXT | sub NAME DESC | pos NAME TYPE DESC | opt NAMES TYPE DESC
# For a flag TYPE is empty.
records() {
  "$cli" "$@" --help | awk '
    function flush() {
      if (kind != "") printf "%s\037%s\037%s\037%s\n", kind, name, type, desc
      kind = ""
    }
    NR == 1 { print "desc\037" $0; next }
    /^Usage: / { sub(/^Usage: [^ ]*/, "jov-cli"); print "usage\037" $0; next }
    /^Positionals:$/ { flush(); section = "pos"; next }
    /^Options:$/ { flush(); section = "opt"; next }
    /^Subcommands:$/ { flush(); section = "sub"; next }
    /^$/ { flush(); next }
    /^  [^ ]/ {
      flush()
      line = substr($0, 3)
      # The name column ends at the first run of two spaces.
      split_at = match(line, /  +/)
      if (split_at > 0) { left = substr(line, 1, split_at - 1); desc = substr(line, split_at + RLENGTH) }
      else { left = line; desc = "" }
      name = left; type = ""
      space = index(left, " ")
      if (space > 0) { name = substr(left, 1, space - 1); type = substr(left, space + 1) }
      kind = section
      next
    }
    /^   +[^ ]/ {
      # A continued description.
      text = $0; sub(/^ +/, "", text)
      desc = (desc == "" ? text : desc " " text)
      next
    }
    END { flush() }
  '
}

# Every command path, depth first: "info", "patch", "patch create", ...
command_paths() {
  local sub
  while IFS=$'\x1f' read -r kind sub _; do
    [[ $kind == sub ]] || continue
    echo "$* $sub" | sed 's/^ //'
    # shellcheck disable=SC2086
    command_paths "$@" "$sub"
  done < <(records "$@")
}

# roff text: a backslash is \e, and a line may not start with a control character.
roff() {
  sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}
# Option names in roff: hyphens are minus signs.
roff_option() {
  roff | sed -e 's/-/\\-/g'
}

write_man() {
  echo "[COMMANDS]"
  echo "Each command is run as \\fBjov-cli\\fR \\fICOMMAND\\fR ...; \\fBjov-cli\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR prints its own help."
  local path
  while read -r path; do
    # shellcheck disable=SC2086
    mapfile -t lines < <(records $path)
    echo ".SS \"$(printf '%s' "$path" | roff)\""
    local line kind a b c
    for line in "${lines[@]}"; do
      IFS=$'\x1f' read -r kind a b c <<<"$line"
      case $kind in
        desc) printf '%s\n' "$a" | roff ;;
        usage) echo ".br"; printf 'Usage: \\fB%s\\fR\n' "$(printf '%s' "${a#Usage: }" | roff)" ;;
        sub) echo ".TP"; printf '\\fB%s\\fR\n' "$(printf '%s' "$a" | roff_option)"; printf '%s\n' "$b" | roff ;;
        pos) echo ".TP"; printf '\\fI%s\\fR %s\n' "$(printf '%s' "$a" | roff)" "$(printf '%s' "$b" | roff)"
             printf '%s\n' "$c" | roff ;;
        opt) [[ $a == "-h,--help" ]] && continue
             echo ".TP"; printf '\\fB%s\\fR%s\n' "$(printf '%s' "$a" | roff_option)" "${b:+ $(printf '%s' "$b" | roff)}"
             printf '%s\n' "$c" | roff ;;
      esac
    done
  done < <(command_paths)
}

# A word list for the completion script, quoted for a bash single-quoted string.
words() { tr '\n' ' ' | sed -e 's/ $//' -e "s/'/'\\\\''/g"; }

# How the completion treats one positional or option value: "choice:A B C" for
# a fixed set of values ({5,7,609}); "file" when it names a file; "" otherwise.
# A value names a file when its description speaks of a file ("Map file", "Patch
# file"; "Filename" is a tag's name) or, for a positional, of a map ("First map",
# "Compressed Xbox map") or it is called IN, OUT or ...MAP; but not when it is one
# of a file's numbers ("File offset (hex)", "The map's magic"). An option
# described with "map" is a header field ("Map Name").
value_kind() {
  local what=$1 name=$2 type=$3 desc=${4,,}
  local word='(^|[^a-z])(%s)([^a-z]|$)'
  # shellcheck disable=SC2059
  if [[ $type =~ \{([^}]*)\} ]]; then
    echo "choice:${BASH_REMATCH[1]//,/ }"
  elif [[ $desc =~ $(printf "$word" 'offset|magic|bytes|hex') ]]; then
    :
  elif [[ $desc =~ $(printf "$word" file) ]]; then
    echo file
  elif [[ $what == pos && ( $desc =~ $(printf "$word" map) || $name == IN || $name == OUT || $name == *MAP ) ]]; then
    echo file
  fi
}

write_completion() {
  local app=jov-cli
  cat <<'HEAD'
# bash completion for jov-cli: commands, their options, and file names where a
# command takes a map or another file. Generated from jov-cli's own --help.

# Sets the completion data of one command path ("" for the program itself) in the
# caller's locals: subs, opts, valopts (options that take a value), and the kind
# of value (file, choice:WORDS or nothing) of each such option and positional.
_jov_cli_command() {
  case "$1" in
HEAD
  local path
  { echo ""; command_paths; } | while read -r path; do
    local subs=() opts=() valopts=() kinds=() positionals=()
    local line kind a b c
    # shellcheck disable=SC2086
    while IFS=$'\x1f' read -r kind a b c; do
      case $kind in
        sub) subs+=("$a") ;;
        pos) positionals+=("$(value_kind pos "$a" "$b" "$c")") ;;
        opt)
          local names
          IFS=, read -r -a names <<<"$a"
          opts+=("${names[@]}")
          if [[ -n $b ]]; then
            valopts+=("${names[@]}")
            local n
            for n in "${names[@]}"; do kinds+=("$n=$(value_kind opt "$n" "$b" "$c")"); done
          fi ;;
      esac
    done < <(records $path)
    printf "    '%s')\n" "$path"
    printf "      subs='%s'\n" "$(printf '%s\n' "${subs[@]}" | words)"
    printf "      opts='%s'\n" "$(printf '%s\n' "${opts[@]}" | words)"
    printf "      valopts='%s'\n" "$(printf '%s\n' "${valopts[@]}" | words)"
    printf "      optkinds=("; for a in "${kinds[@]}"; do printf " '%s'" "$a"; done; echo " )"
    printf "      poskinds=("; for a in "${positionals[@]}"; do printf " '%s'" "$a"; done; echo " ) ;;"
  done
  cat <<'TAIL'
    *) return 1 ;;
  esac
}

_jov_cli_reply() {
  local kind=$1 cur=$2
  case "$kind" in
    file)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    choice:*)
      mapfile -t COMPREPLY < <(compgen -W "${kind#choice:}" -- "$cur") ;;
    *) COMPREPLY=() ;;
  esac
}

_jov_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local path="" subs opts valopts optkinds poskinds
  local -a args=()
  local i word pending=""
  # _jov_cli_command sets these locals of ours.
  _jov_cli_command ""
  # Walk the words before the cursor: commands, options with their values, positionals.
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -n $pending ]]; then pending=""; continue; fi
    if [[ $word == -* ]]; then
      [[ " $valopts " == *" $word "* ]] && pending=$word
      continue
    fi
    if [[ ${#args[@]} -eq 0 && " $subs " == *" $word "* ]]; then
      path=${path:+$path }$word
      subs="" opts="" valopts="" optkinds=() poskinds=()
      _jov_cli_command "$path"
      continue
    fi
    args+=("$word")
  done
  # The value of an option.
  if [[ -n $pending ]]; then
    local entry kind=""
    for entry in "${optkinds[@]}"; do [[ ${entry%%=*} == "$pending" ]] && kind=${entry#*=}; done
    _jov_cli_reply "$kind" "$cur"
    return 0
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
  elif [[ ${#args[@]} -eq 0 && -n $subs ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$subs" -- "$cur")
  else
    _jov_cli_reply "${poskinds[${#args[@]}]:-}" "$cur"
  fi
  return 0
}
complete -F _jov_cli jov-cli
TAIL
}

case $mode in
  man) write_man ;;
  completion) write_completion ;;
  *) echo "$0: unknown mode '$mode' (man or completion)" >&2; exit 2 ;;
esac
