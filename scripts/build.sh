#!/usr/bin/env bash
# Builds both builds: native (core, tests, host tools) and Windows (MinGW-w64 i686).
#   build.sh [build-root]      default: ./build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build}")
jobs=$(nproc)
cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Debug -DBREVIX_SANITIZE=ON >/dev/null
cmake --build "$out/native" -j"$jobs"
cmake -S "$root" -B "$out/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DHOST_TOOLS_DIR="$out/native/tools" >/dev/null
cmake --build "$out/win32" -j"$jobs"
