#!/usr/bin/env bash
# Installs what is needed, builds what the run needs (the product with its stand-ins, the test
# sensor server, the window reader) and runs the program under Wine on a simulated Windows 7
# notebook with a supported sensor hub whose drivers and firmware are all older than the
# package's. Arguments go to the program (for example /V or /S).
# On a host that cannot run 32-bit code it runs the x86_64 build (scripts/wine-arch.sh).
# Without a display a simulated user takes the wizard through a complete upgrade on a virtual
# display, leaves screenshots in build/screenshots/run/ and the finish page in
# build/screenshot.png, and the run ends non-zero unless the finish page came, every step
# "Done.", and the screenshot shows the wizard.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/install-deps.sh"
# A display that cannot be opened is said at once, not found out by a wizard that never shows.
if [ -n "${DISPLAY:-}" ] && ! timeout 10 xdpyinfo >/dev/null 2>&1; then
  echo "run.sh: DISPLAY=$DISPLAY cannot be opened (no X server answers there); unset DISPLAY to run on a virtual display" >&2
  exit 2
fi
. "$root/scripts/wine-arch.sh"  # the Wine and the build this host can run
out="$root/build"
jobs=$(nproc)
echo "building what the run needs..."
# The host tools the Windows build runs, then the product with its stand-ins, the window reader
# and the test sensor server: not the test suites.
cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Debug -DBREVIX_SANITIZE=ON >/dev/null
cmake --build "$out/native" -j"$jobs" --target packager textres skingen >/dev/null
toolchain="$root/cmake/mingw-i686.cmake"
[ "$BREVIX_WINE_ARCH" = win64 ] && toolchain="$root/cmake/mingw-x86_64.cmake"
cache="$out/win32/CMakeCache.txt"
if [ -f "$cache" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$cache"; then
  find "$out/win32" -mindepth 1 -maxdepth 1 ! -name wineprefix -exec rm -rf {} +
fi
cmake -S "$root" -B "$out/win32" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DHOST_TOOLS_DIR="$out/native/tools" >/dev/null
cmake --build "$out/win32" -j"$jobs" --target upgrade_tool windump sensorserver >/dev/null

prefix="$out/win32/wineprefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# A session of this prefix left by an earlier run (killed halfway, or started without a display)
# would keep every window of this run off the display: it ends first.
bash "$root/scripts/wine-stop.sh" "$prefix"
bash "$root/scripts/wine-prefix.sh" "$prefix"
exe="$out/win32/Varnek(R) Brevix Firmware Upgrade Tool.exe"
# No drivers of ours before the run (the stand-in installer records them), none left after it;
# each time the prefix's session ends, since it ran without a display.
reset() {
  bash "$root/scripts/wine-drivers-reset.sh" "$prefix" "$out/win32"
  bash "$root/scripts/wine-stop.sh" "$prefix"
}
reset
trap reset EXIT

if [ -n "${DISPLAY:-}" ]; then
  hub=$(bash "$root/scripts/wine-sensor-hub.sh" add "$prefix" "$out/win32/tools/windows/sensorserver/BrevixSensorServer.dll" \
        "$out/run-hub")
  while IFS= read -r line; do export "${line?}"; done <<<"$hub"
  trap 'bash "$root/scripts/wine-sensor-hub.sh" remove "$prefix" "$out/win32/tools/windows/sensorserver/BrevixSensorServer.dll"; reset' EXIT
  wine "$exe" "$@"
elif [ $# -gt 0 ]; then
  # A command-line mode: its console needs a display too.
  xvfb-run -a -s "-screen 0 1024x768x24" wine "$exe" "$@"
else
  # Nobody to click: a simulated user takes the wizard from the licence to the finish page
  # (Accept, Next, Upgrade), with screenshots on the way; build/screenshot.png is the finish.
  shots="$out/screenshots/run"
  rm -rf "$shots" "$out/screenshot.png"
  mkdir -p "$shots"
  started=$(date +%s)
  status=0
  LANG=C.UTF-8 BREVIX_RUN_SHOTS="$shots" BREVIX_WINDUMP="$out/win32/tests/wine/windump.exe" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/scripts/run-demo.sh" "$exe" || status=$?
  cp "$shots/4-finish.png" "$out/screenshot.png" 2>/dev/null || true
  echo "screenshots: $shots (the finish page: $out/screenshot.png), $(($(date +%s) - started)) s on the display"
  if [ "$status" != 0 ]; then echo "run.sh: the simulated upgrade did not reach a finish page with every step done" >&2; exit 1; fi
  # The finish page's picture holds the wizard: its skin's many colours, not a blank display.
  colours=$(identify -format '%k' "$out/screenshot.png" 2>/dev/null || echo 0)
  if [ "${colours:-0}" -lt 200 ]; then
    echo "run.sh: build/screenshot.png shows no wizard ($colours colours)" >&2
    exit 1
  fi
  echo "run.sh: the finish page came, every step done ($colours colours in the screenshot)"
fi
