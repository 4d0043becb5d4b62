#!/usr/bin/env bash
# Screenshots of every wizard page, to hold a change of how the skin is stored or drawn
# against the skin as it was: take them with the program before and after, then compare.
#   skin-shots.sh <product.exe> <windows build dir> <shot dir>
#       Runs the wizard on the simulated notebook (WINEPREFIX: a prefix made by wine-prefix.sh)
#       through a whole upgrade, on a display of its own without a compositor (the window shows
#       opaque, its pixels exactly as painted), and saves the wizard's rectangle of the screen:
#       <page>.<n>.png. Pages whose look moves on its own (the running step's dots) get a few
#       shots each; the flashing tool stands still at 50 % while they are taken.
#   skin-shots.sh --compare <before dir> <after dir>
#       Per page, the largest difference of one colour channel between an "after" shot and the
#       closest "before" shot of that page, in levels of 255. Exit code 1 when one is above 1.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = --compare ]; then
  before=$2 after=$3 worst_all=0 status=0
  levels() { compare -metric PAE "$1" "$2" null: 2>&1 | sed -nE 's/.*\(([0-9.e+-]+)\).*/\1/p' | awk '{printf "%d", $1 * 255 + 0.5}'; }
  for page in $(ls "$after" | sed -n 's/\.[0-9]*\.png$//p' | sort -u); do
    worst=""
    for shot in "$after/$page".*.png; do
      best=""
      for reference in "$before/$page".*.png; do
        [ -f "$reference" ] || continue
        d=$(levels "$shot" "$reference")
        [ -n "$d" ] && { [ -z "$best" ] || [ "$d" -lt "$best" ]; } && best=$d
      done
      [ -z "$best" ] && { worst=missing; break; }
      { [ -z "$worst" ] || [ "$best" -gt "$worst" ]; } && worst=$best
    done
    printf '%-28s %s\n' "$page" "${worst} level(s) at most"
    if [ "$worst" = missing ] || [ "$worst" -gt 1 ]; then status=1; fi
  done
  exit $status
fi

if [ -z "${BREVIX_SHOTS_DISPLAY:-}" ]; then
  BREVIX_SHOTS_DISPLAY=1 exec timeout -k 10 600 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
exe=$(realpath "$1") tree=$(realpath "$2") shots=$3
windump="$tree/tests/wine/windump.exe"
class='Varnek® Brevix Upgrade Tool App Class Name'
title='Varnek® Brevix Firmware Upgrade Tool'
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
mkdir -p "$shots"
work=$(mktemp -d /tmp/brevix-shots.XXXXXX)
sensor_server="$tree/tools/windows/sensorserver/BrevixSensorServer.dll"
cleanup() {
  timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
  bash "$root/scripts/wine-sensor-hub.sh" remove "$WINEPREFIX" "$sensor_server"
  bash "$root/scripts/wine-drivers-reset.sh" "$WINEPREFIX" "$tree"
  rm -rf "$work"
}
trap cleanup EXIT
win_path() { timeout 30 winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# The stand-ins' pacing: time for shots while the ACPI installer runs and while the flashing
# tool holds at 50 %.
printf 'ACPI=4000\nSTTUBE=500\n' >"$work/dpinst.scenario"
printf 'sleep 800\nsend 0 2 0\nsleep 300\nsend 0 4 50\nsleep 6000\nsend 0 4 100\nsleep 300\nflash\nsend 0 5 0\nsleep 60000\n' \
  >"$work/dfu.scenario"
export BREVIX_DPINST_SCENARIO BREVIX_DFU_SCENARIO
BREVIX_DPINST_SCENARIO=$(win_path "$work/dpinst.scenario")
BREVIX_DFU_SCENARIO=$(win_path "$work/dfu.scenario")

log_has() { timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r' | grep -qF -- "$1"; }
wait_for() {  # <text in the wizard> <seconds>
  local i
  for ((i = 0; i < $2 * 2; i++)); do log_has "$1" && return 0; sleep 0.5; done
  echo "gave up waiting for: $1" >&2
  return 1
}
key() { xdotool key "$@"; sleep 0.6; }
shoot() {  # <page> [count]: the wizard's rectangle, <count> times 0.35 s apart
  local n
  xdotool mousemove 1023 767
  sleep 0.6
  read -r wx wy < <(xdotool getwindowgeometry "$win" | sed -nE 's/.*Position: (-?[0-9]+),(-?[0-9]+).*/\1 \2/p')
  for ((n = 1; n <= ${2:-1}; n++)); do
    import -window root -crop "733x549+$wx+$wy" +repage "$shots/$1.$n.png"
    sleep 0.35
  done
  echo "  $1"
}

bash "$root/scripts/wine-drivers-reset.sh" "$WINEPREFIX" "$tree"  # all three items to upgrade
# The hub whose firmware the flash moves to the packaged one, read back before "Done.".
hub=$(bash "$root/scripts/wine-sensor-hub.sh" add "$WINEPREFIX" "$sensor_server" "$work") ||
  { echo "the test sensor server could not be registered" >&2; exit 1; }
while IFS= read -r line; do [ -n "$line" ] && export "${line?}"; done <<<"$hub"
timeout -k 5 300 wine "$exe" >"$work/program.err" 2>&1 &
timeout 60 wine "$windump" 40 "$class" >/dev/null 2>&1
win=$(xdotool search --onlyvisible --name "^$title\$" | head -1)
[ -n "$win" ] || { echo "the wizard did not come up" >&2; exit 1; }
xdotool windowfocus --sync "$win" >/dev/null 2>&1
echo "shots of $exe:"
shoot 1-licence
key Return  # Cancel, highlighted on the licence: the quit confirmation
shoot 2-quit-confirmation
popup=$(xdotool search --onlyvisible --name '^Quit$' | head -1)
xdotool windowfocus --sync "$popup" >/dev/null 2>&1
key Escape
xdotool windowfocus --sync "$win" >/dev/null 2>&1
key Tab Return  # Accept
shoot 3-introduction
key Return  # Next: the checks
wait_for "click upgrade button" 60 || exit 1
shoot 4-checking
key Return  # Upgrade
wait_for "ACPI Driver" 30 && shoot 5-upgrading-drivers 4
wait_for "Finding device . . . Done." 60 && sleep 1 && shoot 6-upgrading-firmware 4
wait_for "Click Finish to exit the setup program." 60 || exit 1
shoot 7-finish
read -r wx wy < <(xdotool getwindowgeometry "$win" | sed -nE 's/.*Position: (-?[0-9]+),(-?[0-9]+).*/\1 \2/p')
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1  # "No, I will restart this system later."
shoot 8-finish-restart-later
xdotool windowfocus --sync "$win" >/dev/null 2>&1
key Tab Tab Tab Return  # Finish
