#!/usr/bin/env bash
# Installs what is needed, builds both builds and runs every test: the native suite (with
# ASan/UBSan) and the Windows suite under Wine on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build/native" && ctest --output-on-failure -j"$(nproc)")
(cd "$root/build/win32" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure)
