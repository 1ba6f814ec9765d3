#!/usr/bin/env bash
# check-imports.sh <exe>: fails unless every DLL the program imports is one of Windows' own.
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|msvcrt|ole32|oleaut32|shlwapi|uxtheme|version|api-ms-win-[a-z0-9-]+)\.dll$'
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
bad=$(printf '%s\n' "$dlls" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then
  echo "$exe imports DLLs that are not Windows' own: $bad" >&2
  exit 1
fi
echo "imports of $(basename "$exe"): $(echo $dlls)"
