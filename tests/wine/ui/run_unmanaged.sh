#!/usr/bin/env bash
# Runs a Windows test program whose windows Wine keeps to itself instead of handing them to a
# window manager. There is none on the test display, and Wine would wait 2 s for each managed
# window it hides. Only this program's windows are affected (a per-program setting).
#   run_unmanaged.sh <prefix-dir> <seconds> <program.exe> [args...]
set -uo pipefail
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all
name=$(basename "$3")
timeout 60 wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$name\\X11 Driver" /v Managed /t REG_SZ /d N /f \
  >/dev/null 2>&1
exec "$(dirname "$0")/../../../scripts/wine-run.sh" "$@"
