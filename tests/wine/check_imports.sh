#!/usr/bin/env bash
# The executable must import system DLLs only (static runtime), and carry its resources.
#   check_imports.sh <exe> [objdump]    objdump: the build's own (default: the i686 one); another
#                                       architecture's does not read the file, so that fails too
set -euo pipefail
exe=$1 objdump=${2:-i686-w64-mingw32-objdump}
header=$("$objdump" -f "$exe")
grep 'file format' <<<"$header"
dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
echo "imports:"; echo "$dlls"
[ -n "$dlls" ] || { echo "no imports read"; exit 1; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msimg32|setupapi|cfgmgr32|msvcrt|ws2_32|shlwapi|uxtheme|version|rpcrt4)\.dll$'
bad=$(echo "$dlls" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then echo "non-system imports: $bad"; exit 1; fi
# Resource types and ids the program relies on.
res=$("$objdump" -h "$exe" | grep -c '\.rsrc' || true)
[ "$res" -ge 1 ] || { echo "no resource section"; exit 1; }
