#!/usr/bin/env bash
# Benchmarks: builds what they need, runs them under Wine on a virtual display and prints one
# table. Every figure is measured against a baseline taken in the same run on this machine, so
# a busy machine moves both. Extraction and the upgrade's round trips are also taken with the
# other core busy: the bench keeps one core busy itself (a loop pinned to the last CPU) for
# those, baseline included. Goals are reported, never enforced: a missed goal leaves the exit
# code 0; a figure that could not be taken (a program that failed, files extracted wrongly, an
# upgrade that did not succeed) makes it 1.
#   bench.sh [--smoke] [build-root]      default build root: ./build-bench
# --smoke: small sizes and few repetitions, to check that the benchmarks still run (CI).
# The results are also left in <build-root>/bench-results.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=0
if [ "${1:-}" = --smoke ]; then smoke=1; shift; fi
out=$(realpath -m "${1:-$root/build-bench}")
tree="$out/win32"

if [ -z "${BREVIX_BENCH_DISPLAY:-}" ]; then
  bash "$root/scripts/install-deps.sh"
  . "$root/scripts/wine-arch.sh"
  size=full
  [ "$smoke" = 1 ] && size=smoke
  # A tree made with another toolchain starts afresh, its prefix kept (as build.sh does).
  configure_windows() {  # <dir> <toolchain file>
    local dir=$1 toolchain=$2 cache="$1/CMakeCache.txt"
    if [ -f "$cache" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$cache" &&
       ! grep -qxF "CMAKE_TOOLCHAIN_FILE:UNINITIALIZED=$toolchain" "$cache"; then
      find "$dir" -mindepth 1 -maxdepth 1 ! -name wineprefix -exec rm -rf {} +
    fi
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE:FILEPATH="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel \
          -DHOST_TOOLS_DIR="$out/native/tools" -DBREVIX_BENCH=ON >/dev/null
  }
  echo "building the benchmarks in $out ($size sizes)"
  native_type=()
  [ -f "$out/native/CMakeCache.txt" ] || native_type=(-DCMAKE_BUILD_TYPE=Release)
  cmake -S "$root" -B "$out/native" "${native_type[@]}" -DBREVIX_BENCH=ON >/dev/null
  cmake --build "$out/native" -j"$(nproc)" --target bench_host_tools >/dev/null
  if [ "$BREVIX_WINE_ARCH" = win32 ]; then
    configure_windows "$tree" "$root/cmake/mingw-i686.cmake"
  else
    configure_windows "$tree" "$root/cmake/mingw-x86_64.cmake"
    # The size is the shipped executable's, and that one is i686.
    configure_windows "$out/win32-i686" "$root/cmake/mingw-i686.cmake"
    cmake --build "$out/win32-i686" -j"$(nproc)" --target bench_product_placeholders bench_bare_dialog >/dev/null
  fi
  cmake --build "$tree" -j"$(nproc)" --target bench_programs sensorserver "bench_extraction_$size" >/dev/null
  bash "$root/scripts/wine-prefix.sh" "$tree/wineprefix"
  again=("$out")
  [ "$smoke" = 1 ] && again=(--smoke "$out")
  BREVIX_BENCH_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "${again[@]}"
fi

# ---- on the virtual display, with the trees built --------------------------------------------
# The installer stand-in records its driver 300 ms before a registry test of the engine's
# 500 ms grid: its own start (0.1-0.3 s under Wine, before its scripted time begins) then does
# not carry the record past that test, so the grid's wait is the protocol's, not the stand-in's.
if [ "$smoke" = 1 ]; then
  size=smoke extraction_runs=1 startup_rounds=2 upgrade_runs=1 decode_runs=2
  dpinst_scenario=$'ACPI=200\nSTTUBE=200\n'
  dfu_scenario=$'sleep 300\nsend 0 2 0\nsleep 200\nsend 0 4 50\nsleep 200\nsend 0 4 100\nsleep 200\n'
  dfu_scenario+=$'flash\nsend 0 5 0\nsleep 60000\n'
else
  size=full extraction_runs=5 startup_rounds=10 upgrade_runs=3 decode_runs=10
  # The stand-ins' own pacing, written out so that the waits are read from here.
  dpinst_scenario=$'ACPI=1700\nSTTUBE=1700\n'
  dfu_scenario=$'sleep 800\nsend 0 2 0\nsleep 300\n'
  for percent in $(seq 5 5 100); do dfu_scenario+="send 0 4 $percent"$'\n'"sleep 150"$'\n'; done
  dfu_scenario+=$'flash\nsend 0 5 0\nsleep 60000\n'
fi
prefix="$tree/wineprefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
bench="$tree/bench"
product="$tree/Varnek(R) Brevix Firmware Upgrade Tool.exe"
driver="$bench/benchdriver.exe"
windump="$tree/tests/wine/windump.exe"
class='Varnek® Brevix Upgrade Tool App Class Name'
title='Varnek® Brevix Firmware Upgrade Tool'
bare_title='Brevix bare dialog'
work=$(mktemp -d /tmp/brevix-bench.XXXXXX)
errors=()
fail() {  # <what>: with the last words the failed Windows program wrote
  errors+=("$1${2:+ [$(tail -n 3 "$2" 2>/dev/null | tr -d '\r' | tr '\n' ' ')]}")
  echo "  could not measure: ${errors[-1]}" >&2
}
stop_wine() { timeout 30 wineserver -k 2>/dev/null || true; timeout 60 wineserver -w 2>/dev/null || true; }
# The other core's load: a busy loop pinned to the last CPU, started and ended by the bench.
load=""
load_cpu=$(($(nproc) - 1))
start_load() {
  taskset -c "$load_cpu" bash -c 'while :; do :; done' &
  load=$!
}
stop_load() {
  [ -n "$load" ] || return 0
  kill "$load" 2>/dev/null || true
  wait "$load" 2>/dev/null || true
  load=""
}
sensor_server="$tree/tools/windows/sensorserver/BrevixSensorServer.dll"
cleanup() {
  stop_load
  bash "$root/scripts/wine-sensor-hub.sh" remove "$prefix" "$sensor_server"
  stop_wine
  bash "$root/scripts/wine-drivers-reset.sh" "$prefix" "$tree"
  stop_wine
  rm -rf "$work" "$prefix/drive_c/bench-extraction"
}
trap cleanup EXIT
win_path() { timeout 30 winepath -w "$1" 2>/dev/null | tr -d '\r'; }
field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p" | head -1; }  # <key> <line of key=value words>
median() { sort -g | awk '{v[NR] = $1} END {if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }
calc() { awk "BEGIN {printf \"%s\", $1}"; }
ms_of() { while read -r line; do calc "$(field "$1" "$line") / 1000"; echo; done <"$2"; }  # <key> <file of runs>
source_constant() {  # <file> <name>: a constexpr integer of the product's source, or nothing
  sed -nE "s/.*constexpr [A-Za-z_:0-9 ]+ $2 = ([0-9]+);.*/\1/p" "$root/$1" | head -1
}
stop_wine
echo "measuring ($size sizes, $BREVIX_WINE_ARCH)"

# ---- 1. size -----------------------------------------------------------------------------------
# The shipped executable (i686) with the placeholder components, next to the bare dialog.
size_goal=1300000  # bytes: 1.3 MB
size_tree="$tree"
[ "$BREVIX_WINE_ARCH" = win64 ] && size_tree="$out/win32-i686"
shipped="$size_tree/bench/placeholders/Varnek(R) Brevix Firmware Upgrade Tool.exe"
pesize="$out/native/tools/bench/pesize"
layout=$("$pesize" "$shipped" || true)
bare_layout=$("$pesize" "$size_tree/bench/bench_bare_dialog.exe" || true)
exe_bytes=$(awk '$1 == "file" {print $2}' <<<"$layout")
bare_bytes=$(awk '$1 == "file" {print $2}' <<<"$bare_layout")
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$size_tree/CMakeCache.txt")
imports=$("$objdump" -p "$shipped" 2>/dev/null | awk '/DLL Name:/ {print $3}' | sort -fu | tr '\n' ' ' || true)
# The resource walk is right when it finds the package at exactly its file's size.
if [ -z "$exe_bytes" ] || [ -z "$bare_bytes" ] || [ -z "$imports" ] ||
   [ "$(awk '$1 == "resource" && $2 == "DAT" {print $4}' <<<"$layout")" != \
     "$(stat -c %s "$size_tree/bench/placeholders/package.dat")" ]; then
  fail "size of the executable"
  exe_bytes=""
fi

# ---- 2. extraction, idle and with the other core busy -------------------------------------------
read -r expect_entries expect_bytes < <(sed -E 's/entries=([0-9]+) bytes=([0-9]+)/\1 \2/' \
  "$bench/extraction-$size/payload.txt")
package_bytes=$(stat -c %s "$bench/extraction-$size/package.dat")
target="$prefix/drive_c/bench-extraction"
extract() {  # <condition>: the runs of both programs, into extract-<kind>-<condition>
  local run kind kinds status line
  : >"$work/extract-product-$1" ; : >"$work/extract-baseline-$1"
  for ((run = 0; run < extraction_runs; run++)); do
    kinds=(product baseline)
    [ $((run % 2)) = 1 ] && kinds=(baseline product)  # turns the order round against drift
    for kind in "${kinds[@]}"; do
      rm -rf "$target"
      status=0
      line=$(timeout 600 wine "$bench/extract_${kind}_$size.exe" 'C:\bench-extraction' 2>"$work/step.err" | tr -d '\r') ||
        status=$?
      if [ "$(field verified "$line")" != 1 ] || [ "$(field files "$line")" != "$expect_entries" ] ||
         [ "$(field bytes "$line")" != "$expect_bytes" ]; then
        fail "extraction ($kind, $1), exit code $status: ${line:-no output}" "$work/step.err"
        continue
      fi
      echo "$line" >>"$work/extract-$kind-$1"
    done
  done
  rm -rf "$target"
}
throughput() {  # MiB/s of each run, median
  while read -r line; do calc "$(field bytes "$line") / 1048576 / ($(field us "$line") / 1e6)"; echo; done <"$1" | median
}
peak() { while read -r line; do field peak_ws "$line"; done <"$1" | sort -g | tail -1; }
extract idle
start_load
extract busy
stop_load
stop_wine
extract_value="" extract_base="" extract_busy="" extract_busy_base=""
if [ -s "$work/extract-product-idle" ] && [ -s "$work/extract-baseline-idle" ]; then
  extract_value=$(throughput "$work/extract-product-idle") extract_base=$(throughput "$work/extract-baseline-idle")
  peak_value=$(peak "$work/extract-product-idle") peak_base=$(peak "$work/extract-baseline-idle")
fi
if [ -s "$work/extract-product-busy" ] && [ -s "$work/extract-baseline-busy" ]; then
  extract_busy=$(throughput "$work/extract-product-busy") extract_busy_base=$(throughput "$work/extract-baseline-busy")
fi

# ---- 2b. the page background's first load: PNG decoded, against LoadBitmap of it uncompressed --
: >"$work/decode-png" ; : >"$work/decode-bmp"
for ((run = 0; run < decode_runs; run++)); do
  for form in png bmp; do
    line=$(timeout 60 wine "$bench/skindecode.exe" "$form" 2>"$work/step.err" | tr -d '\r' || true)
    if [ "$(field same "$line")" != 1 ]; then
      fail "decode of the page background ($form): ${line:-no output}" "$work/step.err"
      continue
    fi
    echo "$line" >>"$work/decode-$form"
  done
done
decode_value="" decode_base=""
if [ -s "$work/decode-png" ] && [ -s "$work/decode-bmp" ]; then
  decode_value=$(ms_of first_us "$work/decode-png" | median) decode_base=$(ms_of first_us "$work/decode-bmp" | median)
fi

# ---- 3. start-up -------------------------------------------------------------------------------
# One round more than counted: the first start after the server came up is not the user's.
stop_wine
startup=$(timeout 900 wine "$driver" startup $((startup_rounds + 1)) "$(win_path "$product")" "$title" \
  "$(win_path "$bench/bench_bare_dialog.exe")" "$bare_title" 2>"$work/step.err" | tr -d '\r' || true)
startup_value=$(awk '$1 > 0 && $2 == 0 {print $3}' <<<"$startup" | median)
startup_base=$(awk '$1 > 0 && $2 == 1 {print $3}' <<<"$startup" | median)
if [ "$(awk '$1 > 0' <<<"$startup" | wc -l)" != $((2 * startup_rounds)) ]; then
  fail "start-up: $(tr '\n' ' ' <<<"${startup:-no output}")" "$work/step.err"
  startup_value=""
fi
# Where the time goes: one start of each with its start-up marks (BREVIX_STARTUP_TRACE), the
# server still up from the rounds above.
traced_start() {  # <exe> <last mark> <out>
  local i
  BREVIX_STARTUP_TRACE=1 timeout -k 5 60 wine "$1" >/dev/null 2>"$3" &
  for ((i = 0; i < 150; i++)); do grep -q "^startup-trace .* $2" "$3" 2>/dev/null && break; sleep 0.2; done
  timeout 20 wine taskkill /f /im "$(basename "$1")" >/dev/null 2>&1 || true
  wait $! 2>/dev/null || true
  grep -q "^startup-trace .* $2" "$3" || fail "start-up trace of $(basename "$1")" "$3"
}
traced_start "$product" "licence page and its controls painted, nothing queued" "$work/trace-product"
traced_start "$bench/bench_bare_dialog.exe" "window and its controls made" "$work/trace-bare"
stop_wine

# ---- 4. a full upgrade: responsiveness and overhead -------------------------------------------
printf '%s' "$dpinst_scenario" >"$work/dpinst.scenario"
printf '%s' "$dfu_scenario" >"$work/dfu.scenario"
export BREVIX_DPINST_SCENARIO BREVIX_DFU_SCENARIO  # the product passes its environment on
BREVIX_DPINST_SCENARIO=$(win_path "$work/dpinst.scenario")
BREVIX_DFU_SCENARIO=$(win_path "$work/dfu.scenario")
# What the protocol itself makes a user wait from the click to the finish page: the worker's
# start timer; each installer's scripted time, seen on the registry test grid; the pause before
# the flashing tool; the tool's scripted reports up to its success; the poll tick that reads it.
worker_delay=$(source_constant engine/UpgradeRun.h kWizardWorkerDelayMs)
first_poll=$(source_constant engine/UpgradeRun.h kWizardFirstPollMs)
install_pause=$(source_constant engine/UpgradeWorker.h kInstallPauseMs)
firmware_delay=$(source_constant engine/UpgradeWorker.h kFirmwareStepDelayMs)
poll_period=$(source_constant engine/FirmwarePoll.h kPollPeriodMs)
installer_ms() { sed -n "s/^$1=//p" "$work/dpinst.scenario"; }
on_grid() { echo $(( ($1 + install_pause - 1) / install_pause * install_pause )); }
imposed="" imposed_text="not known: a constant was not found in the sources"
if [ -n "$worker_delay" ] && [ -n "$first_poll" ] && [ -n "$install_pause" ] && [ -n "$firmware_delay" ] &&
   [ -n "$poll_period" ]; then
  acpi_wait=$(on_grid "$(installer_ms ACPI)") sttube_wait=$(on_grid "$(installer_ms STTUBE)")
  tool_wait=$(awk '$1 == "send" && $2 == 0 && $3 == 5 {exit} $1 == "sleep" {t += $2} END {print t}' "$work/dfu.scenario")
  imposed=$((worker_delay + acpi_wait + sttube_wait + firmware_delay + tool_wait + poll_period))
  [ "$imposed" -lt "$first_poll" ] && imposed=$first_poll
  imposed_text="$worker_delay worker timer + $acpi_wait ACPI installer + $sttube_wait STTube installer (each on the"
  imposed_text+=" $install_pause ms test grid) + $firmware_delay pause + $tool_wait flashing tool + $poll_period poll tick ms"
else
  fail "the upgrade's protocol waits: a wait constant of the sources was renamed or moved"
fi

log_has() { grep -qF -- "$1" "$work/dump.txt"; }
wait_log() {  # <text> <seconds>
  local i
  for ((i = 0; i < $2 * 2; i++)); do
    timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r' >"$work/dump.txt"
    log_has "$1" && return 0
    sleep 0.5
  done
  return 1
}
: >"$work/upgrade-idle" ; : >"$work/bare-ping-idle" ; : >"$work/upgrade-busy" ; : >"$work/bare-ping-busy"
upgrades() {  # <condition>: the runs, into upgrade-<condition> and bare-ping-<condition>
  local run program win line ping
  for ((run = 0; run < upgrade_runs; run++)); do
    line=""
    bash "$root/scripts/wine-drivers-reset.sh" "$prefix" "$tree"  # all three items to upgrade again
    # The hub's firmware is older again; the flash moves it to the packaged one, and the run reads
    # it back.
    hub=$(bash "$root/scripts/wine-sensor-hub.sh" add "$prefix" "$sensor_server" "$work/hub") ||
      fail "upgrade run $((run + 1)) ($1): the test sensor server could not be registered"
    while IFS= read -r line; do [ -n "$line" ] && export "${line?}"; done <<<"$hub"
    line=""
    timeout -k 5 300 wine "$product" >"$work/product.err" 2>&1 &
    program=$!
    timeout 60 wine "$windump" 40 "$class" >/dev/null 2>&1 || true
    win=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
    xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
    xdotool key Tab Return || true  # Accept
    sleep 0.5
    xdotool key Return || true      # Next: the checks
    if ! wait_log "click upgrade button" 60; then
      fail "upgrade run $((run + 1)) ($1): the checks did not offer the upgrade"
    else
      line=$(timeout 300 wine "$driver" upgrade "$class" Upgrade Finish 240 2>"$work/step.err" | tr -d '\r' || true)
      timeout 20 wine "$windump" 2 "$class" 2>/dev/null | tr -d '\r' >"$work/dump.txt" || true
      grep -E "Done|Failed|Finished" "$work/dump.txt" >"$work/log.txt" || true
      if [ -z "$(field wall_ms "$line")" ]; then
        fail "upgrade run $((run + 1)) ($1): ${line:-the driver saw no finish page}" "$work/step.err"
      elif ! { log_has "ACPI Driver . . . Done." && log_has "STTube Driver . . . Done." &&
               log_has "Finding device . . . Done." && log_has "Firmware . . . Done." && log_has "Upgrade Finished!"; }; then
        fail "upgrade run $((run + 1)) ($1): the upgrade did not succeed" "$work/log.txt"
        line=""
      else
        echo "$line" >>"$work/upgrade-$1"
      fi
    fi
    stop_wine
    wait "$program" 2>/dev/null || true
    # The bare dialog, pinged the same way for as long.
    if [ -n "$(field wall_ms "$line")" ]; then
      ping=$(timeout 600 wine "$driver" ping "$(win_path "$bench/bench_bare_dialog.exe")" "$bare_title" \
        "$(calc "int($(field wall_ms "$line"))")" 2>"$work/step.err" | tr -d '\r' || true)
      [ -n "$(field worst_us "$ping")" ] && echo "$ping" >>"$work/bare-ping-$1" ||
        fail "ping of the bare dialog ($1): ${ping:-no output}" "$work/step.err"
      stop_wine
    fi
  done
}
upgrades idle
start_load
upgrades busy
stop_load
worst_of() { ms_of "$1" "$2" | sort -g | tail -1; }  # <key> <file of runs>: the highest of all runs
upgrade_worst="" upgrade_wall="" busy_worst=""
if [ -s "$work/upgrade-idle" ] && [ -s "$work/bare-ping-idle" ]; then
  upgrade_worst=$(worst_of worst_us "$work/upgrade-idle") upgrade_p99=$(worst_of p99_us "$work/upgrade-idle")
  bare_worst=$(worst_of worst_us "$work/bare-ping-idle") bare_p99=$(worst_of p99_us "$work/bare-ping-idle")
  upgrade_wall=$(while read -r line; do field wall_ms "$line"; done <"$work/upgrade-idle" | median)
fi
if [ -s "$work/upgrade-busy" ] && [ -s "$work/bare-ping-busy" ]; then
  busy_worst=$(worst_of worst_us "$work/upgrade-busy") busy_p99=$(worst_of p99_us "$work/upgrade-busy")
  bare_busy_worst=$(worst_of worst_us "$work/bare-ping-busy") bare_busy_p99=$(worst_of p99_us "$work/bare-ping-busy")
fi

# ---- the table ---------------------------------------------------------------------------------
results="$out/bench-results.txt"
{
  n() { [ -n "$1" ] && printf "%.${2:-1}f" "$1" || printf 'n/a'; }
  ratio() { [ -n "$1" ] && [ -n "$2" ] && calc "sprintf(\"%.2f\", $1 / $2)" || printf 'n/a'; }
  met() { [ -n "$1" ] && { awk "BEGIN {exit !($1)}" && echo yes || echo NO; } || echo n/a; }
  row() { printf '%-48s %12s %12s %7s  %-26s %s\n' "$@"; }
  echo "Benchmarks ($size sizes; Wine $BREVIX_WINE_ARCH; $(date -u '+%Y-%m-%d %H:%M UTC'))"
  echo "Every baseline is measured in the same run on this machine; \"other core busy\": the bench's own"
  echo "busy loop on CPU $load_cpu of $(nproc), for the figure and its baseline alike."
  row Figure Value Baseline Ratio Goal Met
  r=$(ratio "$extract_value" "$extract_base")
  row "Extraction throughput, MiB/s (median of $extraction_runs)" "$(n "$extract_value")" "$(n "$extract_base")" \
    "$r" "ratio >= 0.90" "$(met "${extract_value:+$r >= 0.9}")"
  r=$(ratio "$extract_busy" "$extract_busy_base")
  row "  the same, other core busy" "$(n "$extract_busy")" "$(n "$extract_busy_base")" \
    "$r" "ratio >= 0.90" "$(met "${extract_busy:+$r >= 0.9}")"
  budget=$((package_bytes + 16 * 1048576))
  row "Extraction peak working set, MiB" "$(n "${peak_value:+$(calc "$peak_value / 1048576")}")" \
    "$(n "${peak_base:+$(calc "$peak_base / 1048576")}")" "$(ratio "${peak_value:-}" "${peak_base:-}")" \
    "<= $(n "$(calc "$budget / 1048576")") (package + 16)" "$(met "${peak_value:+${peak_value} <= $budget}")"
  r=$(ratio "$startup_value" "$startup_base")
  row "Start-up to licence page, ms (median of $startup_rounds)" "$(n "$startup_value" 0)" "$(n "$startup_base" 0)" \
    "$r" "ratio <= 1.20" "$(met "${startup_value:+$r <= 1.2}")"
  row "  page background's first load, ms (median of $decode_runs)" "$(n "$decode_value")" "$(n "$decode_base")" \
    "$(ratio "$decode_value" "$decode_base")" "(reported)" "-"
  row "Round trip during upgrade, worst, ms" "$(n "$upgrade_worst")" "$(n "${bare_worst:-}")" \
    "$(ratio "$upgrade_worst" "${bare_worst:-}")" "< 100 ms" "$(met "${upgrade_worst:+$upgrade_worst < 100}")"
  row "Round trip during upgrade, 99th pct, ms" "$(n "${upgrade_p99:-}")" "$(n "${bare_p99:-}")" \
    "$(ratio "${upgrade_p99:-}" "${bare_p99:-}")" "(reported)" "-"
  row "  the same, other core busy: worst, ms" "$(n "$busy_worst")" "$(n "${bare_busy_worst:-}")" \
    "$(ratio "$busy_worst" "${bare_busy_worst:-}")" "< 50 ms" "$(met "${busy_worst:+$busy_worst < 50}")"
  row "  the same, other core busy: 99th pct, ms" "$(n "${busy_p99:-}")" "$(n "${bare_busy_p99:-}")" \
    "$(ratio "${busy_p99:-}" "${bare_busy_p99:-}")" "(reported)" "-"
  overhead=""
  [ -n "$upgrade_wall" ] && [ -n "$imposed" ] && overhead=$(calc "$upgrade_wall - $imposed")
  row "Upgrade click to finish page, ms ($upgrade_runs run(s))" "$(n "$upgrade_wall" 0)" "$(n "$imposed" 0)" \
    "$(ratio "$upgrade_wall" "$imposed")" "overhead < 1000 ms" \
    "$(met "${overhead:+$overhead < 1000}")${overhead:+ ($(n "$overhead" 0) ms)}"
  row "Executable size, KiB (placeholders)" "$(n "${exe_bytes:+$(calc "$exe_bytes / 1024")}" 0)" \
    "$(n "${bare_bytes:+$(calc "$bare_bytes / 1024")}" 0)" "$(ratio "$exe_bytes" "$bare_bytes")" \
    "<= $size_goal bytes (1.3 MB)" "$(met "${exe_bytes:+$exe_bytes <= $size_goal}")"
  echo
  echo "Extraction: data bytes over the time from the resource lookup to the last file written; baseline: the"
  echo "  same files written with one CreateFileW and WriteFile each. Start-up and round trips: baseline a bare"
  echo "  DialogBoxParamW program of the same toolchain, driven the same way; the worst round trip of all runs"
  echo "  and the highest 99th percentile of a run. Page background: the PNG the product carries decoded"
  echo "  through skin::LoadSkinBitmap, first in a process, display up; baseline LoadBitmap of the same picture"
  echo "  uncompressed, as it was stored before (same pixels checked). Upgrade: baseline the waits the protocol"
  echo "  imposes, $imposed_text."
  if [ -n "$exe_bytes" ]; then
    echo
    echo "Executable: $(awk '$1 == "machine" {print $2}' <<<"$layout"), $exe_bytes bytes, imports: $imports"
    awk -v total="$exe_bytes" '
      $1 == "section" && $3 > 0 {printf "  section %-10s %9d bytes %5.1f%%\n", $2, $3, 100 * $3 / total}
      $1 == "resource" {printf "  resource %-13s %9d bytes %5.1f%%  (%d)\n", $2, $4, 100 * $4 / total, $3}
      $1 == "resource-tables" {printf "  resource tables     %9d bytes %5.1f%%\n", $2, 100 * $2 / total}' <<<"$layout"
  fi
  echo
  echo "Start-up marks, ms from the process's creation (one traced start; +ms since the mark before):"
  for kind in product bare; do
    tr -d '\r' <"$work/trace-$kind" | awk -v kind="$kind" '$1 == "startup-trace" {
      what = $3; for (i = 4; i <= NF; i++) what = what " " $i
      printf "  %-8s %7.1f  %+6.1f  %s\n", kind, $2, $2 - last, what; last = $2; kind = "" }'
  done
  echo
  echo "Runs:"
  for condition in idle busy; do
    sed "s/^/  extraction, $condition, product:  /" "$work/extract-product-$condition"
    sed "s/^/  extraction, $condition, baseline: /" "$work/extract-baseline-$condition"
  done
  echo "  start-up, product ms: $(awk '$1 > 0 && $2 == 0 {printf "%s ", $3}' <<<"$startup")"
  echo "  start-up, bare ms:    $(awk '$1 > 0 && $2 == 1 {printf "%s ", $3}' <<<"$startup")"
  echo "  page background, PNG first ms:        $(ms_of first_us "$work/decode-png" | tr '\n' ' ')"
  echo "  page background, LoadBitmap first ms: $(ms_of first_us "$work/decode-bmp" | tr '\n' ' ')"
  for condition in idle busy; do
    sed "s/^/  upgrade, $condition: /" "$work/upgrade-$condition"
    sed "s/^/  bare dialog ping, $condition: /" "$work/bare-ping-$condition"
  done
  for e in "${errors[@]}"; do echo "NOT MEASURED: $e"; done
} | tee "$results"
[ "${#errors[@]}" = 0 ]
