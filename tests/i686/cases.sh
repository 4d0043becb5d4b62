#!/usr/bin/env bash
# The shipped i686 executable in one kind of prefix, inside the i686 root (scripts/i686-lane.sh
# runs this through scripts/i686-enter.sh). The cases are those that reach what only a 32-bit
# build, or a 32-bit program on 64-bit Windows, does: start-up's gates and its working directory
# ("Program Files (x86)" under WoW64), the wizard's licence page drawn as the x86_64 build draws
# it, the silent runs through the stand-ins (the device class keys read, the test sensor server
# found in the registry view of 32-bit programs, the transcript and the whole exit code), the
# clean-up of the work files and, under WoW64, a
# complete upgrade in the wizard driven by real input.
#   cases.sh <win32|win64> <build-root> <licence screenshot of the x86_64 build>
set -uo pipefail
kind=$1 out=$2 reference=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
BREVIX_WINE_ARCH=$kind
. "$root/scripts/wine-arch.sh"
export WINEARCH=$kind WINEDEBUG=-all
tree="$out/win32-i686"
exe="$tree/Varnek(R) Brevix Firmware Upgrade Tool.exe"
tools="$tree/tests/wine"
export WINEPREFIX="$out/i686-lane/prefix-$kind"
results="$out/i686-lane/$kind"
rm -rf "$results"
mkdir -p "$results"
xvfb() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
fail=0
# timed <id> <what it shows> <command...>: one case, its output in <results>/<id>.log, its time.
timed() {
  local id=$1 name=$2 start end rc
  shift 2
  start=$(date +%s%N)
  "$@" >"$results/$id.log" 2>&1
  rc=$?
  end=$(date +%s%N)
  local took
  took=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e9 }')
  if [ $rc = 0 ]; then
    echo "ok: i686 in a $kind prefix: $name ($took s)"
  else
    echo "FAIL: i686 in a $kind prefix: $name ($took s); its output:"
    sed 's/^/    /' "$results/$id.log"
    fail=1
  fi
}
# has <log> <line>...: each line is in the case's output (the subset's cases really ran).
has() { local log=$1 line; shift; for line in "$@"; do grep -qxF -- "$line" "$results/$log.log" || return 1; done; }

arch_checked() {
  . "$root/tests/wine/architecture.sh"
  [ "$(pe_machine "$exe")" = i386 ] && [ "$(prefix_arch "$WINEPREFIX")" = "$kind" ]
}
timed prefix "prefix (made once per build tree)" bash -c \
  '"$1/scripts/wine-prefix.sh" "$WINEPREFIX" && "$1/scripts/wine-stop.sh" "$WINEPREFIX"' _ "$root"
timed arch "the executable is i386 and the prefix $kind" arch_checked

timed startup "start-up gates: pass, refusals (1633), second instance (1618)" \
  xvfb "$root/tests/wine/startup_test.sh" "$exe" "$tools/windump.exe" "$tools/holdinstance.exe" "$WINEPREFIX"

licence() {
  xvfb "$root/tests/i686/licence_shot.sh" "$exe" "$tools/windump.exe" "$results/licence.png" || return 1
  local differing
  differing=$(compare -metric AE "$results/licence.png" "$reference" null: 2>&1)
  echo "pixels differing from the x86_64 build's: $differing"
  [ "$differing" = 0 ]
}
timed licence "wizard to the licence page, same picture as the x86_64 build" licence

console() {
  BREVIX_CONSOLE_PARTS="4 5 9" xvfb "$root/tests/wine/console_test.sh" "$exe" "$tools/consoledriver.exe" \
    "$tools/windump.exe" "$WINEPREFIX" "$tree/tools/windows/sensorserver/BrevixSensorServer.dll" \
    "$tools/holdinstance.exe" || return 1
}
timed console "/S everything current (0), full upgrade (3010), clean-up" console
has console \
  'ok: /S everything current: report, wait, no "Upgrade Finished!", exit 0' \
  'ok: /S full upgrade: steps done, progress, "Upgrade Finished!", exit 3010' \
  'ok: /V: the work files are gone afterwards (left: )' ||
  { echo "FAIL: i686 in a $kind prefix: the silent cases did not all run"; fail=1; }

if [ "$kind" = win64 ]; then
  wizard() {
    local log
    bash "$root/scripts/wine-drivers-reset.sh" "$WINEPREFIX" "$tree"
    # The reset's Wine session has no display; one that lived on would keep the wizard's
    # windows off the X display the demo starts.
    bash "$root/scripts/wine-stop.sh" "$WINEPREFIX"
    log=$(BREVIX_RUN_SHOTS="$results/wizard" BREVIX_WINDUMP="$tools/windump.exe" LANG=C.UTF-8 \
          xvfb bash -c 'mkdir -p "$BREVIX_RUN_SHOTS" && exec "$0" "$1"' "$root/scripts/run-demo.sh" "$exe")
    echo "$log"
    bash "$root/scripts/wine-drivers-reset.sh" "$WINEPREFIX" "$tree"
    bash "$root/scripts/wine-stop.sh" "$WINEPREFIX"
    # A shell sees the low byte of the exit code: 3010 & 255.
    ! grep -q "gave up" <<<"$log" && grep -qx "the wizard ended with $((3010 & 255))" <<<"$log" &&
      [ -s "$results/wizard/4-finish.png" ]
  }
  timed wizard "wizard upgrade by keys and clicks to Finish, 3010" wizard
fi
bash "$root/scripts/wine-stop.sh" "$WINEPREFIX"
exit $fail
