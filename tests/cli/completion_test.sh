#!/usr/bin/env bash
# The bash completion against the real program: commands and options read from its --help,
# folders after --game, nothing after a command the program does not have.
# Usage: completion_test.sh <gridmoor-cli> <completion file>
set -u
program=$1
source "$2"
failures=0
expect() {  # expect "<offered>" word...
  local want=$1; shift
  COMP_WORDS=("$program" "$@"); COMP_CWORD=$(($# ))
  _gridmoor_cli
  local got="${COMPREPLY[*]}"
  if [ "$got" != "$want" ]; then
    echo "after '$*': offered '$got', expected '$want'"; failures=$((failures + 1))
  fi
}
folder=$(mktemp -d); trap 'rm -rf "$folder"' EXIT
mkdir "$folder/game-a" "$folder/game-b"; touch "$folder/game-c.txt"
expect "where" wh
expect "--dry-run" install --dr
expect "--championship" install --game "$folder" --ch
expect "$folder/game-a $folder/game-b" install --yes --game "$folder/game"
expect "--json" check --j
expect "" nosuchcommand use ""
[ "$failures" -eq 0 ] && echo "completion: all offered as expected"
exit "$failures"
