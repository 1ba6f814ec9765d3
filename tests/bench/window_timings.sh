#!/usr/bin/env bash
# Start-up timings of the Windows program, run by hand under Wine (not a test: no pass or fail):
# the install dialog against a bare dialog with the same manifest, and the season window over a
# full season (64 events in 67season.ini and 64 in gp.ini), each the median of <runs> starts.
#
#   tests/bench/window_timings.sh <Windows build folder> [runs]
#
# Use a Release build (-DCMAKE_BUILD_TYPE=Release) with the targets gridmoor, gridmoor_drive,
# bench_bare_dialog and startup_timer. Needs a display ($DISPLAY) and a Wine prefix.
set -euo pipefail
build=$(cd "$1" && pwd); runs=${2:-15}
wine=${WINELOADER:-/usr/lib/wine/wine64}
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
root=$(cd "$(dirname "$0")/../.." && pwd)
cp -r "$root/examples/game" "$work/game"
cp -r "$root/examples/package" "$work/package"
full_season() {  # full_season <season name>
  local i
  printf '[Season]\r\nname=%s\r\nyear=1967\r\nnumEvents=64\r\n\r\n' "$1"
  for i in $(seq 1 64); do
    mkdir -p "$work/game/tracks/track$i"
    printf '[Event%d]\r\nname=Made-up %d Grand Prix\r\nshortname=Made-up %d\r\n' "$i" "$i" "$i"
    printf 'trackDirectory=track%d\r\nnumberOfLaps=%d\r\nday=%d\r\nmonth=%d\r\n\r\n' \
      "$i" $((40 + i)) $((1 + i % 28)) $((1 + i % 12))
  done
}
full_season "Long Season" >"$work/game/seasons/67season.ini"
full_season "Long Championship" >"$work/game/seasons/gp.ini"

echo "== bare dialog (same manifest), start to shown"
"$wine" "$build/tests/bench/startup_timer.exe" "$runs" 0 0 "$(winpath "$build/tests/bench/bench_bare_dialog.exe")" | tail -n 1
echo "== gridmoor.exe, start to install dialog shown"
(cd "$work/package" && "$wine" "$build/tests/bench/startup_timer.exe" "$runs" 1096 0 \
  "$(winpath "$build/ui/gridmoor.exe")") | tail -n 1
echo "== Season... to the window shown with 64 + 64 events"
"$wine" "$build/tests/e2e/gridmoor_drive.exe" "$(winpath "$build/ui/gridmoor.exe")" \
  "$(winpath "$work/package")" --game-folder "$(winpath "$work/game")" --time-season "$runs" | tail -n 1
