#!/usr/bin/env bash
# Writes the demo package's track files: the track data `dat`, the seven `.lp` line files and
# the lap replay `rpy`. None is real game data: each is a short tag naming the file followed by
# deterministic filler bytes, every file different, so a byte compare tells any two apart.
# Usage: make-track-files.sh [package folder]
set -euo pipefail
dir=${1:-"$(cd "$(dirname "$0")/.." && pwd)/package"}

# fill <file> <tag> <bytes> <seed>: the tag line, then filler from a small linear congruential
# generator (the same bytes on every machine).
fill() {
  local file=$1 tag=$2 size=$3 seed=$4
  {
    printf 'GRIDMOOR DEMO %s\r\n' "$tag"
    LC_ALL=C awk -v n="$size" -v s="$seed" 'BEGIN {
      for (i = 0; i < n; i++) { s = (s * 1103515245 + 12345) % 2147483648; printf "%c", int(s / 65536) % 256 }
    }'
  } >"$dir/$file"
}

fill dat        "track data kestrel"      2048 11
fill race.lp    "racing line"             384  21
fill pit.lp     "pit lane line"           256  22
fill pass1.lp   "passing line 1"          320  23
fill pass2.lp   "passing line 2"          320  24
fill maxrace.lp "fastest line"            384  25
fill minrace.lp "slowest line"            384  26
fill rpy        "world record lap replay" 4096 31
