# bash completion for gridmoor-cli. Commands and options come from the program's own --help, so
# they are always the installed program's; names for `set use` and `add` from the program too.

# Prints, for the command path given, one line per word: "c NAME" a subcommand, "o NAME" an
# option, "v NAME" an option that takes a value.
_gridmoor_cli_words() {
  local prog=$1; shift
  "$prog" "$@" --help 2>/dev/null | awk '
    /^[A-Za-z][A-Za-z ]*:$/ { section = $0; next }
    section == "Subcommands:" && /^  [a-z]/ { print "c " $1 }
    section == "Options:" && /^  -/ {
      n = split($1, names, ",")
      for (i = 1; i <= n; i++)
        if (names[i] ~ /^--/) print (($2 ~ /^[A-Z]+$/) ? "v " : "o ") names[i]
    }'
}

_gridmoor_cli() {
  local prog=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  local -a path=() subs=() opts=() valued=()
  local i word kind name skip= unknown=

  _gridmoor_cli_read() {
    subs=() opts=() valued=()
    while read -r kind name; do
      case $kind in
        c) subs+=("$name") ;;
        o) opts+=("$name") ;;
        v) opts+=("$name") valued+=("$name") ;;
      esac
    done < <(_gridmoor_cli_words "$prog" "${path[@]}")
  }
  _gridmoor_cli_read
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -n $skip ]]; then skip=; continue; fi
    if [[ " ${valued[*]} " == *" $word "* ]]; then skip=1; continue; fi
    if [[ " ${subs[*]} " == *" $word "* ]]; then
      path+=("$word")
      _gridmoor_cli_read
    elif ((${#subs[@]})) && [[ $word != -* ]]; then
      unknown=1  # a command this program does not have: nothing to offer after it
    fi
  done

  COMPREPLY=()
  if [[ -n $unknown ]]; then
    return 0
  elif [[ " ${valued[*]} " == *" $prev "* ]]; then
    # --game and --prefix name folders.
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  elif [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${opts[*]}" -- "$cur")
  elif ((${#subs[@]})); then
    mapfile -t COMPREPLY < <(compgen -W "${subs[*]}" -- "$cur")
  else
    local names=
    case "${path[*]}" in
      "set use") names=$("$prog" set list --names 2>/dev/null) || names= ;;
      add) names=$("$prog" list --available --names 2>/dev/null) || names= ;;
      install | check)
        # Package folders, archives and folders of them.
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return 0
        ;;
    esac
    local IFS=$'\n'
    [[ -n $names ]] && mapfile -t COMPREPLY < <(compgen -W "$names" -- "$cur")
  fi
  return 0
}

complete -F _gridmoor_cli gridmoor-cli
