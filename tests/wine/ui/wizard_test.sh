#!/usr/bin/env bash
# The wizard on the simulated notebook, driven with real input (xdotool) on a display of its
# own and read back from its real windows (windump). Screenshots of the pages are left for a
# person to look at.
#   wizard_test.sh <product.exe> <windump.exe> <BrevixSensorServer.dll> <recordshutdown.exe> <screenshot-dir> [part]
# part: "pages" (the pages, keys, a full run and the restart choice, the languages),
# "endings" (how runs end: failures, odd messages, drivers only), or both when absent.
# WINEPREFIX names the prepared prefix. Registry fixtures are added here and removed again.
set -uo pipefail
if [ -z "${BREVIX_UI_DISPLAY:-}" ]; then
  BREVIX_UI_DISPLAY=1 exec timeout -k 10 880 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
args=("$@")
exe=$1 windump=$2 server_dll=$3 recorder=$4 shots=$5 part=${6:-all}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../architecture.sh"
prefix=$WINEPREFIX
# Wine would run its own built-in shutdown.exe in place of the recorder put into the system folder.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;shutdown.exe=n" LANG=C.UTF-8
mkdir -p "$shots"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; repeat_after_x11_fault; fi; }
# Wine's X11 driver now and then ends a program with an X protocol error (BadWindow on
# X_UnmapWindow) just after a translucent popup went away: a fault of the driver, which no call
# of a Windows program can cause. A check that fails after that starts this part again, once.
repeat_after_x11_fault() {
  [ -z "${BREVIX_WIZARD_REPEATED:-}" ] || return 0
  grep -q "X Error of failed request:  BadWindow" "$scratch/program.err" 2>/dev/null || return 0
  echo "--- Wine's X11 driver ended the program; what it wrote:"
  cat "$scratch/program.err"
  echo "--- this part runs again from the start"
  fail=0
  cleanup
  trap - EXIT
  BREVIX_WIZARD_REPEATED=1 exec "$0" "${args[@]}"
}
reg() { timeout 60 wine reg "$@" >/dev/null 2>&1; }
win_path() { timeout 30 winepath -w "$1" 2>/dev/null | tr -d '\r'; }

class='Varnek® Brevix Upgrade Tool App Class Name'
title='Varnek® Brevix Firmware Upgrade Tool'
quit=Quit
if runs_under_wow64 "$exe" "$prefix"; then pf="Program Files (x86)"; else pf="Program Files"; fi
workdir="$prefix/drive_c/$pf/Varnek Corporation/Varnek(R) Brevix/Upgrade Tool"

# ---- fixtures: installed drivers and the hub's firmware through the test sensor server ----
. "$here/../fixtures.sh"
instance=9991
[ "$(pe_machine "$exe")" = x86_64 ] && view=/reg:64 || view=/reg:32
scratch=$(mktemp -d /tmp/brevix-wizard.XXXXXX)
export BREVIX_SENSOR_FIXTURE BREVIX_SENSOR_FIRMWARE
BREVIX_SENSOR_FIXTURE=$(win_path "$scratch/sensors.txt")
# The hub's firmware after a flash: the flashing stand-in writes what it flashed here, and the
# sensor server reports it for a serial written "@<serial>" (the wizard reads it back).
BREVIX_SENSOR_FIRMWARE=$(win_path "$scratch/firmware.txt")
compositor=""
cleanup() {
  [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
  if [ "$fail" != 0 ] && [ -s "$scratch/program.err" ]; then echo "--- what the program wrote:"; cat "$scratch/program.err"; fi
  timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
  reg delete "$system_class\\$instance" /f
  reg delete "$usb_class\\$instance" /f
  reg delete "$clsid" "$view" /f
  [ -f "$scratch/shutdown.exe.orig" ] && cp "$scratch/shutdown.exe.orig" "$sysdir/shutdown.exe"
  "$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"
  rm -rf "$scratch" "$prefix/drive_c/shutdown-called.txt"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
reg add "$clsid\\InprocServer32" /ve /t REG_SZ /d "$(win_path "$server_dll")" "$view" /f
reg add "$clsid\\InprocServer32" /v ThreadingModel /t REG_SZ /d Both "$view" /f
current() {  # everything the package carries is installed already
  printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$scratch/sensors.txt"
  install_drivers 9-1-2013 1.1.0 7-5-2012 3.0.4.0
}
older() {
  printf '%s\n' 'sensor=HID Sensor Collection|custom|@221211-0' >"$scratch/sensors.txt"
  rm -f "$scratch/firmware.txt"
  install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
}

# ---- driving and reading the wizard -----------------------------------------------------
dump_file="$scratch/dump.txt"
dump() { timeout 30 wine "$windump" 10 "$class" --geometry "$@" | tr -d '\r' >"$dump_file"; }
text_of() { sed -n "s/^child|$1|[^|]*|\\([^|]*\\)|.*/\\1/p" "$dump_file" | head -1; }
visible() { grep -q "^child|$1|.*|vis=1" "$dump_file"; }
left_of() { sed -n "s/^child|$1|[^|]*|[^|]*|\\(-\\?[0-9]*\\),.*/\\1/p" "$dump_file" | head -1; }
focus_id() { sed -n 's/^focus|//p' "$dump_file"; }
log_text() { awk '/^child\|1004\|/{on=1} on&&/^child\|1012\|/{exit} on' "$dump_file"; }
popup_open() { timeout 20 wine "$windump" 1 '#32770' >/dev/null 2>&1; }
key() { xdotool key "$@"; sleep 0.4; }
shot() { import -window root "$shots/$1.png" 2>/dev/null; }
wizard_window() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1; }
popup_focus() {
  local i w=""
  for ((i = 0; i < 50; i++)); do
    w=$(xdotool search --onlyvisible --name "^$quit\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] && xdotool windowfocus --sync "$w" >/dev/null 2>&1
}

start_wrap=()  # a command the program runs under (a mount namespace of its own, say)
start() {
  rm -rf "$workdir/DRIVER" "$workdir/PidVid" "$workdir/ErrorCode.ini" "$workdir/UpgradeTool.log"
  "${start_wrap[@]}" timeout -k 5 400 wine "$exe" >>"$scratch/program.err" 2>&1 &
  program=$!
  local i
  timeout 40 wine "$windump" 30 "$class" >/dev/null 2>&1  # the dialog is up and initialised
  for ((i = 0; i < 100; i++)); do [ -n "$(wizard_window)" ] && break; sleep 0.2; done
  win=$(wizard_window)
  refocus
  sleep 0.5
  read -r wx wy < <(position)
}
position() { xdotool getwindowgeometry "$win" | sed -nE 's/.*Position: (-?[0-9]+),(-?[0-9]+).*/\1 \2/p'; }
wait_log() {  # <fixed text> [seconds]: polls the log until it holds the text
  local i
  for ((i = 0; i < ${2:-15} * 2; i++)); do
    dump
    log_text | grep -qF -- "$1" && return 0
    sleep 0.5
  done
  return 1
}
restart_called() {  # the recorder runs on after the program: give it a moment
  local i
  for ((i = 0; i < 40; i++)); do grep -q -- "-r -t 0 -f" "$prefix/drive_c/shutdown-called.txt" 2>/dev/null && return 0; sleep 0.25; done
  return 1
}
ended() {  # waits for the program to end
  local i
  for ((i = 0; i < 100; i++)); do kill -0 "$program" 2>/dev/null || return 0; sleep 0.2; done
  return 1
}
exited_with() {  # <Windows exit code>: the ended program's code, as the shell sees it (its low byte)
  local status=0
  wait "$program" 2>/dev/null || status=$?
  [ "$status" = $(($1 & 255)) ]
}
quit_through_popup() {  # Yes in the quit confirmation
  popup_focus
  key Left Return
}
popup_no() {  # No, and wait until the popup is gone
  popup_focus
  key Escape
  local i
  for ((i = 0; i < 25; i++)); do [ -z "$(xdotool search --onlyvisible --name "^$quit\$" 2>/dev/null)" ] && break; sleep 0.2; done
  refocus
}
refocus() {  # Wine may give the wizard a new X window when its popup goes
  win=$(wizard_window)
  xdotool windowfocus --sync "$win" >/dev/null 2>&1
}

# The system's shutdown.exe is replaced by a recorder for the run, and put back afterwards.
if runs_under_wow64 "$exe" "$prefix"; then sysdir="$prefix/drive_c/windows/syswow64"; else sysdir="$prefix/drive_c/windows/system32"; fi
cp "$sysdir/shutdown.exe" "$scratch/shutdown.exe.orig"
cp "$recorder" "$sysdir/shutdown.exe"

xcompmgr >/dev/null 2>&1 &
compositor=$!

if [ "$part" != endings ]; then
# 1. The licence page, its keys and the quit confirmation.
current
start
dump
shot 1-licence
check "licence: heading" '[ "$(text_of 1014)" = "License Agreement" ]'
check "licence: Accept on the right, Cancel on the left" \
  '[ "$(text_of 1000)" = Accept ] && [ "$(text_of 1001)" = Cancel ] && [ "$(left_of 1000)" -gt "$(left_of 1001)" ]'
check "licence: the licence text is in the log" 'log_text | grep -q "."'
check "licence: the focus rests on the title" '[ "$(focus_id)" = 1008 ]'
key Return
check "licence: Enter on the highlighted Cancel asks to quit" 'popup_open'
shot 2-popup-over-licence
popup_no
check "licence: No keeps the wizard" '! popup_open && kill -0 $program'
refocus
for k in Escape a b BackSpace Delete F1 alt; do key "$k"; done
dump
check "licence: Escape, Alt, letters and function keys do nothing" \
  '! popup_open && kill -0 $program && [ "$(text_of 1014)" = "License Agreement" ]'
key alt+F4
check "licence: Alt+F4 asks to quit" 'popup_open'
popup_no
check "licence: No closes the confirmation Alt+F4 opened" '! popup_open'
timeout 20 wine "$windump" 5 "$class" --post-close >/dev/null 2>&1
sleep 1
check "licence: a posted close command asks to quit" 'popup_open'
popup_no
check "licence: No closes that confirmation too" '! popup_open'

# Drag by a free spot.
refocus
read -r wx wy < <(position)
xdotool mousemove --sync $((wx + 40)) $((wy + 300)) mousedown 1 mousemove --sync $((wx + 140)) $((wy + 350)) \
  mouseup 1
sleep 0.5
read -r nx ny < <(position)
check "a drag on a free spot moves the window" '[ -n "$nx" ] && [ -n "$wx" ] && { [ "$nx" != "$wx" ] || [ "$ny" != "$wy" ]; }'
wx=$nx wy=$ny

# Hover focus of the title-bar buttons.
dump
mx=$(left_of 1006)
xdotool mousemove --sync $((wx + mx + 10)) $((wy + 15))
sleep 0.5
dump
check "the pointer on the minimise button gives it the focus" '[ "$(focus_id)" = 1006 ]'
xdotool mousemove --sync $((wx + 300)) $((wy + 300))
sleep 0.5
dump
check "moving away gives the focus back to the title" '[ "$(focus_id)" = 1008 ]'

# The wheel over the licence moves the log.
first_line() { sed -n 's/.*|vis=[01]|first=\([0-9]*\)|.*/\1/p' "$dump_file"; }
before=$(first_line)
xdotool mousemove --sync $((wx + 300)) $((wy + 250)) click 5 click 5 click 5
sleep 0.5
dump
after=$(first_line)
check "the wheel scrolls the licence" '[ -n "$after" ] && [ "$after" -gt "$before" ]'
# The skinned bar's down arrow (bottom of the bar, beside the log) moves the log as well.
xdotool mousemove --sync $((wx + 666)) $((wy + 410)) click 1 click 1
sleep 0.5
dump
check "the scroll bar's arrow scrolls the licence" '[ "$(first_line)" -gt "$after" ]'
refocus

# 2. Tab, Accept, Back, Accept: the package is extracted once.
key Tab Return
dump
shot 3-introduction
check "introduction: heading and buttons" \
  '[ "$(text_of 1014)" = "Welcome to the Setup Program" ] && [ "$(text_of 1000)" = Next ] && [ "$(text_of 1001)" = Back ]'
check "Accept extracted the package" '[ -f "$workdir/PidVid" ] && [ -f "$workdir/DRIVER/ACPI/VarnekBrevixAcpi.inf" ]'
rm -f "$workdir/PidVid"
key Left Return
dump
check "Back returns to the licence" '[ "$(text_of 1000)" = Accept ]'
key Right Return
dump
check "Accept again: not extracted a second time" '[ "$(text_of 1000)" = Next ] && [ ! -f "$workdir/PidVid" ]'
timeout 20 wine "$windump" 5 "$class" --post-close >/dev/null 2>&1
sleep 1
check "introduction: a posted close command asks to quit" 'popup_open'
popup_no

# 3. Next: the checks find everything current and the wizard goes straight to Finish.
key Return
check "all current: the report ends the log" \
  'wait_log "Installed drivers are all latest, click Finish button to exit setup program."'
shot 4-all-current-finish
check "all current: Finish on the right, Next hidden" \
  '[ "$(text_of 1001)" = Finish ] && ! visible 1000 && [ "$(left_of 1001)" = 582 ]'
check "all current: no restart question" '! visible 1015 && ! visible 2012'
log_before=$(log_text)
xdotool mousemove --sync $((wx + 300)) $((wy + 250)) click 1
key x y z BackSpace
dump
check "letters do not change the log" '[ "$(log_text)" = "$log_before" ]'
refocus
timeout 20 wine "$windump" 5 "$class" --post-close >/dev/null 2>&1
key Escape alt+F4
sleep 0.5
check "finish page: no quit confirmation, the wizard stays" '! popup_open && kill -0 $program'
key Return
check "Finish ends the program" 'ended'
check "all current, Finish: exit 0" 'exited_with 0'
check "Finish started no restart" '! restart_called'
check "the work files are gone, the log stays where it was written" \
  'sleep 2; [ ! -e "$workdir/DRIVER" ] && [ ! -e "$workdir/ErrorCode.ini" ] && [ ! -e "$workdir/PidVid" ]'

# 4. Quit through the popup on the introduction page: only the log stays.
older
start
key Tab Return
key Left
dump
check "introduction reached again" '[ "$(text_of 1014)" = "Welcome to the Setup Program" ]'
xdotool mousemove --sync $((wx + $(left_of 1007) + 10)) $((wy + 15)) click 1
sleep 1
check "the close button asks to quit" 'popup_open'
quit_through_popup
check "Yes ends the wizard" 'ended'
check "quit before the work: exit 1602" 'exited_with 1602'
sleep 2
check "quitting leaves no work files" \
  '[ ! -e "$workdir/DRIVER" ] && [ ! -e "$workdir/ErrorCode.ini" ] && [ ! -e "$workdir/PidVid" ]'

# 5. Something to upgrade: the checking report and the Upgrade button.
start
key Tab Return Return
check "older drivers: the report names them" 'wait_log "Old drivers are as below, click upgrade button to upgrade them."'
shot 5-checking-en
check "checking page: Upgrade and Back" '[ "$(text_of 1000)" = Upgrade ] && [ "$(text_of 1001)" = Back ]'
key Return
sleep 0.5
dump
shot 6-upgrading
check "upgrade: Upgrade hidden, Cancel on the right" \
  '! visible 1000 && [ "$(text_of 1001)" = Cancel ] && [ "$(left_of 1001)" = 582 ]'
check "upgrade: the subtitle asks to wait" 'visible 1013'
xdotool mousemove --sync $((wx + 600)) $((wy + 480)) click 1
timeout 20 wine "$windump" 5 "$class" --post-close >/dev/null 2>&1
key Escape alt+F4 Tab Return
sleep 0.5
check "upgrade: Cancel, close and keys do nothing" '! popup_open && kill -0 $program'
# A sender that gets in before the flashing tool was started is not heard: a forged success
# (and a failure) written while the drivers install change nothing.
printf 'send 0 5 0\nsend 1 2 0\nexit 0\n' >"$scratch/forged.scenario"
BREVIX_DFU_SCENARIO=$(win_path "$scratch/forged.scenario") timeout 30 wine \
  "$(dirname "$exe")/standins/DRIVER/FIRMWARE/Tool/VarnekDFU.exe" -file "C:\windows\win.ini" -sync >/dev/null 2>&1
# The run itself, with the stand-ins: both drivers, then the flashing tool's progress.
wait_log "Upgrading Varnek® Brevix Firmware" 60
sleep 1
shot 7-upgrading-firmware
check "upgrade: the run reaches the finish page" 'wait_log "Click Finish to exit the setup program." 60'
shot 8-finish-restart-choice
check "upgrade: each step ends Done." \
  'log_text | grep -qF "Upgrading Varnek® Brevix ACPI Driver . . . Done." &&
   log_text | grep -qF "Upgrading Varnek® Brevix STTube Driver . . . Done." &&
   log_text | grep -qF "Finding device . . . Done." &&
   log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Done." &&
   log_text | grep -qF "Upgrade Finished!"'
check "upgrade: Finish on the right and the restart question" \
  '[ "$(text_of 1001)" = Finish ] && visible 1015 && visible 2012 && visible 2013'
check "upgrade: the progress bar is gone" '! grep -q "^child|65535|Static||[0-9,]*|vis=1" "$dump_file"'
check "upgrade: the forged reports before the tool's start changed nothing" '! log_text | grep -q "Failed!"'
check "upgrade: the log file has no error line" \
  '[ ! -f "$workdir/UpgradeTool.log" ] || ! grep -q "0xEE" "$workdir/UpgradeTool.log"'
rm -f "$prefix/drive_c/shutdown-called.txt"
refocus
key Return  # Finish is highlighted; "restart now" is preselected
check "Finish ends the program" 'ended'
check "restart now: the system's shutdown.exe ran with a forced immediate restart" 'restart_called'
check "restart now: exit 1641" 'exited_with 1641'
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"

# The same run with "restart later", chosen by a click on the second choice's text.
older
start
key Tab Return Return
wait_log "click upgrade button" 30
key Return
check "later: the run reaches the finish page" 'wait_log "Click Finish to exit the setup program." 60'
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1
sleep 0.5
shot 9-finish-restart-later
rm -f "$prefix/drive_c/shutdown-called.txt"
refocus
key Tab Tab Tab Return  # the frame cycles back to Finish
check "later: Finish ends the program" 'ended'
check "later: nothing restarts" '! restart_called'
check "later: exit 3010" 'exited_with 3010'
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"

fi

if [ "$part" != pages ]; then
# 6. How runs end: failure reports of the flashing tool, odd messages, a missing installer,
# a registry that never shows the driver, drivers only. Each run goes from Accept to the finish
# page; its log lines and the closing texts are checked.
drivers_current_firmware_older() {
  printf '%s\n' 'sensor=HID Sensor Collection|custom|@221211-0' >"$scratch/sensors.txt"
  rm -f "$scratch/firmware.txt"
  install_drivers 9-1-2013 1.1.0 7-5-2012 3.0.4.0
}
firmware_current_drivers_older() {
  printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$scratch/sensors.txt"
  install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
}
export BREVIX_DFU_SCENARIO BREVIX_DPINST_SCENARIO
BREVIX_DFU_SCENARIO=$(win_path "$scratch/dfu.scenario")
BREVIX_DPINST_SCENARIO=$(win_path "$scratch/dpinst.scenario")
: >"$scratch/dpinst.scenario"
run_to_finish() {  # [after-accept command]: Accept, Next, Upgrade, then the finish page
  start
  key Tab Return
  [ $# -gt 0 ] && "$@"
  key Return
  wait_log "click upgrade button" 30 || return 1
  key Return
  wait_log "Click Finish to exit the setup program." 90
}
log_file_has() { grep -qF -- "$1" "$workdir/UpgradeTool.log" 2>/dev/null; }
stop_program() { timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null; }

# Failure reports: status 1 with the error types, each with its result and its log line.
drivers_current_firmware_older
# Types 1 and 2 come while "Finding device" still runs and close it; the others after the
# device was found.
# A failure closes the step that runs; the ones the tool cannot recover from add their line.
for case in "1|0|Finding device . . . Failed!|Firmware integrity verification failed (0xEE020003)" \
            "2|0|Finding device . . . Failed!|Can not find the device (0xEE030004)" \
            "3|1|Upgrading Varnek® Brevix Firmware . . . Failed!|Can not enter DFU mode (0xEE03000A)" \
            "5|1|Upgrading Varnek® Brevix Firmware . . . Failed!|Firmware driver upgrade failed (0xEE030003)" \
            "6|1|Upgrading Varnek® Brevix Firmware . . . Failed!|Cannot exit DFU mode (0xEE03000D)" \
            "7|1|Upgrading Varnek® Brevix Firmware . . . Failed!|Cannot enable device (0xEE03000E)"; do
  IFS='|' read -r type found shown logged <<<"$case"
  # The reports come the moment the tool runs: they are the started tool's all the same.
  { [ "$found" = 1 ] && printf 'send 0 2 0\nsleep 300\n'; printf 'send 1 %s 0\nsleep 30000\n' "$type"; } \
    >"$scratch/dfu.scenario"
  rm -f "$workdir/UpgradeTool.log"
  check "tool failure type $type: the stage ends on the finish page" 'run_to_finish'
  check "tool failure type $type: the log shows it, the upgrade log has its line" \
    'log_text | grep -qF "$shown" && log_file_has "$logged" && [ "$(grep -c . "$workdir/UpgradeTool.log")" = 1 ]'
  if [ "$found" = 1 ]; then
    check "tool failure type $type: \"Upgrade firmware failed!\"" 'log_text | grep -qF "Upgrade firmware failed!"'
  fi
  stop_program
done

# A failure after a progress report: the failure and the closing texts can be read on the
# finish page, and nothing animates the log any more.
printf 'send 0 2 0\nsend 0 4 30\nsleep 500\nsend 1 5 0\nsleep 30000\n' >"$scratch/dfu.scenario"
check "failure after 30 %: the stage ends on the finish page" 'run_to_finish'
check "failure after 30 %: the failure and the closing texts are shown" \
  'log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Failed!" &&
   log_text | grep -qF "Upgrade firmware failed!" && log_text | grep -qF "Upgrade Finished!" &&
   log_text | grep -qF "Click Finish to exit the setup program."'
dump
first_reading=$(log_text)
sleep 2
dump
check "failure after 30 %: the log is still (two readings 2 s apart)" '[ "$(log_text)" = "$first_reading" ]'
refocus
key Return
check "failure: Finish ends the program with 1603" 'ended && exited_with 1603'
stop_program

# Failure type 4: the stage ends and nothing is logged.
printf 'send 1 4 0\nsleep 30000\n' >"$scratch/dfu.scenario"
rm -f "$workdir/UpgradeTool.log"
check "tool failure type 4: the stage ends" 'run_to_finish'
check "tool failure type 4: nothing in the upgrade log" '[ ! -s "$workdir/UpgradeTool.log" ]'
stop_program

# Progress 10, 5, 20, 20, 0, then a message too long and one too short: only 10 and 20 move the
# bar, the odd messages change nothing, and the success after them ends the firmware step.
printf '%s\n' 'sleep 300' 'send 0 2 0' 'send 0 4 10' 'send 0 4 5' 'send 0 4 20' 'send 0 4 20' 'send 0 4 0' \
  'bytes 00 00 05 00 00 00 00' 'bytes 00 00 05' 'sleep 4000' 'flash' 'send 0 5 0' 'sleep 30000' >"$scratch/dfu.scenario"
start
key Tab Return
key Return
wait_log "click upgrade button" 30
key Return
wait_log "Upgrading Varnek® Brevix Firmware" 60
sleep 2
dump
shot 11-progress-20
fill=$(grep '^child|65535|' "$dump_file" | sed -n 2p | cut -d'|' -f5 | cut -d, -f3)
check "progress 10, 5, 20, 20, 0: the bar stands at 20 % (102 of 512 pixels)" '[ "$fill" = 102 ]'
check "oversize and short messages end nothing" '! log_text | grep -q "Finished"'
check "progress: the success after them ends the run" 'wait_log "Click Finish to exit the setup program." 30'
check "progress: the firmware line is written once, and ends Done." \
  '[ "$(log_text | grep -c "Upgrading Varnek® Brevix Firmware")" = 1 ] &&
   log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Done."'
stop_program

# Close requests during the upgrade: "End task" (taskkill without /f sends WM_CLOSE) while the
# ACPI installer runs and again during the flash, and a log-off (wineboot --end-session) during
# the flash: the wizard stays on its page and the run completes.
exe_name=$(basename "$exe")
still_upgrading() { kill -0 "$program" 2>/dev/null && dump && [ "$(text_of 1001)" = Cancel ]; }
install_drivers 6-21-2013 1.0.0.5 7-5-2012 3.0.4.0
printf '%s\n' 'sensor=HID Sensor Collection|custom|@221211-0' >"$scratch/sensors.txt"
rm -f "$scratch/firmware.txt"
printf 'ACPI=6000\n' >"$scratch/dpinst.scenario"
printf 'sleep 300\nsend 0 2 0\nsend 0 4 20\nsleep 2500\nsend 0 4 60\nsleep 2500\nflash\nsend 0 4 100\nsend 0 5 0\nsleep 60000\n' \
  >"$scratch/dfu.scenario"
start
key Tab Return Return
wait_log "click upgrade button" 30
key Return
wait_log "Upgrading Varnek® Brevix ACPI Driver" 30
timeout 30 wine taskkill /im "$exe_name" >/dev/null 2>&1
sleep 1
check "End task during the driver install: the wizard stays on its page" 'still_upgrading'
wait_log "Upgrading Varnek® Brevix Firmware" 60
timeout 30 wine taskkill /im "$exe_name" >/dev/null 2>&1
timeout 30 wineboot --end-session >/dev/null 2>&1
sleep 1
check "End task and a log-off during the flash: the wizard stays on its page" 'still_upgrading'
check "closed and logged off: the run still completes, every step Done." \
  'wait_log "Click Finish to exit the setup program." 60 &&
   log_text | grep -qF "Upgrading Varnek® Brevix ACPI Driver . . . Done." &&
   log_text | grep -qF "Finding device . . . Done." &&
   log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Done."'
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1  # restart later
sleep 0.5
refocus
key Tab Tab Tab Return
check "closed and logged off: Finish ends 3010" 'ended && exited_with 3010'
: >"$scratch/dpinst.scenario"
stop_program
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"

# Only the drivers: the stage ends once they are done, without the firmware step.
firmware_current_drivers_older
rm -f "$workdir/UpgradeTool.log"
check "drivers only: the run reaches the finish page" 'run_to_finish'
check "drivers only: both drivers Done., no firmware step, no error line" \
  'log_text | grep -qF "STTube Driver . . . Done." && ! log_text | grep -q "Finding device" &&
   [ ! -s "$workdir/UpgradeTool.log" ]'
stop_program
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"

# The ACPI installer removed from the unpacked package after extraction: the ACPI driver is no
# longer what was packed, so nothing of it starts and its step fails at once; the rest runs.
remove_acpi_installer() { rm -f "$workdir/DRIVER/ACPI/dpinst.exe"; }
rm -f "$workdir/UpgradeTool.log"
check "installer missing: the run reaches the finish page" 'run_to_finish remove_acpi_installer'
check "installer missing: ACPI Failed! and its integrity line, STTube Done., exactly the table's line" \
  'log_text | grep -qF "ACPI Driver . . . Failed!" && log_text | grep -qF "ACPI Driver integrity check failed!" &&
   log_text | grep -qF "STTube Driver . . . Done." &&
   log_file_has "ACPI driver integrity verification failed (0xEE020001)" &&
   [ "$(grep -c . "$workdir/UpgradeTool.log")" = 1 ]'
stop_program

# The firmware file changed after extraction: the flashing tool never starts, the firmware step
# fails with its integrity line, the drivers still upgrade.
drivers_current_firmware_older
change_firmware() { printf '!' >>"$(ls -d "$workdir"/DRIVER/FIRMWARE/File/* | head -1)"; }
printf 'flash\nsend 0 5 0\nsleep 30000\n' >"$scratch/dfu.scenario"
rm -f "$workdir/UpgradeTool.log"
check "firmware changed: the run reaches the finish page" 'run_to_finish change_firmware'
check "firmware changed: Finding device Failed! and the integrity line, exactly the table's line" \
  'log_text | grep -qF "Finding device . . . Failed!" && log_text | grep -qF "Firmware integrity check failed!" &&
   log_file_has "Firmware integrity verification failed (0xEE020003)" &&
   [ "$(grep -c . "$workdir/UpgradeTool.log")" = 1 ]'
check "firmware changed: the tool never flashed" '[ ! -e "$scratch/firmware.txt" ]'
stop_program

# A tool that reports success while the hub keeps its old firmware: read back, "Failed!".
drivers_current_firmware_older
printf 'send 0 2 0\nsend 0 4 100\nsend 0 5 0\nsleep 60000\n' >"$scratch/dfu.scenario"
rm -f "$workdir/UpgradeTool.log"
check "flash not taken: the run reaches the finish page" 'run_to_finish'
check "flash not taken: the firmware step Failed! and the log's mismatch line" \
  'log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Failed!" &&
   log_file_has "Upgrade FW not match the source (0xEE03000C)"'
stop_program
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"

# The registry never shows the ACPI driver: the step fails after its 60 tests (about 30 s).
printf 'ACPI=never\n' >"$scratch/dpinst.scenario"
rm -f "$workdir/UpgradeTool.log"
check "registry never updated: the run reaches the finish page" 'run_to_finish'
check "registry never updated: ACPI Failed! and its log line" \
  'log_text | grep -qF "ACPI Driver . . . Failed!" && log_file_has "ACPI driver upgrade failed (0xEE030001)"'
stop_program
: >"$scratch/dpinst.scenario"
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"
unset BREVIX_DFU_SCENARIO BREVIX_DPINST_SCENARIO
fi

if [ "$part" != pages ]; then
# Power: Wine answers GetSystemPowerStatus from /sys/class/power_supply; a mount namespace of
# the program's own shows it a notebook on battery at 80 %. The report warns, the firmware step
# shows the text and waits; the adapter plugged in (its "online" file written), the flash runs
# and ends Done. The same warning in Russian on the checking page.
power="$scratch/power"
mkdir -p "$power/AC" "$power/BAT0"
echo Mains >"$power/AC/type"; echo 0 >"$power/AC/online"
echo Battery >"$power/BAT0/type"; echo 1 >"$power/BAT0/present"; echo Discharging >"$power/BAT0/status"
echo 11000000 >"$power/BAT0/voltage_now"; echo 1000000 >"$power/BAT0/current_now"
echo 5000000 >"$power/BAT0/charge_full"; echo 4000000 >"$power/BAT0/charge_now"
# (root's own mount namespace, or, where root may not make one, one of a user namespace)
namespace=(unshare -m --propagation private)
unshare -m --propagation private true 2>/dev/null || namespace=(unshare -Urm --propagation private)
start_wrap=("${namespace[@]}" bash -c 'mount --bind "$0" /sys/class/power_supply && exec "$@"' "$power")
drivers_current_firmware_older
power_text="Connect the power adapter: the firmware is upgraded only on AC power with the battery charged to at least 25%."
printf 'sleep 300\nsend 0 2 0\nsend 0 4 50\nsleep 1000\nflash\nsend 0 4 100\nsend 0 5 0\nsleep 60000\n' >"$scratch/dfu.scenario"
export BREVIX_DFU_SCENARIO
BREVIX_DFU_SCENARIO=$(win_path "$scratch/dfu.scenario")
rm -f "$scratch/firmware.txt"
start
key Tab Return Return
check "on battery: the report warns" 'wait_log "$power_text" 30'
shot 12-report-power-warning-en
key Return
sleep 6
dump
shot 13-firmware-step-waits-for-power
check "on battery: the firmware step shows the text and waits, the tool not started" \
  'log_text | grep -qF "$power_text" && ! log_text | grep -q "Finding device" && [ ! -e "$scratch/firmware.txt" ]'
echo 1 >"$power/AC/online"
echo Charging >"$power/BAT0/status"
check "adapter plugged in: the flash runs and ends Done." \
  'wait_log "Click Finish to exit the setup program." 60 && log_text | grep -qF "Upgrading Varnek® Brevix Firmware . . . Done."'
refocus
xdotool mousemove --sync $((wx + 200)) $((wy + 509)) click 1  # restart later
sleep 0.5
refocus
key Tab Tab Tab Return
check "adapter plugged in: Finish ends 3010" 'ended && exited_with 3010'
stop_program
echo 0 >"$power/AC/online"
rm -f "$scratch/firmware.txt"  # the hub holds its old firmware again
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"
drivers_current_firmware_older
export LANG=ru_RU.UTF-8
ru_text=$(grep '^Upgrade25=' "$here/../../../resources/lang/208_ru.ini" | cut -d= -f2- | tr -d '\r')
title=$(grep '^Publisher01=' "$here/../../../resources/lang/208_ru.ini" | cut -d= -f2- | tr -d '\r')
start
key Tab Return Return
check "ru_RU on battery: the report warns in Russian" 'wait_log "${ru_text:0:20}" 30'
shot 14-report-power-warning-ru
stop_program
export LANG=C.UTF-8
title='Varnek® Brevix Firmware Upgrade Tool'
start_wrap=()
unset BREVIX_DFU_SCENARIO
"$here/../../../scripts/wine-drivers-reset.sh" "$prefix" "$(dirname "$exe")"
fi

if [ "$part" != endings ]; then
# 7. The checking report in a CJK and a Cyrillic language.
for pair in ja_JP:201_ja ru_RU:208_ru; do
  locale=${pair%%:*} table=${pair#*:}
  lang_ini="$here/../../../resources/lang/$table.ini"
  title=$(grep '^Publisher01=' "$lang_ini" | cut -d= -f2- | tr -d '\r')
  export LANG=$locale.UTF-8
  start
  key Tab Return Return
  expected=$(grep '^Checking10=' "$lang_ini" | cut -d= -f2- | tr -d '\r')
  check "$locale: the report in the language's words" 'wait_log "$expected"'
  shot "10-checking-$locale"
  timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
done

fi

exit $fail
