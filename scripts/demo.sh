#!/usr/bin/env bash
# The demo: installs the example track (examples/package) into a fresh demo game folder with
# the real program under Wine.
#
# With a display ($DISPLAY set) the program opens and you install by hand ("Season..." shows
# the season window); without one the install is driven for you on a virtual X server, and the
# summary box, the season files' changes and pictures of the dialog and of the season window
# (over a second game folder with a full season of 64 events) are reported.
#
# Everything lands in build/demo: game/ (the game folder), full-season/ (the full one),
# package/ (the package with gridmoor.exe beside it, as track makers ship it), dialog.png and
# season-window.png (the pictures in docs/ are these). The demo has a Wine prefix of its own,
# build/demo-wineprefix-<arch>, whose registry names game/ as the game's folder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

install_missing_packages
choose_wine
export WINEPREFIX=$GRIDMOOR_BUILD/demo-wineprefix-$WINEARCH
log "building ($(basename "$WIN_BUILD"))"
if [ "$WIN_BUILD" = "$GRIDMOOR_BUILD/win64" ]; then build_win64; else build_win32; fi
program=$WIN_BUILD/ui/gridmoor.exe
driver=$WIN_BUILD/tests/e2e/gridmoor_drive.exe
[ -f "$program" ] || { log "the build made no $program"; exit 1; }

# Wine sees the Linux root as drive Z:.
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

demo=$GRIDMOOR_BUILD/demo
log "laying out $demo"
rm -rf "$demo/game" "$demo/full-season" "$demo/package" "$demo"/*.bmp "$demo"/*.png
mkdir -p "$demo"
cp -r "$GRIDMOOR_ROOT/examples/game" "$demo/game"
rm -f "$demo/game/replay/.gitkeep"

# A full season: 64 events in both files, each with its track folder but the last.
cp -r "$demo/game" "$demo/full-season"
full_season() {  # full_season <season name>
  local names=(Ardenvale Brockhurst "Calder Point" Dunmere "Elsworth Park" Fallowmere Glenrothy
               Harrowgate Ivelmoor "Jarrow Bay" Kestrel Lindqvist Marrowdale Northcliff
               Oakhampton Pellworth)
  local kinds=("Grand Prix" Trophy "Gold Cup" "200")
  local i name folder
  printf '[Season]\r\nname=%s\r\nyear=1967\r\nnumEvents=64\r\n\r\n' "$1"
  for i in $(seq 1 64); do
    name="${names[$(((i - 1) % 16))]} ${kinds[$(((i - 1) / 16))]}"
    folder=$(printf '%s%02d' "$(tr -d ' ' <<<"${names[$(((i - 1) % 16))]}" | tr 'A-Z' 'a-z' | cut -c1-6)" "$i")
    [ "$i" -lt 64 ] && mkdir -p "$demo/full-season/tracks/$folder"
    printf '[Event%d]\r\nname=%s\r\nshortname=%s\r\ntrackDirectory=%s\r\nnumberOfLaps=%d\r\n' \
      "$i" "$name" "${names[$(((i - 1) % 16))]}" "$folder" $((40 + i % 50))
    printf 'day=%d\r\nmonth=%d\r\nstartingGrid=2-2-2\r\n\r\n' $((1 + (i * 11) % 28)) $((1 + (i - 1) * 12 / 64))
  done
}
full_season "1967 Long Season" >"$demo/full-season/seasons/67season.ini"
full_season "1967 Long Championship" >"$demo/full-season/seasons/gp.ini"
cp -r "$GRIDMOOR_ROOT/examples/package" "$demo/package"
cp "$program" "$demo/package/gridmoor.exe"

# Wine makes its desktop for the display its first program meets: the display comes first.
headless=
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  ensure_display
  trap stop_display EXIT
fi
init_wine_prefix
if [ -n "$headless" ]; then
  # No window manager on the virtual display: Wine draws the frames itself and closes windows
  # without waiting for one.
  "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
else
  "$WINELOADER" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
fi
game_folder=$(winpath "$demo/game")
if [ ${#game_folder} -gt 99 ]; then
  log "note: $game_folder is longer than the 99 characters the program reads from the registry;"
  log "      type it into the GPL Path box instead"
fi
"$WINELOADER" reg add 'HKLM\Software\Sierra OnLine\Setup\GPL' /v Directory /d "$game_folder" /f \
  >/dev/null 2>&1
log "the game's setup entry names $game_folder"

show_changes() {
  local f files
  files=$(cd "$demo/game" && find tracks/kestrel replay -type f 2>/dev/null | sort) || true
  echo
  if [ -n "$files" ]; then
    echo "Files installed:"
    sed 's/^/    /' <<<"$files"
  else
    echo "No track files were installed."
  fi
  for f in 67season.ini gp.ini; do
    echo
    if cmp -s "$GRIDMOOR_ROOT/examples/game/seasons/$f" "$demo/game/seasons/$f"; then
      echo "seasons/$f is unchanged."
      continue
    fi
    echo "Changes to seasons/$f:"
    diff -u --strip-trailing-cr --label "before/$f" --label "after/$f" \
      "$GRIDMOOR_ROOT/examples/game/seasons/$f" "$demo/game/seasons/$f" | sed 's/^/    /' ||
      true
  done
}

if [ -z "$headless" ]; then
  log "starting gridmoor.exe in $demo/package: install the track by hand"
  (cd "$demo/package" && "$WINELOADER" gridmoor.exe) || true
  show_changes
  exit 0
fi

log "no display: driving the program on the virtual display $DISPLAY"
# The pictures show the full season as a player's C:\GPL, not a path of this machine.
ln -sfn "$demo/full-season" "$WINEPREFIX/drive_c/GPL"
"$WINELOADER" "$driver" "$(winpath "$demo/package/gridmoor.exe")" "$(winpath "$demo/package")" \
  --game-folder 'C:\GPL' --pictures-only \
  --screenshot "$(winpath "$demo/dialog.bmp")" \
  --season-screenshot "$(winpath "$demo/season-window.bmp")" || true
for picture in dialog season-window; do
  [ -f "$demo/$picture.bmp" ] && convert "$demo/$picture.bmp" "$demo/$picture.png" &&
    rm -f "$demo/$picture.bmp"
done
status=0
"$WINELOADER" "$driver" "$(winpath "$demo/package/gridmoor.exe")" "$(winpath "$demo/package")" \
  --championship || status=$?
show_changes
for picture in dialog season-window; do
  [ -f "$demo/$picture.png" ] && printf '\nPicture: %s\n' "$demo/$picture.png"
done
exit $status
