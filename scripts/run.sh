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
elif [ $# -gt 0 ]; then
  # A command-line mode: its console needs a display too.
  xvfb-run -a -s "-screen 0 1024x768x24" wine "$exe" "$@"
else
  # Nobody to click: a simulated user takes the wizard from the licence to the finish page
  # (Accept, Next, Upgrade), with screenshots on the way; build/screenshot.png is the finish.
  shots="$root/build/screenshots/run"
  mkdir -p "$shots"
  export LANG=C.UTF-8 BREVIX_RUN_SHOTS="$shots" BREVIX_WINDUMP="$root/build/win32/tests/wine/windump.exe"
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/scripts/run-demo.sh" "$exe" || true
  cp "$shots/4-finish.png" "$root/build/screenshot.png" 2>/dev/null || true
  echo "screenshots: $shots (the finish page: $root/build/screenshot.png)"
fi
