#!/usr/bin/env bash
# The i686 lane: on a host that cannot run 32-bit code (the Wine suite there runs an x86_64
# build), the shipped i686 executable of <build-root>/win32-i686, as build.sh made it, runs in
# a 32-bit prefix and in a 64-bit one (WoW64) under Debian's 32-bit Wine, emulated by qemu in a
# root of its own (scripts/i686-root.sh, made once per machine; scripts/i686-enter.sh). Its
# test helpers are built in the same tree. Cases: tests/i686/cases.sh.
#   i686-lane.sh [build-root]       default ./build, after build.sh and the Wine suite
# A host that cannot host the lane (no user namespaces, a kernel before 6.7) gets one line
# saying why, and exit code 0; a host that runs 32-bit code needs no lane.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build}")
. "$root/scripts/wine-arch.sh"
if [ "$BREVIX_WINE_ARCH" = win32 ]; then
  echo "i686 lane: not needed, the Wine suite ran the shipped i686 build on this host's own 32-bit Wine"
  exit 0
fi
if ! reason=$(bash "$root/scripts/i686-enter.sh" --probe); then
  echo "i686 lane: skipped, this host cannot host it: $reason"
  exit 0
fi
seconds() { echo $(( $(date +%s) - $1 )); }
lane_start=$(date +%s)

start=$(date +%s)
bash "$root/scripts/i686-root.sh" || { echo "FAIL: i686 lane: the emulated root could not be made"; exit 1; }
echo "i686 lane: emulated root ready in $(seconds "$start") s (${BREVIX_I686_ROOT:-/var/cache/brevix/i686-root})"

# The helpers the cases drive, i686 like the product, beside it; the product itself is not
# built again with other options (build.sh made it).
nice -n 10 cmake --build "$out/win32-i686" -j"$(nproc)" \
  --target upgrade_tool windump consoledriver holdinstance sensorserver >/dev/null ||
  { echo "FAIL: i686 lane: the i686 test helpers did not build"; exit 1; }

# The x86_64 build's licence page, on the host's own Wine, as the picture to match.
mkdir -p "$out/i686-lane"
reference="$out/i686-lane/licence-x86_64.png"
bash "$root/scripts/wine-prefix.sh" "$out/win32/wineprefix"
WINEPREFIX="$out/win32/wineprefix" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$root/tests/i686/licence_shot.sh" "$out/win32/Varnek(R) Brevix Firmware Upgrade Tool.exe" \
  "$out/win32/tests/wine/windump.exe" "$reference" ||
  { echo "FAIL: i686 lane: no licence page of the x86_64 build to compare with"; exit 1; }

fail=0
for kind in win32 win64; do
  start=$(date +%s)
  (cd "$root" && bash scripts/i686-enter.sh 1500 bash tests/i686/cases.sh "$kind" "$out" "$reference") || fail=1
  echo "i686 lane: the $kind prefix took $(seconds "$start") s"
done
echo "i686 lane: $(seconds "$lane_start") s in all$([ $fail = 0 ] || echo ", FAILED")"
exit $fail
