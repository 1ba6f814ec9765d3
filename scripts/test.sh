#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native and Windows builds, runs the
# native tests, then the Windows tests (unit and end-to-end) under Wine on a virtual display.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

install_missing_packages
choose_wine
log "building (native, win32$([ "$WIN_BUILD" = "$GRIDMOOR_BUILD/win64" ] && echo ", win64"))"
build_native
build_win32
build_runnable_windows

passed=0; failed=0
run_ctest() {  # run_ctest <label> <build dir>
  local out rc=0
  log "tests: $1"
  out=$(cd "$2" && ctest --output-on-failure --timeout 600 2>&1) || rc=$?
  printf '%s\n' "$out"
  local p f
  p=$(printf '%s\n' "$out" | sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' | awk '{print $1-$2}')
  f=$(printf '%s\n' "$out" | sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p')
  passed=$((passed + ${p:-0})); failed=$((failed + ${f:-0}))
  [ $rc -eq 0 ] || [ "${f:-1}" -gt 0 ] || failed=$((failed + 1))
}

run_ctest native "$GRIDMOOR_BUILD/native"

# The Debian package of gridmoor-cli builds and holds the program, its man page and completion.
log "tests: the Debian package"
if package_has_its_parts "$GRIDMOOR_BUILD/native"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

# The Windows release zip: both programs, the readme and the template package. The product is
# the 32-bit zip; a host that runs the 64-bit build checks that one's zip too.
zip_dirs=("$GRIDMOOR_BUILD/win32")
[ "$WIN_BUILD" != "$GRIDMOOR_BUILD/win32" ] && zip_dirs+=("$WIN_BUILD")
for dir in "${zip_dirs[@]}"; do
  log "tests: the Windows release zip ($(basename "$dir"))"
  if release_zip_has_its_parts "$dir"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done

# The display comes first: Wine binds a prefix's desktop to the display its first program sees.
ensure_display
trap stop_display EXIT
init_wine_prefix
[ "$WIN_BUILD" = "$GRIDMOOR_BUILD/win64" ] && log "this host runs no 32-bit code: the Windows tests run the 64-bit build under 64-bit Wine"
run_ctest "Windows, under Wine" "$WIN_BUILD"

# The products must need nothing but Windows' own DLLs.
for exe in "$GRIDMOOR_BUILD/win32/ui/gridmoor.exe" "$GRIDMOOR_BUILD/win32/cli/gridmoor-cli.exe"; do
  [ -f "$exe" ] || continue
  if "$GRIDMOOR_ROOT/scripts/check-imports.sh" "$exe"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
