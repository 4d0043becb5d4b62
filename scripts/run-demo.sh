#!/usr/bin/env bash
# The simulated user of scripts/run.sh: runs the wizard on the current display and clicks its
# way through a complete upgrade, taking screenshots, then leaves through Finish with
# "restart later" (no restart is asked of the simulated notebook).
#   run-demo.sh <product.exe>      BREVIX_RUN_SHOTS: screenshot folder; BREVIX_WINDUMP: windump.exe
set -uo pipefail
exe=$1 shots=$BREVIX_RUN_SHOTS windump=$BREVIX_WINDUMP
class='Varnek® Brevix Upgrade Tool App Class Name'
xcompmgr >/dev/null 2>&1 & compositor=$!
timeout 300 wine "$exe" >/dev/null 2>&1 & program=$!
trap 'kill $compositor 2>/dev/null' EXIT
shot() { sleep 0.5; import -window root "$shots/$1.png"; echo "  $1"; }
key() { xdotool key "$@"; sleep 0.5; }
log_has() { timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r' | grep -qF -- "$1"; }
wait_for() {  # <text in the wizard> <seconds>
  local i
  for ((i = 0; i < $2; i++)); do log_has "$1" && return 0; sleep 1; done
  echo "  (gave up waiting for: $1)"
  return 1
}
timeout 60 wine "$windump" 40 "$class" >/dev/null 2>&1
# The X window maps a moment after the dialog exists (seconds later under emulation).
for _ in $(seq 100); do win=$(xdotool search --onlyvisible --name 'Firmware Upgrade Tool' | head -1); [ -n "$win" ] && break; sleep 0.2; done
xdotool windowfocus --sync "$win" >/dev/null 2>&1
echo "the wizard runs; screenshots:"
shot 1-licence
key Tab Return          # Accept: the package is unpacked
shot 2-introduction
key Return              # Next: the checks
wait_for "click upgrade button" 30
shot 3-checking
key Return              # Upgrade
wait_for "Upgrading Varnek" 60 && sleep 6 && shot 3b-upgrading
wait_for "Click Finish to exit the setup program." 120
shot 4-finish
read -r wx wy < <(xdotool getwindowgeometry "$win" | sed -nE 's/.*Position: (-?[0-9]+),(-?[0-9]+).*/\1 \2/p')
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1   # "No, I will restart this system later."
sleep 0.5
xdotool windowfocus --sync "$win" >/dev/null 2>&1
key Tab Tab Tab Return  # Finish
wait $program
echo "the wizard ended with $?"  # the low byte of its exit code (3010 & 255 = 194)
