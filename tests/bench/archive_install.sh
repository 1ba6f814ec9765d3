#!/usr/bin/env bash
# Installing a track straight from a downloaded zip, against the floor of doing it by hand:
# unpacking with bsdtar and a durable plain copy of the files (each flushed to disk). Also the
# largest memory while installing from a 500 MiB archive.
#
#   archive_install.sh prepare DIR      the data: DIR/50mib.zip, DIR/500mib.zip (made by zip, as
#                                       a Linux player makes them), a game folder
#   archive_install.sh install DIR      one install from DIR/50mib.zip (the command to time)
#   archive_install.sh floor DIR        bsdtar + plain copy of the same zip (the floor)
#   archive_install.sh large DIR        one install from DIR/500mib.zip
#   archive_install.sh run DIR          prepare, then 5 of each with /usr/bin/time
#
# The Windows program under Wine, on a 20 MiB zip, against the floor of unpacking and copying
# by hand under the same Wine (unzip_floor.exe: zlib's inflate into a folder, then a copy of
# each file into the game folder, flushed; build it with the target unzip_floor):
#   archive_install.sh wine-prepare DIR   DIR/20mib.zip, a game folder
#   archive_install.sh wine-install DIR   gridmoor-cli.exe install of DIR/20mib.zip
#   archive_install.sh wine-floor DIR     unzip_floor.exe of the same zip
# Time the pair with farm-bench, with WINELOADER (wine64 where no 32-bit code runs) and
# WINEPREFIX set and a wineserver kept running (wineserver -p).
# gridmoor-cli is taken from GRIDMOOR_CLI (default: build/native/cli/gridmoor-cli), the Windows
# one from GRIDMOOR_CLI_EXE (default: build/win64/cli/gridmoor-cli.exe).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cli=${GRIDMOOR_CLI:-$root/build/native/cli/gridmoor-cli}
mode=$1 dir=$(realpath -m "$2")

# A package whose track file (dat, the one large file a track has) is track-like: part random
# (textures, meshes), part repeated (tables); MiB counts its size.
make_package() {  # make_package <folder> <trackDirectory> <MiB>
  local folder=$1 track=$2 mib=$3 i
  mkdir -p "$folder"
  cp -r "$root"/examples/package/. "$folder"/
  sed -i "s/trackDirectory=kestrel/trackDirectory=$track/" "$folder/install.ini"
  for ((i = 0; i < mib; i++)); do
    head -c 786432 /dev/urandom; head -c 262144 < <(yes "track section $i")
  done > "$folder/dat"
}

case $mode in
  prepare)
    rm -rf "$dir"; mkdir -p "$dir/src"
    # Three quarters of a track file is random: 66 MiB of it zip to about 50 MiB.
    make_package "$dir/src/small/Bench" bench 66
    make_package "$dir/src/large/Large" large 660
    (cd "$dir/src/small" && zip -q -1 -r "$dir/50mib.zip" .)
    (cd "$dir/src/large" && zip -q -1 -r "$dir/500mib.zip" .)
    rm -rf "$dir/src"
    cp -r "$root/examples/game" "$dir/game"
    ls -l "$dir"/*.zip
    ;;
  install)
    "$cli" install "$dir/50mib.zip" --game "$dir/game" --yes >/dev/null
    ;;
  floor)
    rm -rf "$dir/unpacked" "$dir/copy"; mkdir -p "$dir/unpacked"
    bsdtar -xf "$dir/50mib.zip" -C "$dir/unpacked"
    cp -r "$dir/unpacked/Bench" "$dir/copy"
    sync "$dir/copy"/* "$dir/copy"
    rm -rf "$dir/unpacked"
    ;;
  wine-prepare)
    rm -rf "$dir"; mkdir -p "$dir/src"
    make_package "$dir/src/Bench" bench 26
    (cd "$dir/src" && zip -q -1 -r "$dir/20mib.zip" .)
    rm -rf "$dir/src"
    cp -r "$root/examples/game" "$dir/game"
    ls -l "$dir"/20mib.*
    ;;
  wine-install)
    # Windows paths: a Windows program reads "/tmp/..." as an option.
    "${WINELOADER:-wine}" "${GRIDMOOR_CLI_EXE:-$root/build/win64/cli/gridmoor-cli.exe}" install \
      "Z:${dir//\//\\}\\20mib.zip" --game "Z:${dir//\//\\}\\game" --yes >/dev/null
    ;;
  wine-floor)
    rm -rf "$dir/unpacked" "$dir/game/tracks/floor"
    "${WINELOADER:-wine}" "${UNZIP_FLOOR_EXE:-$root/build/win64/tests/bench/unzip_floor.exe}" \
      "Z:${dir//\//\\}\\20mib.zip" "Z:${dir//\//\\}\\unpacked" "Z:${dir//\//\\}\\game\\tracks\\floor"
    rm -rf "$dir/unpacked"
    ;;
  large)
    "$cli" install "$dir/500mib.zip" --game "$dir/game" --yes >/dev/null
    ;;
  run)
    "$0" prepare "$dir"
    for i in 1 2 3 4 5; do
      for what in install floor; do
        /usr/bin/time -f "$what: %e s wall, %M KiB max resident" "$0" "$what" "$dir"
      done
    done
    /usr/bin/time -f "large: %e s wall, %M KiB max resident" "$0" large "$dir"
    ;;
esac
