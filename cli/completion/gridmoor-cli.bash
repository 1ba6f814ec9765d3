# bash completion for gridmoor-cli. Commands and options come from the program's own --help, so
# they are always the installed program's; set names, event and track folders from the program
# too, for the game that --game or --prefix on the line names.

# Prints, for the command path given, one line per word: "c NAME" a subcommand, "o NAME" an
# option, "v NAME [CHOICE...]" an option that takes a value (one of the choices, if listed).
_gridmoor_cli_words() {
  local prog=$1; shift
  "$prog" "$@" --help 2>/dev/null | awk '
    /^[A-Za-z][A-Za-z ]*:$/ { section = $0; next }
    section == "Subcommands:" && /^  [a-z]/ { print "c " $1 }
    section == "Options:" && /^  -/ {
      # A value of a fixed set is listed as TEXT:{a,b,c}.
      choices = ""
      if (match($2, /:\{[^}]*\}/)) {
        choices = substr($2, RSTART + 2, RLENGTH - 3); gsub(",", " ", choices); choices = " " choices
      }
      n = split($1, names, ",")
      for (i = 1; i <= n; i++)
        if (names[i] ~ /^--/) print (($2 ~ /^[A-Z]+($|[:=])/) ? "v " : "o ") names[i] choices
    }'
}

# A word as the shell will pass it: without its quotes and backslashes, ~ expanded.
_gridmoor_cli_unquote() {
  local word=$1
  case $word in
    \"*) word=${word#\"}; word=${word%\"} ;;
    \'*) word=${word#\'}; word=${word%\'} ;;
    *) word=$(printf '%s' "$word" | sed 's/\\\(.\)/\1/g') ;;
  esac
  [[ $word == "~" || $word == "~/"* ]] && word=$HOME${word#\~}
  printf '%s' "$word"
}

_gridmoor_cli() {
  local prog=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  local -a path=() subs=() opts=() valued=() game=()
  local -A choices=()
  local i word kind name skip= unknown= positionals=0

  _gridmoor_cli_read() {
    subs=() opts=() valued=() choices=()
    local values
    while read -r kind name values; do
      case $kind in
        c) subs+=("$name") ;;
        o) opts+=("$name") ;;
        v) opts+=("$name") valued+=("$name") choices[$name]=$values ;;
      esac
    done < <(_gridmoor_cli_words "$prog" "${path[@]}")
  }
  _gridmoor_cli_read
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -n $skip ]]; then
      # The names offered are those of the game the line names.
      [[ $skip == --game || $skip == --prefix ]] && game+=("$skip" "$(_gridmoor_cli_unquote "$word")")
      skip=; continue
    fi
    case $word in
      --game=* | --prefix=*) game+=("${word%%=*}" "$(_gridmoor_cli_unquote "${word#*=}")"); continue ;;
    esac
    if [[ " ${valued[*]} " == *" $word "* ]]; then skip=$word; continue; fi
    if [[ " ${subs[*]} " == *" $word "* ]]; then
      path+=("$word")
      _gridmoor_cli_read
    elif ((${#subs[@]})) && [[ $word != -* ]]; then
      unknown=1  # a command this program does not have: nothing to offer after it
    elif [[ $word != -* ]]; then
      positionals=$((positionals + 1))
    fi
  done

  COMPREPLY=()
  local names= files=
  if [[ -n $unknown ]]; then
    return 0
  elif [[ " ${valued[*]} " == *" $prev "* ]]; then
    case $prev in
      --game | --prefix)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return 0
        ;;
      *)
        # A number or a new name: nothing to offer.
        [[ -n ${choices[$prev]} ]] || return 0
        names=${choices[$prev]// /$'\n'}
        ;;
    esac
  elif [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${opts[*]}" -- "$cur")
    return 0
  elif ((${#subs[@]})); then
    mapfile -t COMPREPLY < <(compgen -W "${subs[*]}" -- "$cur")
    return 0
  else
    case "${path[*]}:$positionals" in
      "set use:0" | "set show:0" | "set delete:0" | "set rename:0" | "set export:0" | \
        "set diff:0" | "set diff:1")
        names=$("$prog" set list --names "${game[@]}" 2>/dev/null) || names= ;;
      "set export:1" | "set import:0" | install:* | check:* | "new:0") files=1 ;;
      remove:* | "move:0") names=$("$prog" list --names "${game[@]}" 2>/dev/null) || names= ;;
      add:*) names=$("$prog" list --available --names "${game[@]}" 2>/dev/null) || names= ;;
    esac
  fi
  if [[ -n $files ]]; then
    # Package folders, archives and folders of them; calendar files.
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    return 0
  fi
  # Names may hold spaces: matched against the word as typed, offered quoted for the shell.
  local typed name
  typed=$(_gridmoor_cli_unquote "$cur")
  while IFS= read -r name; do
    [[ -n $name && $name == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
  done <<<"$names"
  return 0
}

complete -F _gridmoor_cli gridmoor-cli
