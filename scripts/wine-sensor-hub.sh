#!/usr/bin/env bash
# The simulated notebook's sensor hub for a run outside the tests (scripts/run.sh, the
# benchmarks): registers the test sensor COM server in the prefix and writes its fixture, a hub
# with firmware 221211 that a flash of the stand-in tool moves to the packaged 221212 (the run
# reads it back after the flash).
#   wine-sensor-hub.sh add <prefix> <BrevixSensorServer.dll> <scratch dir>
#   wine-sensor-hub.sh remove <prefix> <BrevixSensorServer.dll>
# After "add" the caller exports BREVIX_SENSOR_FIXTURE and BREVIX_SENSOR_FIRMWARE as printed
# ("NAME=value" lines), so the program and the stand-ins it starts see them.
# Needs the PATH and WINEARCH of scripts/wine-arch.sh (the caller has sourced it).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine/architecture.sh"
action=$1 prefix=$(realpath -m "$2") dll=$(realpath -m "$3")
export WINEPREFIX="$prefix" WINEDEBUG=-all
clsid='HKLM\Software\Classes\CLSID\{77A1C827-FCD2-4689-8915-9D613CC5FA3E}'
[ "$(pe_machine "$dll")" = x86_64 ] && view=/reg:64 || view=/reg:32
reg() { timeout 60 wine reg "$@" >/dev/null 2>&1; }
win_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
case "$action" in
  add)
    scratch=$(realpath -m "$4")
    mkdir -p "$scratch"
    printf '%s\n' 'sensor=HID Sensor Collection|custom|@221211-0' >"$scratch/sensors.txt"
    rm -f "$scratch/firmware.txt"
    reg add "$clsid\\InprocServer32" /ve /t REG_SZ /d "$(win_path "$dll")" "$view" /f || exit 1
    reg add "$clsid\\InprocServer32" /v ThreadingModel /t REG_SZ /d Both "$view" /f || exit 1
    echo "BREVIX_SENSOR_FIXTURE=$(win_path "$scratch/sensors.txt")"
    echo "BREVIX_SENSOR_FIRMWARE=$(win_path "$scratch/firmware.txt")"
    ;;
  remove)
    reg delete "$clsid" "$view" /f
    ;;
  *) echo "wine-sensor-hub.sh add|remove ..." >&2; exit 2 ;;
esac
exit 0
