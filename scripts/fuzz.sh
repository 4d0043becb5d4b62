#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/: libFuzzer with ASan and UBSan, Debian's clang 14) and runs
# each for the given time, starting from its seeds in fuzz/corpus/<target>/.
#   fuzz.sh [seconds-per-target]     default 5: a smoke run
# Environment: BREVIX_FUZZ_BUILD   build root (default ./build/fuzz)
#              BREVIX_FUZZ_PARALLEL targets run at once (default 1)
#              BREVIX_FUZZ_TARGETS  names to run (default all)
# Inputs that found new paths go to <build root>/corpus/<target>/ (the seeds stay as they are),
# findings to <build root>/findings/<target>-*, each run's output to <build root>/logs/.
# Prints one line per target; exits 1 when any target found something.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-5}
out=$(realpath -m "${BREVIX_FUZZ_BUILD:-$root/build/fuzz}")
parallel=${BREVIX_FUZZ_PARALLEL:-1}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$out" -DBREVIX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j"$(nproc)" >/dev/null

targets=${BREVIX_FUZZ_TARGETS:-$(cd "$root/fuzz" && ls -- *.cpp | sed 's/\.cpp$//')}
mkdir -p "$out/findings" "$out/logs"

run() {  # <target>: one line of figures, status 1 on a finding
  local t=$1 log="$out/logs/$1.log" stamp="$out/logs/$1.started" status=0
  mkdir -p "$out/corpus/$t"
  touch "$stamp"
  "$out/fuzz/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/findings/$t-" "$out/corpus/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1 || status=1
  local runs corpus
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(find "$out/corpus/$t" -type f | wc -l)
  if [ "$status" = 0 ]; then
    echo "$t: ${runs:-?} executions in ${seconds} s, corpus of $corpus inputs, no finding"
  else
    echo "$t: FINDING after ${runs:-?} executions: $(grep -m1 -E 'ERROR|invariant broken|runtime error' "$log" || true)"
    find "$out/findings" -name "$t-*" -newer "$stamp" | sed 's/^/  input: /'
  fi
  return $status
}

failed=0
pids=()
for t in $targets; do
  run "$t" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$parallel" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
