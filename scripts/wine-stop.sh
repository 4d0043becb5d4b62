#!/usr/bin/env bash
# Ends the prefix's wineserver and waits for it.
#   wine-stop.sh <prefix-dir>
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all
timeout 30 wineserver -k 2>/dev/null
timeout 60 wineserver -w 2>/dev/null
exit 0
