#!/usr/bin/env bash
# The console modes of the real executable on the simulated notebook. consoledriver starts it
# with a raw command-line tail, reads the console the program allocated (or its inherited
# pipes), presses Enter when the program's text has shown and reads the exit code with
# GetExitCodeProcess. Transcripts are compared whole.
#  - "/V", "/v", "/?", an unknown switch, "/S " and two arguments: the text once, a wait for
#    Enter, exit code 0;
#  - with inherited pipes, or a shell's redirection to a file, the same text arrives as UTF-8
#    and the run ends without Enter;
#  - a machine without a supported hub, and a server system, are refused with 1633.
# The silent runs need the wizard dialog, the upgrade worker and the stand-ins; they are below
# and run with BREVIX_CONSOLE_INTEGRATION=1 (<sensorserver.dll> then names the test sensor
# server).
#   console_test.sh <tool.exe> <consoledriver.exe> <windump.exe> <prefix> [sensorserver.dll]
# Runs under an X display (Xvfb in CI): without one the console Wine makes is dead.
set -uo pipefail
exe=$1 driver=$2 windump=$3 prefix=$4 server_dll=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
export LANG=en_US.UTF-8
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
reg() { "$run" "$prefix" 60 reg "$@" >/dev/null 2>&1; }
# Wine's drive Z: is the unix root.
win_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

scratch=$(mktemp -d /tmp/brevix-console.XXXXXX)
report="$scratch/report.txt"
usb='HKLM\SYSTEM\CurrentControlSet\Enum\USB'
hub="$usb"'\VID_7A1D&PID_0A04'
hub_instance="$hub"'\5&2A3B4C5D&0&1'
restore_hub() {
  reg delete "$usb"'\ROOT_HUB20' /f
  reg add "$hub_instance" /v DeviceDesc /t REG_SZ /d "Varnek(R) Brevix Sensor Hub" /f
}
cleanup() {
  if [ "${hub_removed:-0}" = 1 ]; then restore_hub; fi
  if [ "${server_version:-0}" = 1 ]; then "$run" "$prefix" 60 winecfg -v win7 >/dev/null 2>&1; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# drive <seconds> console <prompt|-> [tail] | drive <seconds> pipes [tail]
drive() {
  local seconds=$1 mode=$2
  shift 2
  local args=("$(win_path "$report")" "$seconds" "$mode")
  if [ "$mode" = console ]; then args+=("$1"); shift; fi
  args+=("$(win_path "$exe")" "$@")
  rm -f "$report"
  "$run" "$prefix" $((seconds + 30)) "$driver" "${args[@]}" >/dev/null 2>&1
}
field() { sed -n "s/^$1=//p" "$report" 2>/dev/null | head -1; }
transcript() { sed '1,/^--- transcript$/d' "$report" 2>/dev/null; }
show() { echo "--- report:"; cat "$report" 2>/dev/null; echo "---"; }

# The console's rows for a text written to it: every line wrapped at the console's width.
# A line that fills its last row exactly leaves the cursor on the next one.
rows() {  # <width>, text on stdin (CR LF or LF lines)
  python3 -c '
import sys
width = int(sys.argv[1])
text = sys.stdin.read().replace("\r\n", "\n")
out = []
for line in text.split("\n"):
    if not line:
        out.append("")
        continue
    chunks = [line[i:i + width] for i in range(0, len(line), width)]
    out.extend(c.rstrip(" ") for c in chunks)
    if len(line) % width == 0:
        out.append("")
while out and out[-1] == "":
    out.pop()
print("\n".join(out))
' "$1"
}

usage='Usage:
Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install
Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version
Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help'
version='The tool version is 1.0.20.2699'

# 1. Text modes on the program's own console: the text, a wait for Enter, exit code 0.
#    name | tail | expected transcript (the prompt is the text's last line)
text_case() {
  local name=$1 tail=$2 expected=$3
  drive 60 console "$(tail -n1 <<<"$expected")" "$tail"
  if [ "$(field exit)" = 0 ] && [ "$(field waited)" = 1 ] && [ "$(transcript)" = "$expected" ]; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    show
    diff <(echo "$expected") <(transcript)
    fail=1
  fi
}
text_case "/V: the version, wait, exit 0" "/V" "$version"
text_case "/v: the version, wait, exit 0" "/v" "$version"
text_case "/?: the usage, wait, exit 0" "/?" "$usage"
text_case "unknown switch: the usage" "/X" "$usage"
text_case "\"/S \" (a blank after the switch): the usage" "/S " "$usage"
text_case "two arguments: the usage once" "/S /V" "$usage"

# 2. Inherited pipes: the same text as UTF-8 bytes, CR LF kept, and no wait for Enter (the
#    program's input is a pipe that never speaks).
pipe_case() {  # <name> <tail> <expected text, LF lines>
  drive 60 pipes "$2"
  if [ "$(field exit)" = 0 ] && cmp -s <(transcript) <(sed 's/$/\r/' <<<"$3"); then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    show
    fail=1
  fi
}
pipe_case "/V with pipes: the text in the pipe, no wait, exit 0" "/V" "$version"
pipe_case "/? with pipes: the usage in the pipe, no wait, exit 0" "/?" "$usage"
# A shell's redirection ("tool.exe /V < nul > transcript.txt"): the file keeps the text.
"$run" "$prefix" 60 "$exe" /V <"/dev/null" >"$scratch/transcript.txt" 2>/dev/null
rc=$?  # the low 8 bits of the exit code; a wait would end in the time-out's 124
check "/V redirected by the shell: the text in the file, no wait, exit 0" \
  '[ $rc -eq 0 ] && cmp -s "$scratch/transcript.txt" <(printf "The tool version is 1.0.20.2699\r\n")'

# 3. The refusals of start-up, each with its message box (closed here) and 1633.
refused() {  # <name>
  drive 60 console - &
  local driver_pid=$!
  "$run" "$prefix" 40 "$windump" 30 '#32770' --close >/dev/null 2>&1
  wait $driver_pid
  check "$1: refused with 1633" '[ "$(field exit)" = 1633 ]'
}
reg delete "$hub" /f
reg add "$usb"'\ROOT_HUB20\4&1' /f
hub_removed=1
refused "no supported hub"
restore_hub
hub_removed=0
server_version=1
"$run" "$prefix" 60 winecfg -v win2008r2 >/dev/null 2>&1  # 6.1, a server
refused "Windows Server 2008 R2"
"$run" "$prefix" 60 winecfg -v win7 >/dev/null 2>&1
server_version=0

# ---- Waiting for the wizard dialog's silent run, the upgrade worker and the stand-ins ----
if [ "${BREVIX_CONSOLE_INTEGRATION:-0}" != 1 ]; then
  echo "not run (waiting for integration): /s and /S everything current, /S full upgrade, /S failing step,"
  echo "  /S in German and Japanese, /S with pipes, clean-up after /V and /?"
  exit $fail
fi

. "$here/architecture.sh"
if runs_under_wow64 "$exe" "$prefix"; then programs="Program Files (x86)"; else programs="Program Files"; fi
# COM looks the sensor server up in the registry view of the program's own bitness.
if [ "$(pe_machine "$exe")" = i386 ]; then view=/reg:32; else view=/reg:64; fi
workdir="$prefix/drive_c/$programs/Varnek Corporation/Varnek(R) Brevix/Upgrade Tool"
lang_text() {  # <table file> <key>: the text of a key, "®" as the console shows it
  grep "^$2=" "$here/../../resources/lang/$1.ini" | head -1 | cut -d= -f2- | tr -d '\r' | sed 's/®/(R)/g'
}
licence() { tr -d '\r' <"$here/../../resources/licence/$1.txt"; }

system_class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{4d36e97d-e325-11ce-bfc1-08002be10318}'
usb_class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{36fc9e60-c465-11cf-8056-444553540000}'
clsid='HKLM\Software\Classes\CLSID\{77A1C827-FCD2-4689-8915-9D613CC5FA3E}'
instance=9991
fixture="$scratch/sensors.txt"
export BREVIX_SENSOR_FIXTURE="$(win_path "$fixture")"
install_drivers() {  # <acpi date> <acpi version> <sttube date> <sttube version>
  reg add "$system_class\\$instance" /v DriverDesc /t REG_SZ /d "Varnek(R) Brevix ACPI Control" /f
  reg add "$system_class\\$instance" /v DriverDate /t REG_SZ /d "$1" /f
  reg add "$system_class\\$instance" /v DriverVersion /t REG_SZ /d "$2" /f
  reg add "$usb_class\\$instance" /v DriverDesc /t REG_SZ /d "Varnek(R) Brevix DFU 0A04" /f
  reg add "$usb_class\\$instance" /v DriverDate /t REG_SZ /d "$3" /f
  reg add "$usb_class\\$instance" /v DriverVersion /t REG_SZ /d "$4" /f
}
integration_cleanup() {
  reg delete "$system_class\\$instance" /f
  reg delete "$usb_class\\$instance" /f
  reg delete "$clsid" "$view" /f
  cleanup
}
trap integration_cleanup EXIT
reg add "$clsid\\InprocServer32" /ve /t REG_SZ /d "$(win_path "$server_dll")" "$view" /f
reg add "$clsid\\InprocServer32" /v ThreadingModel /t REG_SZ /d Both "$view" /f

# The checking report as the console shows it: <table> <firmware> <acpi> <sttube> installed,
# then the packaged versions, then the closing lines given.
report_text() {
  local t=$1
  printf '%s\n' "$(lang_text "$t" Checking03 | sed "s|1\.0|$2|g")" \
    "$(lang_text "$t" Checking02 | sed "s|1\.0|$3|g")" \
    "$(lang_text "$t" Checking01 | sed "s|1\.0|$4|g")" "" \
    "$(lang_text "$t" Checking09 | sed "s|2\.0|221212|g")" \
    "$(lang_text "$t" Checking08 | sed "s|2\.0|08/06/2013,1.1.0|g")" \
    "$(lang_text "$t" Checking07 | sed "s|2\.0|07/05/2012,3.0.4.0|g")" ""
}

# silent_case <name> <tail> <table> <licence> <prompt> <exit> <expected text after the licence>
silent_case() {
  local name=$1 tail=$2 table=$3 lic=$4 prompt=$5 code=$6 after=$7 width expected
  LANG=${LANG_UNDER_TEST:-$LANG} drive 400 console "$prompt" "$tail"
  width=$(field width)
  expected=$( { licence "$lic"; printf '\n\n%s' "$after"; } | rows "${width:-80}")
  if [ "$(field exit)" = "$code" ] && [ "$(field waited)" = 1 ] && [ "$(transcript)" = "$expected" ]; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    show
    diff <(echo "$expected") <(transcript)
    fail=1
  fi
}

# 4. Everything current: licence, report ending with "Checking16", a wait, nothing after it.
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
current="$(report_text 212_en 221212- 08/06/2013,1.1.0 07/05/2012,3.0.4.0)
$(lang_text 212_en Checking16)"
for tail in /S /s; do
  silent_case "$tail everything current: report, wait, no \"Upgrade Finished!\", exit 0" "$tail" 212_en 217_en \
    "$(lang_text 212_en Checking16)" 0 "$current"
done

# 5. A full upgrade through the stand-ins: each step "Done.", the progress lines, the end.
#    The progress reports are those of the flashing stand-in's own scenario: 5 % to 100 %.
printf '%s\n' 'sensor=HID Sensor Collection|custom|221211-5' >"$fixture"
install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
done_text=" . . . $(lang_text 212_en Upgrade21)"
progress=""
for p in $(seq 5 5 100); do progress+="$(lang_text 212_en Upgrade07) $p%"$'\n'; done
full="$(report_text 212_en 221211- 06/21/2013,1.0.0.5 01/02/2012,3.0.2.0)
$(lang_text 212_en Checking15)
$(lang_text 212_en Checking13)
$(lang_text 212_en Checking12)
$(lang_text 212_en Checking11)

$(lang_text 212_en Upgrade06)$done_text
$(lang_text 212_en Upgrade05)$done_text
$(lang_text 212_en Upgrade04)$done_text
${progress}$(lang_text 212_en Upgrade07)$done_text
$(lang_text 212_en Upgrade23)
$(lang_text 212_en Upgrade24)"
silent_case "/S full upgrade: steps done, progress, \"Upgrade Finished!\", exit 3010" /S 212_en 217_en \
  "$(lang_text 212_en Upgrade24)" 3010 "$full"

# 6. A failing step: the driver installer stand-in never records the ACPI driver, so the
#    registry never confirms it (about 30 s): "Failed!", 1603.
install_drivers 6-21-2013 1.0.0.5 7-5-2012 3.0.4.0
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
failing="$(report_text 212_en 221212- 06/21/2013,1.0.0.5 07/05/2012,3.0.4.0)
$(lang_text 212_en Checking15)
$(lang_text 212_en Checking12)

$(lang_text 212_en Upgrade06) . . . $(lang_text 212_en Upgrade22)
$(lang_text 212_en Upgrade23)
$(lang_text 212_en Upgrade24)"
printf '%s\n' 'ACPI=never' >"$scratch/dpinst.scenario"
BREVIX_DPINST_SCENARIO="$(win_path "$scratch/dpinst.scenario")" silent_case "/S failing step: \"Failed!\", exit 1603" /S 212_en 217_en \
  "$(lang_text 212_en Upgrade24)" 1603 "$failing"

# 7. Everything current in German and Japanese: the table and licence of the language.
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
for pair in de_DE:192_de:227_de ja_JP:201_ja:219_ja; do
  IFS=: read -r locale table lic <<<"$pair"
  LANG_UNDER_TEST=$locale.UTF-8 silent_case "/S in $locale: its texts" /S "$table" "$lic" \
    "$(lang_text "$table" Checking16)" 0 \
    "$(report_text "$table" 221212- 08/06/2013,1.1.0 07/05/2012,3.0.4.0)
$(lang_text "$table" Checking16)"
done

# 8. /S with inherited pipes: the whole transcript in the pipe, the run ends without Enter.
drive 400 pipes /S
check "/S with pipes: ends by itself with 0" '[ "$(field exit)" = 0 ]'
check "/S with pipes: licence and report arrive" \
  'cmp -s <(transcript | tr -d "\r") <({ licence 217_en; printf "\n\n%s\n\n" "$current"; })'

# 9. After /V and /? the window's clean-up ran in the working directory: only the log stays.
for tail in /V "/?"; do
  mkdir -p "$workdir/DRIVER/ACPI" && touch "$workdir/ErrorCode.ini" "$workdir/PidVid" "$workdir/StatusInformation.dat"
  if [ "$tail" = /V ]; then prompt=$version; else prompt=$(tail -n1 <<<"$usage"); fi
  drive 60 console "$prompt" "$tail"
  sleep 2  # "cmd" removes the rest on its own
  left=$(cd "$workdir" && ls -A | grep -v '^UpgradeTool.log$' | tr '\n' ' ')
  check "$tail: the work files are gone afterwards (left: $left)" '[ -z "$left" ]'
done

exit $fail
