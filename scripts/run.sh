#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program under Wine on a simulated Windows 7
# notebook with a supported sensor hub. Arguments go to the program (for example /V or /S).
# On a host that cannot run 32-bit code it runs the x86_64 build (scripts/wine-arch.sh).
# Without a display it runs on a virtual one and leaves a screenshot in build/screenshot.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
. "$root/scripts/wine-arch.sh"  # the Wine and the build this host can run
bash "$root/scripts/build.sh" "$root/build" >/dev/null
prefix="$root/build/win32/wineprefix"
bash "$root/scripts/wine-prefix.sh" "$prefix"
exe="$root/build/win32/Varnek(R) Brevix Firmware Upgrade Tool.exe"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No drivers of ours before the run (the stand-in installer records them), none left after it;
# then the prefix's wineserver ends.
bash "$root/scripts/wine-drivers-reset.sh" "$prefix" "$root/build/win32"
trap 'bash "$root/scripts/wine-drivers-reset.sh" "$prefix" "$root/build/win32"; bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT

if [ -n "${DISPLAY:-}" ]; then
  wine "$exe" "$@"
else
  shot="$root/build/screenshot.png"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    xcompmgr >/dev/null 2>&1 & compositor=$!
    timeout 60 wine "$1" "${@:3}" & program=$!
    sleep 8
    import -window root "$2"
    wait $program
    kill $compositor
  ' run "$exe" "$shot" "$@" || true
  echo "screenshot: $shot"
fi
