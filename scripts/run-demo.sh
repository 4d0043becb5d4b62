#!/usr/bin/env bash
# The simulated user of scripts/run.sh: runs the wizard on the current display and clicks its
# way through a complete upgrade, taking screenshots, then leaves through Finish with
# "restart later" (no restart is asked of the simulated notebook). Every page has its own time
# limit; when one does not come, it says what it waited for and what the wizard showed instead
# (or that no window exists, with the program's last lines of output) and ends with 1.
#   run-demo.sh <product.exe>      BREVIX_RUN_SHOTS: screenshot folder; BREVIX_WINDUMP: windump.exe
#   BREVIX_SENSOR_SERVER: the test sensor server (default: the one built beside the product)
# Needs the prefix's Wine session to run on this display (or none to run at all).
set -uo pipefail
exe=$1 shots=$BREVIX_RUN_SHOTS windump=$BREVIX_WINDUMP
here=$(cd "$(dirname "$0")" && pwd)
server=${BREVIX_SENSOR_SERVER:-$(dirname "$exe")/tools/windows/sensorserver/BrevixSensorServer.dll}
class='Varnek® Brevix Upgrade Tool App Class Name'
work=$(mktemp -d /tmp/brevix-run.XXXXXX)
program_out="$work/program.txt"

# The hub the run upgrades: the test sensor server, firmware 221211 until the tool flashes it.
if [ ! -f "$server" ]; then echo "run-demo: no test sensor server at $server" >&2; exit 1; fi
hub=$(bash "$here/wine-sensor-hub.sh" add "$WINEPREFIX" "$server" "$work") || {
  echo "run-demo: cannot register the test sensor server in $WINEPREFIX" >&2; exit 1; }
while IFS= read -r line; do export "${line?}"; done <<<"$hub"

xcompmgr >/dev/null 2>&1 & compositor=$!
# Wine's error channel stays on for the program: what keeps it from showing a window is there.
WINEDEBUG=-all,err+all timeout 300 wine "$exe" >"$program_out" 2>&1 & program=$!
cleanup() {
  kill $compositor 2>/dev/null
  bash "$here/wine-sensor-hub.sh" remove "$WINEPREFIX" "$server"
  rm -rf "$work"
}
trap cleanup EXIT

# What the wizard shows now (its log's text and its controls), or why there is nothing.
shown() {
  local dump
  dump=$(timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r')
  if [ -n "$dump" ] && [ "$dump" != none ]; then
    echo "  the wizard shows:"; sed 's/^/    /' <<<"$dump" | head -40
  elif kill -0 $program 2>/dev/null; then
    echo "  no wizard window exists; the program runs. Its last lines of output:"; tail -n 15 "$program_out" | sed 's/^/    /'
  else
    wait $program; echo "  the program has ended ($?, the low byte of its exit code); its last lines of output:"
    tail -n 15 "$program_out" | sed 's/^/    /'
  fi
}
give_up() {  # <what was awaited>
  echo "run-demo: gave up waiting for: $1"
  shown
  kill $program 2>/dev/null
  exit 1
}
shot() { sleep 0.5; import -window root "$shots/$1.png"; echo "  $1"; }
key() { xdotool key "$@"; sleep 0.5; }
log_has() { timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r' | grep -qF -- "$1"; }
wait_for() {  # <text in the wizard> <seconds>
  local i
  for ((i = 0; i < $2; i++)); do log_has "$1" && return 0; sleep 1; done
  give_up "\"$1\" in the wizard (${2} s)"
}

# The window: first the dialog, then its X window (seconds later under emulation).
timeout 60 wine "$windump" 40 "$class" >/dev/null 2>&1 || give_up "the wizard's window (40 s)"
win=""
for _ in $(seq 100); do win=$(xdotool search --onlyvisible --name 'Firmware Upgrade Tool' | head -1); [ -n "$win" ] && break; sleep 0.2; done
[ -n "$win" ] || give_up "the wizard's window on the display (20 s)"
xdotool windowfocus --sync "$win" >/dev/null 2>&1
echo "the wizard runs; screenshots:"
shot 1-licence
key Tab Return          # Accept: the package is unpacked
shot 2-introduction
key Return              # Next: the checks
wait_for "click upgrade button" 30
shot 3-checking
key Return              # Upgrade
wait_for "Upgrading Varnek" 40
sleep 6 && shot 3b-upgrading
wait_for "Click Finish to exit the setup program." 90
shot 4-finish
failed=0
if log_has "Failed!"; then echo "run-demo: a step failed"; shown; failed=1; fi
read -r wx wy < <(xdotool getwindowgeometry "$win" | sed -nE 's/.*Position: (-?[0-9]+),(-?[0-9]+).*/\1 \2/p')
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1   # "No, I will restart this system later."
sleep 0.5
xdotool windowfocus --sync "$win" >/dev/null 2>&1
key Tab Tab Tab Return  # Finish
for _ in $(seq 30); do kill -0 $program 2>/dev/null || break; sleep 1; done
kill -0 $program 2>/dev/null && give_up "the wizard to end after Finish (30 s)"
wait $program
code=$?
echo "the wizard ended with $code"  # the low byte of its exit code (3010 & 255 = 194)
[ "$failed" = 0 ] && [ "$code" = $((3010 & 255)) ]
