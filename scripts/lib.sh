# Shared by the scripts in this folder: paths, package installation, builds, Wine and a display.
# Source it; it defines functions and variables only.

GRIDMOOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
GRIDMOOR_BUILD=${GRIDMOOR_BUILD:-$GRIDMOOR_ROOT/build}
JOBS=${JOBS:-$(nproc)}

log() { printf '==> %s\n' "$*" >&2; }

# Debian packages the builds and tests need. wine32 needs the i386 architecture.
GRIDMOOR_PACKAGES=(
  cmake make g++ ccache googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev
  libcli11-dev nlohmann-json3-dev libarchive-dev zlib1g-dev libarchive-tools help2man dpkg-dev lintian unzip zip osslsigncode openssl
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick
)

install_missing_packages() {
  local missing=() p
  for p in "${GRIDMOOR_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build <dir> [cmake args...]
configure_and_build() {
  local dir=$1; shift
  if [ ! -f "$dir/Makefile" ]; then
    local out
    out=$(cmake -S "$GRIDMOOR_ROOT" -B "$dir" "$@" 2>&1) || { printf '%s\n' "$out" >&2; return 1; }
  fi
  cmake --build "$dir" -j "$JOBS" >/dev/null || cmake --build "$dir" -j 1
}

build_native() { configure_and_build "$GRIDMOOR_BUILD/native"; }

# Builds the Debian package in <build dir>/package and checks that it lists the program, the man
# page, both completions, the copyright and the changelog, the Windows program pack ships (from
# the win32 build, built first), and that lintian finds no error and at most two warnings in it.
package_has_its_parts() {
  local dir=$1 deb contents part out tags
  rm -f "$dir"/package/*.deb
  out=$(cmake -DGRIDMOOR_WINDOWS_PROGRAM_FILE="$GRIDMOOR_BUILD/win32/ui/gridmoor.exe" "$dir" 2>&1) || {
    printf '%s\n' "$out" >&2; return 1
  }
  out=$(cmake --build "$dir" --target package 2>&1) || {
    printf '%s\n' "$out" >&2; log "the package did not build"; return 1
  }
  deb=$(ls "$dir"/package/*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || { log "no .deb was made"; return 1; }
  contents=$(dpkg-deb --contents "$deb") || return 1
  for part in ./usr/bin/gridmoor-cli ./usr/share/man/man1/gridmoor-cli.1.gz \
      ./usr/share/bash-completion/completions/gridmoor-cli ./usr/share/zsh/vendor-completions/_gridmoor-cli \
      ./usr/share/doc/gridmoor-cli/copyright ./usr/share/doc/gridmoor-cli/changelog.gz \
      ./usr/share/gridmoor/gridmoor.exe; do
    if ! printf '%s\n' "$contents" | grep -q " $part\$"; then
      log "$(basename "$deb") lacks $part"; return 1
    fi
  done
  # lintian exits non-zero on an error tag; its output is counted as well, so that a lintian
  # that fails to run at all is no pass.
  tags=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
  local errors warnings
  errors=$(printf '%s\n' "$tags" | grep -c '^E: ' || true)
  warnings=$(printf '%s\n' "$tags" | grep -c '^W: ' || true)
  if [ "$errors" -gt 0 ] || [ "$warnings" -gt 2 ] || ! lintian --version >/dev/null 2>&1; then
    printf '%s\n' "$tags" >&2
    log "lintian: $errors errors, $warnings warnings in $(basename "$deb") (allowed: 0 and 2)"; return 1
  fi
  log "$(basename "$deb"): program, man page, completions, copyright, changelog; lintian: $warnings warnings"
}

# Builds the Windows release zip in <build dir>/package and checks that it holds both programs,
# the readme (CR LF line ends) and the template package for track makers.
release_zip_has_its_parts() {
  local dir=$1 zip listing part out
  rm -f "$dir"/package/*.zip
  out=$(cmake --build "$dir" --target package 2>&1) || {
    printf '%s\n' "$out" >&2; log "the release zip did not build"; return 1
  }
  zip=$(ls "$dir"/package/gridmoor-*-win*.zip 2>/dev/null | head -n 1)
  [ -n "$zip" ] || { log "no release zip was made"; return 1; }
  listing=$(unzip -l "$zip") || return 1
  for part in gridmoor.exe gridmoor-cli.exe readme.txt template/install.ini template/readme.txt; do
    if ! printf '%s\n' "$listing" | grep -q " $part\$"; then
      log "$(basename "$zip") lacks $part"; return 1
    fi
  done
  # Stripped: no debugging sections (their names are in the string table strip removes).
  for part in gridmoor.exe gridmoor-cli.exe; do
    if unzip -p "$zip" "$part" | grep -qa 'debug_info'; then
      log "$(basename "$zip"): $part is not stripped"; return 1
    fi
  done
  if unzip -p "$zip" readme.txt | grep -q $'[^\r]$'; then
    log "$(basename "$zip"): readme.txt has lines without CR LF"; return 1
  fi
  log "$(basename "$zip"): both programs, readme and the template package"
}
build_win32()  { configure_and_build "$GRIDMOOR_BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$GRIDMOOR_ROOT/cmake/mingw-i686.cmake"; }
build_win64()  { configure_and_build "$GRIDMOOR_BUILD/win64" -DCMAKE_TOOLCHAIN_FILE="$GRIDMOOR_ROOT/cmake/mingw-x86_64.cmake"; }

# Picks the Windows build that Wine can run here. The product is 32-bit; a host without IA-32
# emulation (its kernel refuses 32-bit programs) runs the 64-bit build of the same sources.
# Sets WIN_BUILD, WINELOADER, WINEPREFIX, WINEARCH and WINEDEBUG.
choose_wine() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WIN_BUILD=$GRIDMOOR_BUILD/win32; export WINELOADER=/usr/lib/wine/wine WINEARCH=win32
  else
    WIN_BUILD=$GRIDMOOR_BUILD/win64; export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
  fi
  export WINEPREFIX=${WINEPREFIX:-$GRIDMOOR_BUILD/wineprefix-$WINEARCH}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

build_runnable_windows() {
  [ "$WIN_BUILD" = "$GRIDMOOR_BUILD/win64" ] && build_win64
  return 0
}

# Creates the Wine prefix on first use (about 20 s) and waits until Wine is idle again.
init_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
    # Without a window manager (Xvfb), Wine waits up to 2 s each time a managed window hides.
    "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Starts a virtual X server when there is no display; stop_display ends it.
GRIDMOOR_XVFB_PID=
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=99
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  GRIDMOOR_XVFB_PID=$!
  export DISPLAY=:$n
  local i
  for i in $(seq 1 100); do
    [ -e /tmp/.X11-unix/X$n ] && return 0
    kill -0 $GRIDMOOR_XVFB_PID 2>/dev/null || break
    sleep 0.1
  done
  log "the virtual X server did not start"; return 1
}
stop_display() {
  [ -n "$GRIDMOOR_XVFB_PID" ] && kill "$GRIDMOOR_XVFB_PID" 2>/dev/null
  GRIDMOOR_XVFB_PID=
}
