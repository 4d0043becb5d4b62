#!/usr/bin/env bash
# The console modes of the real executable on the simulated notebook. consoledriver starts it
# with a raw command-line tail, reads the console the program allocated (or its inherited
# pipes), presses Enter when the program's text has shown and reads the exit code with
# GetExitCodeProcess. Transcripts are compared whole: the console's rows up to its cursor
# against what the program's writes give on Wine's console, or the pipe's bytes.
#  - "/V", "/v", "/?", an unknown switch, "/S " and two arguments: the text once, a wait for
#    Enter, exit code 0;
#  - with inherited pipes, or a shell's redirection to a file, the same text arrives as UTF-8
#    and the run ends without Enter;
#  - a machine without a supported hub, a server system and Windows 10 are refused with 1633;
#    Windows 8.1 and 8 pass (their true version is read, not the 6.2 GetVersionExW shows);
#  - "/S" and "/s" silent runs through the hidden wizard dialog, the upgrade worker and the
#    stand-ins (everything current, a full upgrade, a failing step, German and Japanese, pipes),
#    with the test sensor server <sensorserver.dll>;
#  - after "/V" and "/?" the clean-up ran in the working directory;
#  - a run that stays in an inherited working directory starts nothing extracted there;
#  - two runs started together: exactly one runs;
#  - with the flashing tool's mailslot name taken, /S says so in its output, shows no box, and a
#    drivers-only upgrade still completes.
# The drivers the stand-in installer records are taken out of the prefix again at the end.
#   console_test.sh <tool.exe> <consoledriver.exe> <windump.exe> <prefix> <sensorserver.dll>
#                   <holdinstance.exe>
# Runs under an X display (Xvfb in CI): without one the console Wine makes is dead.
set -uo pipefail
exe=$1 driver=$2 windump=$3 prefix=$4 server_dll=$5 holdinstance=$6
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
export LANG=en_US.UTF-8
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
# BREVIX_CONSOLE_PARTS="4 5" runs only those numbered parts (the emulated i686 lane, where each
# process start costs a second or two more); all of them when unset.
part() { [ -z "${BREVIX_CONSOLE_PARTS:-}" ] || [[ " $BREVIX_CONSOLE_PARTS " == *" $1 "* ]]; }
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
  if [ "${version_changed:-0}" = 1 ]; then "$run" "$prefix" 60 winecfg -v win7 >/dev/null 2>&1; fi
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
  "${drive_wrap[@]}" "$run" "$prefix" $((seconds + 30)) "$driver" "${args[@]}" >/dev/null 2>&1
}
drive_wrap=()  # a command the drive runs under (a mount namespace of its own, say)
field() { sed -n "s/^$1=//p" "$report" 2>/dev/null | head -1; }
transcript() { sed '1,/^--- transcript$/d' "$report" 2>/dev/null; }
show() { echo "--- report:"; cat "$report" 2>/dev/null; echo "---"; }

# What Wine's console shows for what a program wrote to it, in the driver's form: "cursor=<x>,<y>",
# then the rows from the first to the cursor's, each without trailing blanks and ended by "\n".
# The writes come on stdin, each ended by the byte 0x1e (see writes). Each character takes one
# cell (CJK ones included); a row is <width> cells and the buffer <height> rows (the top row
# scrolls away below the last). "\r" goes to the row's start, "\n" to the next row's. A
# character that comes when the row is full wraps to the next row first, but a row that a write
# fills exactly leaves the cursor after its last cell until that write ends: a line break in the
# same write then only ends the row, while a write that ends there moves the cursor to the next
# row, so that a following line break leaves an empty row.
console_screen() {  # <width> <height>
  python3 -c '
import sys
width, height = int(sys.argv[1]), int(sys.argv[2])
rows, x, y = [[]], 0, 0
def next_row():
    global x, y
    x, y = 0, y + 1
    if y == len(rows):
        rows.append([])
    if y == height:
        rows.pop(0)
        y = height - 1
for write in sys.stdin.buffer.read().decode("utf-8").split("\x1e")[:-1]:
    for c in write:
        if c == "\r":
            x = 0
        elif c == "\n":
            next_row()
        else:
            if x == width:
                next_row()
            row = rows[y]
            row.extend(" " * (x + 1 - len(row)))
            row[x] = c
            x += 1
    if x == width:
        next_row()
shown = f"cursor={x},{y}\n" + "".join("".join(row).rstrip(" ") + "\n" for row in rows[:y + 1])
sys.stdout.buffer.write(shown.encode("utf-8"))
' "$1" "$2"
}
# writes <text>...: each argument one write of the program, in the form console_screen reads.
writes() { local text; for text in "$@"; do printf '%s\036' "$text"; done; }
# The console as the driver found it, in the form console_screen gives.
seen() { echo "cursor=$(field cursor)"; transcript; }
# same_screen <expected writes>: the console shows exactly what those writes give.
same_screen() { cmp -s <(printf '%s' "$1" | console_screen "$(field width)" "$(field height)") <(seen); }
show_diff() { diff <(printf '%s' "$1" | console_screen "$(field width)" "$(field height)") <(seen); }
enter_echo=$'\n'  # the console echoes the Enter that ends a wait as a line break

usage='Usage:
Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install
Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version
Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help'
version='The tool version is 1.0.20.2699'

# 1. Text modes on the program's own console: the text, a wait for Enter, exit code 0.
#    name | tail | expected text (its last line is the prompt; written at once, with a line break)
text_case() {
  local name=$1 tail=$2 expected
  expected=$(writes "$3"$'\n' "$enter_echo")
  drive 60 console "$(tail -n1 <<<"$3")" "$tail"
  if [ "$(field exit)" = 0 ] && [ "$(field waited)" = 1 ] && same_screen "$expected"; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    show
    show_diff "$expected"
    fail=1
  fi
}
if part 1; then
text_case "/V: the version, wait, exit 0" "/V" "$version"
text_case "/v: the version, wait, exit 0" "/v" "$version"
text_case "/?: the usage, wait, exit 0" "/?" "$usage"
text_case "unknown switch: the usage" "/X" "$usage"
text_case "\"/S \" (a blank after the switch): the usage" "/S " "$usage"
text_case "two arguments: the usage once" "/S /V" "$usage"
fi

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
if part 2; then
pipe_case "/V with pipes: the text in the pipe, no wait, exit 0" "/V" "$version"
pipe_case "/? with pipes: the usage in the pipe, no wait, exit 0" "/?" "$usage"
# A shell's redirection ("tool.exe /V < nul > transcript.txt"): the file keeps the text.
"$run" "$prefix" 60 "$exe" /V <"/dev/null" >"$scratch/transcript.txt" 2>/dev/null
rc=$?  # the low 8 bits of the exit code; a wait would end in the time-out's 124
check "/V redirected by the shell: the text in the file, no wait, exit 0" \
  '[ $rc -eq 0 ] && cmp -s "$scratch/transcript.txt" <(printf "The tool version is 1.0.20.2699\r\n")'
fi

# 3. The refusals of start-up, each with its message box (closed here) and 1633.
refused() {  # <name>
  drive 60 console - &
  local driver_pid=$!
  "$run" "$prefix" 40 "$windump" 30 '#32770' --close >/dev/null 2>&1
  wait $driver_pid
  check "$1: refused with 1633" '[ "$(field exit)" = 1633 ]'
}
if part 3; then
reg delete "$hub" /f
reg add "$usb"'\ROOT_HUB20\4&1' /f
hub_removed=1
refused "no supported hub"
restore_hub
hub_removed=0
version_changed=1
"$run" "$prefix" 60 winecfg -v win2008r2 >/dev/null 2>&1  # 6.1, a server
refused "Windows Server 2008 R2"
# Windows 10 and 8.1 show a program whose manifest does not name them 6.2 through
# GetVersionExW; start-up reads the version the system really runs. 10 is refused; 8.1 and 8
# pass: /V shows the version and ends with 0. The prefix is asked which version it is set to,
# so that a winecfg that changed nothing does not pass as Windows 8.1.
set_version() {  # <winecfg name> <CurrentVersion it gives>
  "$run" "$prefix" 60 winecfg -v "$1" >/dev/null 2>&1
  "$run" "$prefix" 60 reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion 2>/dev/null |
    tr -d '\r' | grep -qE "REG_SZ +$2\$"
}
passes() {  # <name>
  drive 60 console "$version" /V
  check "$1: passes start-up (/V ends with 0, not 1633: $(field exit))" '[ "$(field exit)" = 0 ]'
}
for case in "win10:10.0:refused:Windows 10" "win81:6.3:passes:Windows 8.1" "win8:6.2:passes:Windows 8"; do
  IFS=: read -r name reported verdict label <<<"$case"
  if set_version "$name" "$reported"; then
    "$verdict" "$label"
  else
    echo "FAIL: the prefix does not say $reported after winecfg -v $name"
    fail=1
  fi
done
set_version win7 6.1 || { echo "FAIL: the prefix is not Windows 7 again"; fail=1; }
version_changed=0
fi

# The silent runs: the hidden wizard dialog, the upgrade worker and the stand-ins, with the test
# sensor server answering for the hub's firmware.
. "$here/architecture.sh"
if runs_under_wow64 "$exe" "$prefix"; then programs="Program Files (x86)"; else programs="Program Files"; fi
# COM looks the sensor server up in the registry view of the program's own bitness.
if [ "$(pe_machine "$exe")" = i386 ]; then view=/reg:32; else view=/reg:64; fi
workdir="$prefix/drive_c/$programs/Varnek Corporation/Varnek(R) Brevix/Upgrade Tool"
lang_text() {  # <table file> <key>: the text of a key, "®" as the console shows it
  grep "^$2=" "$here/../../resources/lang/$1.ini" | head -1 | cut -d= -f2- | tr -d '\r' | sed 's/®/(R)/g'
}
licence() { tr -d '\r' <"$here/../../resources/licence/$1.txt"; }

. "$here/fixtures.sh"
instance=9991
fixture="$scratch/sensors.txt"
export BREVIX_SENSOR_FIXTURE="$(win_path "$fixture")"
# The hub's firmware after a flash: the flashing stand-in writes the version it flashed here,
# and the sensor server reports it for a serial written "@<serial>" (the run reads it back).
firmware_file="$scratch/firmware.txt"
export BREVIX_SENSOR_FIRMWARE="$(win_path "$firmware_file")"
# The drivers the stand-in installer recorded (and ours) go again, so later tests start clean.
drivers_reset() { "$here/../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"; }
cleanup_all() {
  if [ -e "$workdir.aside" ]; then rm -f "$workdir" && mv "$workdir.aside" "$workdir"; fi
  reg delete "$system_class\\$instance" /f
  reg delete "$usb_class\\$instance" /f
  reg delete "$clsid" "$view" /f
  drivers_reset
  cleanup
}
trap cleanup_all EXIT
drivers_reset  # whatever an earlier run left would stand beside ours
reg add "$clsid\\InprocServer32" /ve /t REG_SZ /d "$(win_path "$server_dll")" "$view" /f
reg add "$clsid\\InprocServer32" /v ThreadingModel /t REG_SZ /d Both "$view" /f

# The checking report, one write a row as the engine writes it: <table>, the installed
# <firmware> <acpi> <sttube>, then the packaged versions, each group ended by an empty row.
report_writes() {
  local t=$1
  writes "$(lang_text "$t" Checking03 | sed "s|1\.0|$2|g")"$'\n' \
    "$(lang_text "$t" Checking02 | sed "s|1\.0|$3|g")"$'\n' \
    "$(lang_text "$t" Checking01 | sed "s|1\.0|$4|g")"$'\n\n' \
    "$(lang_text "$t" Checking09 | sed "s|2\.0|221212|g")"$'\n' \
    "$(lang_text "$t" Checking08 | sed "s|2\.0|08/06/2013,1.1.0|g")"$'\n' \
    "$(lang_text "$t" Checking07 | sed "s|2\.0|07/05/2012,3.0.4.0|g")"$'\n\n'
}
# An upgrade step as the console shows it: its title, then its result when it ends.
step_writes() { writes "$(lang_text 212_en "$1")" " . . . $(lang_text 212_en "$2")"$'\n'; }
# The silent run's writes: the licence, a line break, (the package is unpacked) a line break,
# then <the rest>: the checking report, a line break, and what the worker, the poll and the end
# write.
silent_writes() {  # <licence> <report and the rest>
  licence "$1"
  printf '\036'  # the licence is one write
  writes $'\n' $'\n'
  printf '%s' "$2"
}

# silent_case <name> <tail> <licence> <prompt> <exit> <writes after the licence's separators>
#   The run waits at <prompt>; the Enter pressed there is echoed.
silent_case() {
  local name=$1 tail=$2 lic=$3 prompt=$4 code=$5 expected
  LANG=${LANG_UNDER_TEST:-$LANG} drive "${DRIVE_SECONDS:-120}" console "$prompt" "$tail"
  expected=$(silent_writes "$lic" "$6"; writes "$enter_echo")
  if [ "$(field exit)" = "$code" ] && [ "$(field waited)" = 1 ] && same_screen "$expected"; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    show
    show_diff "$expected"
    fail=1
    return 1
  fi
}

# 4. Everything current: licence, report ending with "Checking16", a wait, nothing after it.
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
current=$(report_writes 212_en 221212- 08/06/2013,1.1.0 07/05/2012,3.0.4.0
  writes "$(lang_text 212_en Checking16)"$'\n' $'\n')
if part 4; then
for tail in /S /s; do
  silent_case "$tail everything current: report, wait, no \"Upgrade Finished!\", exit 0" "$tail" 217_en \
    "$(lang_text 212_en Checking16)" 0 "$current"
done
fi

# 5. A full upgrade through the stand-ins: each step "Done.", the progress lines, the end.
#    The progress reports are those of the flashing stand-in's own scenario: 5 % to 100 %.
# A notebook on which all three are older, and the checking report it gives.
all_older() {
  printf '%s\n' 'sensor=HID Sensor Collection|custom|@221211-5' >"$fixture"
  rm -f "$firmware_file"
  install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
}
all_older_report() {
  report_writes 212_en 221211- 06/21/2013,1.0.0.5 01/02/2012,3.0.2.0
  writes "$(lang_text 212_en Checking15)"$'\n' "$(lang_text 212_en Checking13)"$'\n' \
    "$(lang_text 212_en Checking12)"$'\n' "$(lang_text 212_en Checking11)"$'\n' $'\n'
}
full=$(all_older_report
  step_writes Upgrade06 Upgrade21
  step_writes Upgrade05 Upgrade21
  step_writes Upgrade04 Upgrade21
  for p in $(seq 5 5 100); do writes "$(lang_text 212_en Upgrade07) $p%"$'\n'; done
  step_writes Upgrade07 Upgrade21
  writes "$(lang_text 212_en Upgrade23)"$'\n'"$(lang_text 212_en Upgrade24)")
if part 5; then
all_older
silent_case "/S full upgrade: steps done, progress, \"Upgrade Finished!\", exit 3010" /S 217_en \
  "$(lang_text 212_en Upgrade24)" 3010 "$full"
fi

# 6. A failing step: the driver installer stand-in never records the ACPI driver, so the
#    registry never confirms it (about 30 s): "Failed!", 1603.
if part 6; then
install_drivers 6-21-2013 1.0.0.5 7-5-2012 3.0.4.0
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
failing=$(report_writes 212_en 221212- 06/21/2013,1.0.0.5 07/05/2012,3.0.4.0
  writes "$(lang_text 212_en Checking15)"$'\n' "$(lang_text 212_en Checking12)"$'\n' $'\n'
  step_writes Upgrade06 Upgrade22
  writes "$(lang_text 212_en Upgrade23)"$'\n'"$(lang_text 212_en Upgrade24)")
printf '%s\n' 'ACPI=never' >"$scratch/dpinst.scenario"
BREVIX_DPINST_SCENARIO="$(win_path "$scratch/dpinst.scenario")" silent_case "/S failing step: \"Failed!\", exit 1603" /S 217_en \
  "$(lang_text 212_en Upgrade24)" 1603 "$failing"
fi

# 7. Everything current in German and Japanese: the table and licence of the language.
if part 7; then
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
for triple in de_DE:192_de:227_de ja_JP:201_ja:219_ja; do
  IFS=: read -r locale table lic <<<"$triple"
  LANG_UNDER_TEST=$locale.UTF-8 silent_case "/S in $locale: its texts" /S "$lic" \
    "$(lang_text "$table" Checking16)" 0 \
    "$(report_writes "$table" 221212- 08/06/2013,1.1.0 07/05/2012,3.0.4.0
       writes "$(lang_text "$table" Checking16)"$'\n' $'\n')"
done
fi

# 8. /S with inherited pipes: the whole transcript in the pipe as UTF-8 with CR LF line ends, and
#    the run ends without Enter.
if part 8; then
drive 120 pipes /S
check "/S with pipes: ends by itself with 0" '[ "$(field exit)" = 0 ]'
check "/S with pipes: licence and report arrive" \
  'cmp -s <(transcript) <(silent_writes 217_en "$current" | tr -d "\036" | sed "s/\$/\r/")'
fi

# 9. After /V and /? the window's clean-up ran in the working directory: only the log stays.
if part 9; then
for tail in /V "/?"; do
  mkdir -p "$workdir/DRIVER/ACPI" && touch "$workdir/ErrorCode.ini" "$workdir/PidVid" "$workdir/StatusInformation.dat"
  if [ "$tail" = /V ]; then prompt=$version; else prompt=$(tail -n1 <<<"$usage"); fi
  drive 60 console "$prompt" "$tail"
  left=$(cd "$workdir" && ls -A | grep -v '^UpgradeTool.log$' | tr '\n' ' ')
  check "$tail: the work files are gone afterwards (left: $left)" '[ -z "$left" ]'
done
fi

# 10. Where the run works when its own folder is not safe. Wine keeps no access lists: it shows a
#     file's Unix mode as one (the prefix's one user, the administrator here, and Everyone for
#     "others"), and a symbolic link to a folder as a junction. So:
#     a. its own folder writable by everyone (0777): the run works in a fresh folder under
#        C:\windows\temp, made for the run alone (0750: nobody else), upgrades as anywhere
#        (3010), says in the log there why, and writes nothing in its own folder;
#     b. its own folder cannot be made (a file stands in its place) and it was started in a
#        folder everyone may write to: again a fresh folder; the start folder stays as it was;
#     c. the same, started in a folder only the administrator can change: it works there, and
#        what it made there is gone afterwards; the user's file and the log stay.
if part 10; then
temp="$prefix/drive_c/windows/temp"
fresh_folders() { ls -d "$temp/Varnek Brevix Upgrade Tool "* 2>/dev/null; }
rm -rf "$temp/Varnek Brevix Upgrade Tool "*
# a.
all_older
before=$(cd "$workdir" && ls -A | tr '\n' ' '; md5sum UpgradeTool.log 2>/dev/null)
chmod 0777 "$workdir"
silent_case "own folder writable by everyone: the run upgrades in a fresh folder, 3010" /S 217_en \
  "$(lang_text 212_en Upgrade24)" 3010 "$full"
chmod 0755 "$workdir"
fresh=$(fresh_folders)
check "own folder writable by everyone: one fresh folder under C:/windows/temp ($fresh)" \
  '[ "$(fresh_folders | wc -l)" = 1 ]'
check "fresh folder: only the run's user may use it (mode $(stat -c %a "$fresh" 2>/dev/null))" \
  '[ "$(stat -c %a "$fresh")" = 750 ]'
check "fresh folder: the log there says where and why ($(head -c 300 "$fresh/UpgradeTool.log" | tr -d '\r\n'))" \
  'tr "\\\\" / <"$fresh/UpgradeTool.log" | grep -aq "Working in C:/windows/[Tt]emp/Varnek Brevix Upgrade Tool [0-9A-F]\{16\} as others may change what is in C:/$programs/Varnek Corporation/Varnek(R) Brevix/Upgrade Tool"'
check "fresh folder: only the log stays (left: $(ls -A "$fresh" | tr '\n' ' '))" \
  '[ "$(ls -A "$fresh")" = UpgradeTool.log ]'
check "fresh folder: the run record names it for deployment tools" \
  '"$run" "$prefix" 60 reg query "HKLM\SOFTWARE\Varnek Corporation\Varnek(R) Brevix\Upgrade Tool" /v WorkingFolder /reg:64 2>/dev/null | grep -qi "windows.temp.Varnek Brevix Upgrade Tool [0-9A-F]"'
check "own folder writable by everyone: nothing written there" \
  '[ "$(cd "$workdir" && ls -A | tr "\n" " "; md5sum UpgradeTool.log 2>/dev/null)" = "$before" ]'
# b.
rm -rf "$temp/Varnek Brevix Upgrade Tool "*
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
shared="$prefix/drive_c/Shared"
rm -rf "$shared" && mkdir -p "$shared" && echo mine >"$shared/notes.txt" && chmod 0777 "$shared"
mv "$workdir" "$workdir.aside" && touch "$workdir"
(cd "$shared" && silent_case "own folder unmakeable, started where everyone may write: a fresh folder, 0" /S 217_en \
  "$(lang_text 212_en Checking16)" 0 "$current") || fail=1
check "started where everyone may write: nothing written there (left: $(ls -A "$shared" | tr '\n' ' '))" \
  '[ "$(ls -A "$shared")" = notes.txt ]'
check "started where everyone may write: the log in the fresh folder names it" \
  'tr "\\\\" / <"$(fresh_folders)/UpgradeTool.log" | grep -aq "as others may change what is in C:/Shared"'
# c.
rm -rf "$temp/Varnek Brevix Upgrade Tool "*
all_older
deploy="$prefix/drive_c/Deploy"
rm -rf "$deploy" && mkdir -p "$deploy" && echo mine >"$deploy/notes.txt" && chmod 0755 "$deploy"
(cd "$deploy" && silent_case "own folder unmakeable, started in an administrator's folder: works there, 3010" /S 217_en \
  "$(lang_text 212_en Upgrade24)" 3010 "$full") || fail=1
rm -f "$workdir" && mv "$workdir.aside" "$workdir"
check "administrator's folder: no fresh folder made" '[ -z "$(fresh_folders)" ]'
left=$(cd "$deploy" && LC_ALL=C ls -A | tr '\n' ' ')
check "administrator's folder: what the run made is gone, the user's file stays (left: $left)" \
  '[ "$left" = "notes.txt " ]'
rm -rf "$shared" "$deploy"
fi

# 11. Two runs started together: exactly one runs (to its end, an ACPI upgrade that takes the
#     stand-in installer's seconds, so that the two surely overlap: 3010), the other ends at once
#     with 1618 and writes nothing.
if part 11; then
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
install_drivers 6-21-2013 1.0.0.5 7-5-2012 3.0.4.0
for n in 1 2; do
  "$run" "$prefix" 150 "$driver" "$(win_path "$scratch/together$n.txt")" 120 pipes "$(win_path "$exe")" /S \
    >/dev/null 2>&1 &
done
wait
codes=$(for n in 1 2; do sed -n 's/^exit=//p' "$scratch/together$n.txt"; done | sort -n | tr '\n' ' ')
check "two runs started together: one runs, the other gets 1618 (exit codes: $codes)" '[ "$codes" = "1618 3010 " ]'
for n in 1 2; do
  if grep -q '^exit=1618$' "$scratch/together$n.txt"; then
    check "two runs started together: the second writes nothing" \
      '[ -z "$(sed "1,/^--- transcript$/d" "$scratch/together$n.txt")" ]'
  fi
done
fi

# 12. Another program holds the flashing tool's mailslot name: the unattended run says "Failed to
#     Create a mailslot." in its output, never in a box that would hold a deployment script, and
#     carries on; a drivers-only upgrade does not need the mailslot. A watcher closes any box that
#     appears, so that a box shows as a failure here rather than as a hung run.
if part 12; then
install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
"$run" "$prefix" 150 "$holdinstance" --mailslot 120 >"$scratch/held.txt" 2>/dev/null & holder=$!
for _ in $(seq 150); do grep -q '^held' "$scratch/held.txt" 2>/dev/null && break; sleep 0.2; done
"$run" "$prefix" 100 "$windump" 90 '#32770' --close >"$scratch/box.txt" 2>/dev/null & boxes=$!
drive 120 pipes /S
kill $boxes 2>/dev/null; wait $boxes 2>/dev/null
kill $holder 2>/dev/null; wait $holder 2>/dev/null
check "mailslot taken: the holder made it first" 'grep -q "^held" "$scratch/held.txt"'
check "mailslot taken: no box holds the unattended run" '! grep -qF "Failed to Create a mailslot." "$scratch/box.txt"'
check "mailslot taken: the run says so in its output" 'transcript | tr -d "\r" | grep -xF "Failed to Create a mailslot." >/dev/null'
check "mailslot taken: the drivers-only upgrade still ends with 3010" '[ "$(field exit)" = 3010 ]'
check "mailslot taken: both driver steps done" '[ "$(transcript | grep -c " \. \. \. Done\.")" = 2 ]'
fi

# What the runs below check against: the log's new lines, the packaged firmware's name, a silent
# run over all older items with scenarios for the stand-ins.
log_file="$workdir/UpgradeTool.log"
new_log_lines() { tail -n +$(($1 + 1)) "$log_file" 2>/dev/null | tr -d '\r' | cut -d' ' -f3-; }
# The packaged firmware file's name, as the package lists it.
firmware_name=$(grep -m1 '^DRIVER\\FIRMWARE\\File\\' "$here/../../resources/package/entries.txt" | cut -f1 | sed 's/.*\\//')
integrity_case() {  # <name> <scenario for the installers> <dfu scenario or -> <writes after the report> <log line>
  local name=$1 expected_line=$5 lines
  all_older
  lines=$(wc -l <"$log_file" 2>/dev/null || echo 0)
  printf '%s\n' "$2" >"$scratch/dpinst.scenario"
  rm -f "$scratch/standins.log" "$scratch/dfu.scenario"
  # Without a file there the flashing stand-in plays its own scenario (the flash takes).
  [ "$3" = - ] || printf '%s\n' "$3" >"$scratch/dfu.scenario"
  BREVIX_DFU_SCENARIO="$(win_path "$scratch/dfu.scenario")" \
    BREVIX_DPINST_SCENARIO="$(win_path "$scratch/dpinst.scenario")" \
    BREVIX_STANDIN_LOG="$(win_path "$scratch/standins.log")" \
    silent_case "/S $name: the step fails, the others go on, exit 1603" /S 217_en "$(lang_text 212_en Upgrade24)" 1603 \
    "$(all_older_report; printf '%s' "$4"; writes "$(lang_text 212_en Upgrade23)"$'\n'"$(lang_text 212_en Upgrade24)")"
  check "/S $name: the log has exactly the table's line" '[ "$(new_log_lines "$lines")" = "$expected_line" ]'
}
progress_writes() { for p in $(seq 5 5 100); do writes "$(lang_text 212_en Upgrade07) $p%"$'\n'; done; }

if part 13; then
# 13. A component changed on disk after extraction (another process appends a byte while the
#     first installer runs): that component is never started, its step fails with its
#     "integrity check failed!" line, the log has exactly the table's line, the other steps go
#     on, 1603. Then a flash that does not take: the tool reports success, the hub keeps its old
#     firmware: "Failed!", "Upgrade FW not match the source", 1603.
integrity_case "firmware file changed after extraction" "tamper=DRIVER\\FIRMWARE\\File\\$firmware_name" - \
  "$(step_writes Upgrade06 Upgrade21; step_writes Upgrade05 Upgrade21; step_writes Upgrade04 Upgrade22
     writes "$(lang_text 212_en Upgrade15)"$'\n')" \
  "Firmware integrity verification failed (0xEE020003)"
check "firmware file changed: the flashing tool never ran" '! grep -q "VarnekDFU" "$scratch/standins.log"'
integrity_case "STTube driver folder changed after extraction" 'tamper=DRIVER\STTUBE\STtube.inf' - \
  "$(step_writes Upgrade06 Upgrade21; step_writes Upgrade05 Upgrade22; writes "$(lang_text 212_en Upgrade13)"$'\n'
     step_writes Upgrade04 Upgrade21; progress_writes; step_writes Upgrade07 Upgrade21)" \
  "STTube driver integrity verification failed (0xEE020002)"
check "STTube folder changed: its installer never ran" '! grep -q "dpinst STTUBE: started" "$scratch/standins.log"'
integrity_case "flash that does not take" "*=300" $'send 0 2 0\nsend 0 4 50\nsend 0 4 100\nsend 0 5 0\nsleep 60000' \
  "$(step_writes Upgrade06 Upgrade21; step_writes Upgrade05 Upgrade21; step_writes Upgrade04 Upgrade21
     writes "$(lang_text 212_en Upgrade07) 50%"$'\n' "$(lang_text 212_en Upgrade07) 100%"$'\n'
     step_writes Upgrade07 Upgrade22)" \
  "Upgrade FW not match the source (0xEE03000C)"
rm -f "$scratch/dpinst.scenario" "$scratch/dfu.scenario"
fi

if part 14; then
# 14. Nothing stalls or hides the run: an installer that never ends is ended when its driver's
#     tests are over (its step fails, the others go on); a flashing tool that never says a word
#     is ended at the poll's time-out; neither outlives the run, which ends 1603. An entry of the
#     package that cannot be written (a folder stands where the ACPI INF goes) fails the run
#     with its table line, and nothing is called current.
left_running() {  # <pattern>: a process of this prefix whose command line matches
  local pid want
  want="WINEPREFIX=$(realpath -m "$prefix")"
  for pid in $(pgrep -f "$1" 2>/dev/null); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "$want" && return 0
  done
  return 1
}
integrity_case "installer that never ends" "ACPI=hang" - \
  "$(step_writes Upgrade06 Upgrade22; step_writes Upgrade05 Upgrade21; step_writes Upgrade04 Upgrade21
     progress_writes; step_writes Upgrade07 Upgrade21)" \
  "ACPI driver upgrade failed (0xEE030001)"
check "installer that never ends: it was ended, nothing of it runs on" \
  'grep -q "dpinst ACPI: hangs" "$scratch/standins.log" && ! left_running "ACPI.dpinst.exe"'
DRIVE_SECONDS=240 integrity_case "flashing tool that never says a word" "*=300" 'sleep 600000' \
  "$(step_writes Upgrade06 Upgrade21; step_writes Upgrade05 Upgrade21; step_writes Upgrade04 Upgrade22)" ""
check "silent tool: ended at the time-out, nothing of it runs on" '! left_running "VarnekDFU.exe"'
all_older
lines=$(wc -l <"$log_file" 2>/dev/null || echo 0)
# (with a read-only file in it, which the run's clean start cannot delete either)
mkdir -p "$workdir/DRIVER/ACPI/VarnekBrevixAcpi.inf"
: >"$workdir/DRIVER/ACPI/VarnekBrevixAcpi.inf/kept"
chmod a-w "$workdir/DRIVER/ACPI/VarnekBrevixAcpi.inf/kept"
drive 120 console "$(lang_text 212_en Upgrade24)" /S
check "/S, a folder where the ACPI INF goes: exit 1603 ($(field exit))" '[ "$(field exit)" = 1603 ]'
check "/S, a folder where the ACPI INF goes: the table's line" \
  'new_log_lines "$lines" | grep -qx "Can not find upgrading ACPI driver (0xEE010003)"'
check "/S, a folder where the ACPI INF goes: nothing is called current" \
  '! transcript | grep -qF "$(lang_text 212_en Checking16)"'
chmod -R u+w "$workdir/DRIVER" 2>/dev/null || true
rm -rf "$workdir/DRIVER"
drivers_reset
fi

if part 15; then
# 15. Power: Wine answers GetSystemPowerStatus from /sys/class/power_supply; a private mount
#     namespace shows the program a notebook's. On battery at 20 % the drivers upgrade, the
#     report and the firmware step say why the firmware is not, the tool never starts, 1603;
#     on AC at 80 % the whole upgrade runs, 3010. Then a flash cut off (every process ended at
#     once while the tool holds after a progress report and wrote a file beside itself): the
#     next /S says so, flashes again whatever the hub reports, and ends 3010.
power="$scratch/power"
notebook() {  # <ac online 0|1> <percent>
  mkdir -p "$power/AC" "$power/BAT0"
  echo Mains >"$power/AC/type"; echo "$1" >"$power/AC/online"
  echo Battery >"$power/BAT0/type"; echo 1 >"$power/BAT0/present"
  if [ "$1" = 1 ]; then echo Charging >"$power/BAT0/status"; else echo Discharging >"$power/BAT0/status"; fi
  echo 11000000 >"$power/BAT0/voltage_now"; echo 1000000 >"$power/BAT0/current_now"
  echo 5000000 >"$power/BAT0/charge_full"; echo $((50000 * $2)) >"$power/BAT0/charge_now"
}
# The drives below run in a mount namespace of their own, where the notebook's power is seen
# (root's own, or, where root may not make one, one of a user namespace that maps root).
namespace=(unshare -m --propagation private)
unshare -m --propagation private true 2>/dev/null || namespace=(unshare -Urm --propagation private)
on_notebook=("${namespace[@]}" bash -c 'mount --bind "$0" /sys/class/power_supply && exec "$@"' "$power")
power_text=$(lang_text 212_en Upgrade25)
power_start=${power_text:0:26}  # longer than a console row: its start stands on one
if "${namespace[@]}" true 2>/dev/null && [ -d /sys/class/power_supply ]; then
  all_older
  notebook 0 20
  lines=$(wc -l <"$log_file" 2>/dev/null || echo 0)
  rm -f "$scratch/standins.log"
  drive_wrap=("${on_notebook[@]}")
  BREVIX_STANDIN_LOG="$(win_path "$scratch/standins.log")" drive 120 console "$(lang_text 212_en Upgrade24)" /S
  check "/S on battery at 20 %: exit 1603 ($(field exit))" '[ "$(field exit)" = 1603 ]'
  check "/S on battery at 20 %: the drivers Done., the power text (report and firmware step), Finding device Failed!" \
    '[ "$(transcript | grep -c " \. \. \. Done\.")" = 2 ] && [ "$(transcript | grep -cF "$power_start")" = 2 ] &&
     transcript | grep -qF "Finding device . . . Failed!"'
  check "/S on battery at 20 %: the table's line, the tool never started" \
    'new_log_lines "$lines" | grep -qx "Firmware upgrade needs AC power and a battery charge of at least 25% (0xEE03000F)" &&
     ! grep -q "VarnekDFU" "$scratch/standins.log"'
  drivers_reset
  all_older
  notebook 1 80
  drive 120 console "$(lang_text 212_en Upgrade24)" /S
  drive_wrap=()
  check "/S on AC at 80 %: the whole upgrade, exit 3010 ($(field exit))" \
    '[ "$(field exit)" = 3010 ] && transcript | grep -qF "Upgrading Varnek(R) Brevix Firmware . . . Done." &&
     ! transcript | grep -qF "$power_start"'
  drivers_reset
else
  echo "FAIL: no private mount namespace here for the power cases"
  fail=1
fi

# The cut-off flash: the tool holds after a progress report and writes beside itself; then
# every process of the prefix ends at once, as when the power goes.
all_older
printf 'send 0 2 0\nsend 0 4 30\nsleep 600000\n' >"$scratch/dfu.scenario"
rm -f "$scratch/standins.log"
(BREVIX_DFU_SCENARIO="$(win_path "$scratch/dfu.scenario")" BREVIX_STANDIN_LOG="$(win_path "$scratch/standins.log")" \
  drive 200 console "$(lang_text 212_en Upgrade24)" /S) &
cut_run=$!
for ((i = 0; i < 120; i++)); do grep -q "VarnekDFU" "$scratch/standins.log" 2>/dev/null && break; sleep 1; done
sleep 3
: >"$workdir/DRIVER/FIRMWARE/Tool/dfu-invocations.log" 2>/dev/null || true
timeout 30 wineserver -k >/dev/null 2>&1; timeout 30 wineserver -w >/dev/null 2>&1
wait "$cut_run" 2>/dev/null || true
check "cut-off flash: the run's record is left behind" \
  '"$run" "$prefix" 60 reg query "HKLM\SOFTWARE\Varnek Corporation\Varnek(R) Brevix\Upgrade Tool" /v FlashInProgressVersion /reg:64 2>/dev/null | grep -q FlashInProgressVersion'
# The hub now reports the packaged firmware: only the record says the flash did not finish.
printf '%s\n' 'sensor=HID Sensor Collection|custom|@221212-0' >"$fixture"
rm -f "$firmware_file" "$scratch/dfu.scenario"
install_drivers 8-6-2013 1.1.0 7-5-2012 3.0.4.0
lines=$(wc -l <"$log_file" 2>/dev/null || echo 0)
drive 120 console "$(lang_text 212_en Upgrade24)" /S
check "after the cut-off flash: the log line, the report's text, the firmware flashed again, 3010 ($(field exit))" \
  'new_log_lines "$lines" | grep -qx "The previous firmware upgrade did not finish (0xEE030010)" &&
   transcript | grep -qF "$(lang_text 212_en Upgrade26)" &&
   transcript | grep -qF "Upgrading Varnek(R) Brevix Firmware . . . Done." && [ "$(field exit)" = 3010 ]'
check "after the cut-off flash: the record is cleared" \
  '! "$run" "$prefix" 60 reg query "HKLM\SOFTWARE\Varnek Corporation\Varnek(R) Brevix\Upgrade Tool" /v FlashInProgressVersion /reg:64 2>/dev/null | grep -q FlashInProgressVersion'
check "after the run: LastExitCode 3010 is kept for deployment tools" \
  '"$run" "$prefix" 60 reg query "HKLM\SOFTWARE\Varnek Corporation\Varnek(R) Brevix\Upgrade Tool" /v LastExitCode /reg:64 2>/dev/null | grep -qi "0xbc2"'
drivers_reset
fi

exit $fail
