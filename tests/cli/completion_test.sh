#!/usr/bin/env bash
# The bash completion against the real program: commands and options read from its --help,
# folders after --game, nothing after a command the program does not have, set names (quoted,
# spaces and all) and event folders of the game --game names, sort --by's values.
# Usage: completion_test.sh <gridmoor-cli> <completion file> <demo game folder>
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
# No game to be found but the one the line names.
export HOME=$folder; unset WINEPREFIX
game="$folder/the game"
cp -r "$3" "$game"
for set in "League A" "League B" Other; do
  "$program" set save "$set" --game "$game" >/dev/null || { echo "set save $set failed"; exit 1; }
done
quoted_game=${game// /\\ }
expect "where" wh
expect "--dry-run" install --dr
expect "--championship" install --game "$folder" --ch
expect "$folder/game-a $folder/game-b" install --yes --game "$folder/game"
expect "--json" check --j
expect "" nosuchcommand use ""
expect 'League\ A League\ B' set use --game "$quoted_game" Lea
expect 'League\ B' set show --game="$quoted_game" 'League\ B'
expect 'League\ A League\ B' set diff --game "$quoted_game" Other "Lea"
expect "" set rename --game "$quoted_game" Other ""
expect "Other" set export --game "$quoted_game" O
expect "" set use Lea
expect "brockhurst" remove --game "$quoted_game" ardenvale b
expect "calder" move --game "$quoted_game" c
expect "" move --game "$quoted_game" calder ""
expect "date name folder" sort --by ""
expect "folder" sort --dry-run --by f
[ "$failures" -eq 0 ] && echo "completion: all offered as expected"
exit "$failures"
