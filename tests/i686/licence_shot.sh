#!/usr/bin/env bash
# Starts the wizard on the current display (Xvfb), waits for its licence page, takes a
# screenshot of the whole screen and ends the program: the same picture from two builds
# shows that they draw the page alike.
#   licence_shot.sh <product.exe> <windump.exe> <out.png>       WINEPREFIX: the prepared prefix
set -uo pipefail
exe=$1 windump=$2 out=$3
export WINEDEBUG=-all LANG=C.UTF-8
class='Varnek® Brevix Upgrade Tool App Class Name'
rm -f "$out"
timeout -k 5 120 wine "$exe" >/dev/null 2>&1 & program=$!
page=$(timeout 60 wine "$windump" 50 "$class" | tr -d '\r')
grep -q '^child|1000|Button|Accept' <<<"$page" || {
  echo "licence page did not open"; kill $program 2>/dev/null; exit 1; }
# The page's fade-in and first paint end well within this.
sleep 3
import -window root "$out"
kill $program 2>/dev/null
timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
wait $program 2>/dev/null
[ -s "$out" ]
