#!/usr/bin/env bash
# Builds both builds: native (core, tests, host tools) and Windows (MinGW-w64).
#   build.sh [build-root]      default: ./build
# The Windows tree in <build-root>/win32 is the one the Wine tests run: i686 (the shipped
# build) where the host runs 32-bit code, x86_64 where it cannot (scripts/wine-arch.sh). In the
# second case the shipped i686 product is built as well, in <build-root>/win32-i686.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build}")
jobs=$(nproc)
. "$root/scripts/wine-arch.sh"

# Configures a Windows tree with a toolchain; a tree made with another one starts afresh
# (CMake keeps the first compiler), its Wine prefix kept (wine-prefix.sh checks its arch).
configure_windows() {  # <dir> <toolchain file>
  local dir=$1 toolchain=$2 cache="$1/CMakeCache.txt"
  # (the cache types the file FILEPATH once CMake has re-run itself, UNINITIALIZED before)
  if [ -f "$cache" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$cache" &&
     ! grep -qxF "CMAKE_TOOLCHAIN_FILE:UNINITIALIZED=$toolchain" "$cache"; then
    find "$dir" -mindepth 1 -maxdepth 1 ! -name wineprefix -exec rm -rf {} +
  fi
  cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE:FILEPATH="$toolchain" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DHOST_TOOLS_DIR="$out/native/tools" >/dev/null
}

cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Debug -DBREVIX_SANITIZE=ON >/dev/null
cmake --build "$out/native" -j"$jobs"
if [ "$BREVIX_WINE_ARCH" = win32 ]; then
  configure_windows "$out/win32" "$root/cmake/mingw-i686.cmake"
  cmake --build "$out/win32" -j"$jobs"
else
  configure_windows "$out/win32" "$root/cmake/mingw-x86_64.cmake"
  cmake --build "$out/win32" -j"$jobs"
  # The shipped executable: i686 still, checked by its imports test (test.sh).
  configure_windows "$out/win32-i686" "$root/cmake/mingw-i686.cmake"
  cmake --build "$out/win32-i686" -j"$jobs" --target upgrade_tool
fi
