#!/usr/bin/env bash
# Takes the drivers that the stand-in installer recorded in a prefix back out again, so that
# the next run on the simulated notebook has all three items to upgrade once more.
#   wine-drivers-reset.sh <prefix-dir> <windows build dir>
# Needs the PATH and WINEARCH of scripts/wine-arch.sh (the caller has sourced it).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all
standins="$2/standins/DRIVER"
for inf in ACPI/VarnekBrevixAcpi.inf STTUBE/STtube.inf; do
  installer="$standins/${inf%%/*}/dpinst.exe"
  [ -f "$installer" ] || continue
  timeout 60 wine "$installer" /u "$(timeout 30 winepath -w "$root/resources/components/DRIVER/$inf" | tr -d '\r')" \
    >/dev/null 2>&1 || true
done
exit 0
