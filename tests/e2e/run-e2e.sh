#!/usr/bin/env bash
# Runs the end-to-end suite under Wine, in the suite's own Wine prefix (made on first use) and
# on the display in $DISPLAY, or, without one, on a virtual X server started for this run.
#
#   run-e2e.sh <wine loader> <gridmoor_e2e_tests.exe> [GoogleTest arguments...]
#
# GRIDMOOR_E2E_PREFIX names the prefix (ctest sets it to the build's tests/e2e/wineprefix).
set -euo pipefail
loader=$1; shift
tests=$1; shift

export WINEPREFIX=${GRIDMOOR_E2E_PREFIX:-$(dirname "$tests")/wineprefix}
case $loader in
  *wine64) export WINEARCH=win64 ;;
  *) export WINEARCH=win32 ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 1 100); do
    [ -e /tmp/.X11-unix/X$n ] && break
    sleep 0.1
  done
fi

# Wine makes its desktop for the display its first program meets: the display comes first.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run-e2e: creating the Wine prefix $WINEPREFIX" >&2
  "$loader" wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# Without a window manager Wine waits two seconds for each closing window to be withdrawn;
# unmanaged windows close at once.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi

"$loader" "$tests" "$@"
