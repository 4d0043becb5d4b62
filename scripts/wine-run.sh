#!/usr/bin/env bash
# Runs one Windows program in the build's Wine prefix, with a time limit.
#   wine-run.sh <prefix-dir> <seconds> <program.exe> [args...]
set -uo pipefail
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
seconds=$2
shift 2
exec timeout -k 5 "$seconds" wine "$@"
