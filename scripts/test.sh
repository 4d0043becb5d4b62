#!/usr/bin/env bash
# Installs what is needed, runs the README's run command (a simulated upgrade that must reach
# the finish page), builds both builds and runs every test: the native suite (with
# ASan/UBSan), a smoke run of the fuzz targets (scripts/fuzz.sh) and the Windows suite under
# Wine on a virtual display. The Windows suite runs i686 where the host runs 32-bit code and
# x86_64 where it cannot (scripts/wine-arch.sh); in the second case the shipped i686
# executable is built too and its imports checked first. Last, the benchmarks run on small
# sizes (scripts/bench.sh --smoke), to show they still work. On a host that needs the i686 lane,
# its emulated root is made in the background from the start.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
# The i686 lane's emulated root takes minutes to make on a fresh machine (downloads, unpacking):
# it is made in the background while the rest runs, and the lane waits for it.
root_setup="" root_log=$(mktemp /tmp/brevix-i686-root.XXXXXX)
if [ "$(. "$root/scripts/wine-arch.sh"; echo "$BREVIX_WINE_ARCH")" = win64 ] &&
   bash "$root/scripts/i686-enter.sh" --probe >/dev/null 2>&1; then
  nice -n 10 bash "$root/scripts/i686-root.sh" >"$root_log" 2>&1 &
  root_setup=$!
fi
# First the README's run command, as a newcomer types it on this clean clone with no display:
# it must reach the finish page with every step done and a screenshot that shows the wizard.
(unset DISPLAY; bash "$root/scripts/run.sh")
echo "README run command: passed"
. "$root/scripts/wine-arch.sh"
echo "Wine tests: $BREVIX_WINE_ARCH"
bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build/native" && ctest --output-on-failure -j"$(nproc)")
# Every parser of outside bytes under libFuzzer for a few seconds, two targets at a time.
BREVIX_FUZZ_PARALLEL=2 bash "$root/scripts/fuzz.sh" 5
if [ "$BREVIX_WINE_ARCH" = win64 ]; then
  (cd "$root/build/win32-i686" && ctest --output-on-failure --no-tests=error -R '^product\.imports$')
fi
(cd "$root/build/win32" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure)
if [ -n "$root_setup" ]; then
  wait "$root_setup" || { echo "i686 root: the set-up in the background failed; the lane tries again:"; tail -5 "$root_log"; }
fi
bash "$root/scripts/i686-lane.sh" "$root/build"  # the shipped i686 exe where the suite ran x86_64
# The benchmarks still run, on small sizes and the trees built above; their figures are
# reported, not judged.
bash "$root/scripts/bench.sh" --smoke "$root/build"
