#!/usr/bin/env bash
# Start-up of the real executable on the simulated notebook:
#  - with a supported hub it passes its gates silently and makes its working directory;
#  - without one it shows the refusal message with the language text and nothing else (a silent
#    run writes it to its output instead of a box), and ends with 1633 (the unix shell sees only the low byte of Wine's exit code; the console
#    test reads the whole code);
#  - a second instance ends at once, without a message, leaving the first one's window; its
#    exit code says another instance is running. So does a run while a run in another logon
#    session holds the machine's name ("Global\<name>").
# Runs under an X display (Xvfb in CI).
set -uo pipefail
exe=$1 windump=$2 holdinstance=$3 prefix=$4
run="$(dirname "$0")/../../scripts/wine-run.sh"
export LANG=C.UTF-8  # English, and command-line arguments that carry "®" intact
. "$(dirname "$0")/architecture.sh"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
reg() { "$run" "$prefix" 60 reg "$@" >/dev/null 2>&1; }
usb='HKLM\SYSTEM\CurrentControlSet\Enum\USB'
hub="$usb"'\VID_7A1D&PID_0A04'
# A 32-bit program on 64-bit Windows (WOW64) works under "Program Files (x86)"; any other
# under "Program Files".
if runs_under_wow64 "$exe" "$prefix"; then
  programs="Program Files (x86)" other="Program Files" kind="32-bit on 64-bit Windows"
else
  programs="Program Files" other="Program Files (x86)" kind="$(pe_machine "$exe") on $(prefix_arch "$prefix")"
fi
workdir="$prefix/drive_c/$programs/Varnek Corporation/Varnek(R) Brevix/Upgrade Tool"

# 1. Supported notebook (the prefix's fixture): silent, working directory made.
rm -rf "$prefix/drive_c/$programs/Varnek Corporation" "$prefix/drive_c/$other/Varnek Corporation"
"$run" "$prefix" 60 "$exe" & pid=$!
wizard=$("$run" "$prefix" 40 "$windump" 30 'Varnek® Brevix Upgrade Tool App Class Name' | tr -d "\r")
out=$("$run" "$prefix" 15 "$windump" 2 '#32770' --close | tr -d "\r")
kill $pid 2>/dev/null; wait $pid 2>/dev/null
timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
echo "$out"
check "supported hub: no message box" '[ "$out" = none ]'
check "supported hub: the wizard opens on the licence" 'grep -q "^child|1000|Button|Accept" <<<"$wizard"'
check "working directory under $programs ($kind)" '[ -d "$workdir" ]'
check "nothing made under $other" '[ ! -e "$prefix/drive_c/$other/Varnek Corporation" ]'

# 2. No supported hub: USB and HID hold other devices only.
reg delete "$hub" /f
reg add "$usb"'\ROOT_HUB20\4&1' /f
"$run" "$prefix" 60 "$exe" & pid=$!
out=$("$run" "$prefix" 30 "$windump" 25 '#32770' --close | tr -d "\r")
wait $pid; status=$?
echo "$out"
check "refused with 1633 (the shell sees its low byte, $status)" '[ $status = $((1633 & 255)) ]'
check "refusal message shows the language text" 'grep -qF "|Varnek® Brevix is not supported. Please quit." <<<"$out"'
check "refusal titled with the application name" 'grep -qF "window|#32770|Varnek(R) Brevix Firmware Upgrade Tool" <<<"$out"'

# 2b. The same in other languages (the UI language follows LANG under Wine).
for pair in de_DE:192_de ja_JP:201_ja ru_RU:208_ru zh_CN:188_zh-CN el_GR:193_el; do
  locale=${pair%%:*} table=${pair#*:}
  LANG=$locale.UTF-8 "$run" "$prefix" 60 "$exe" & pid=$!
  out=$(LANG=$locale.UTF-8 "$run" "$prefix" 30 "$windump" 25 '#32770' --close | tr -d "\r")
  wait $pid; status=$?
  expected=$(grep '^Popup02=' "$(dirname "$0")/../../resources/lang/$table.ini" | cut -d= -f2-)
  check "$locale refusal text, 1633" 'grep -qF "|$expected" <<<"$out" && [ $status = $((1633 & 255)) ]'
done

# 2c. A silent run is refused the same way, but a deployment script has nobody to press OK: no
#     box, the text in the run's output (redirected to a file here), 1633.
silent_out=$(mktemp /tmp/brevix-silent.XXXXXX)
"$run" "$prefix" 60 "$exe" /S >"$silent_out" 2>/dev/null </dev/null & pid=$!
out=$("$run" "$prefix" 20 "$windump" 12 '#32770' --close | tr -d "\r")
wait $pid; status=$?
echo "silent: $(tr -d '\r' <"$silent_out")"
check "silent run refused with 1633 without a box" '[ "$out" = none ] && [ $status = $((1633 & 255)) ]'
check "silent refusal text in its output" 'tr -d "\r" <"$silent_out" | grep -qxF "Varnek(R) Brevix is not supported. Please quit."'
rm -f "$silent_out"

# 3. A lower-case key is no match either (the comparison is case-sensitive).
reg add "$usb"'\vid_7a1d&pid_0a04\1' /f
"$run" "$prefix" 60 "$exe" & pid=$!
out=$("$run" "$prefix" 30 "$windump" 25 '#32770' --close | tr -d "\r")
wait $pid; status=$?
check "lower-case device key is refused with 1633" 'grep -qF "is not supported" <<<"$out" && [ $status = $((1633 & 255)) ]'
reg delete "$usb"'\vid_7a1d&pid_0a04' /f
reg delete "$usb"'\ROOT_HUB20' /f
reg add "$hub"'\5&2A3B4C5D&0&1' /v DeviceDesc /t REG_SZ /d "Varnek(R) Brevix Sensor Hub" /f

# 4. Second instance: another process holds the name and a window of the class.
out=$("$run" "$prefix" 60 "$holdinstance" "$(winepath=1; "$run" "$prefix" 20 winepath -w "$exe" 2>/dev/null)" | tr -d "\r")
echo "$out"
check "second instance ends by itself with 1618 (another instance is running)" 'grep -q "^exit=1618$" <<<"$out"'
check "first instance's window stays" 'grep -q "^window-kept=1" <<<"$out"'

# 4b. A run in another logon session (another user switched in, a remote desktop): of it only
#     the machine's name shows here.
out=$("$run" "$prefix" 60 "$holdinstance" --machine "$(winepath=1; "$run" "$prefix" 20 winepath -w "$exe" 2>/dev/null)" | tr -d "\r")
echo "$out"
check "a run in another session: this one ends by itself with 1618" 'grep -q "^exit=1618$" <<<"$out"'

# 5. Nowhere safe to work: its own folder writable by everyone (Wine shows mode 0777 as Everyone
#    with full control) and the system's temporary folder a symbolic link (Wine shows it as a
#    junction), so no fresh folder can be made safe either: the box says so, 1603; a silent run
#    writes the text, 1603. Nothing is left in the temporary folder's target.
temp="$prefix/drive_c/windows/temp"
mv "$temp" "$temp.aside" && mkdir -p "$temp.target" && ln -s "$temp.target" "$temp"
chmod 0777 "$workdir"
no_safe=$(grep '^Popup03=' "$(dirname "$0")/../../resources/lang/212_en.ini" | cut -d= -f2- | tr -d '\r')
"$run" "$prefix" 60 "$exe" & pid=$!
out=$("$run" "$prefix" 30 "$windump" 25 '#32770' --close | tr -d "\r")
wait $pid; status=$?
check "no safe folder: the box says so, 1603" 'grep -qF "|$no_safe" <<<"$out" && [ $status = $((1603 & 255)) ]'
silent_out=$(mktemp /tmp/brevix-silent.XXXXXX)
"$run" "$prefix" 60 "$exe" /S >"$silent_out" 2>/dev/null </dev/null; status=$?
check "no safe folder: a silent run writes the text, 1603" \
  'tr -d "\r" <"$silent_out" | grep -qxF "$no_safe" && [ $status = $((1603 & 255)) ]'
check "no safe folder: nothing left behind the link (left: $(ls -A "$temp.target" | tr '\n' ' '))" \
  '[ -z "$(ls -A "$temp.target")" ]'
rm -f "$silent_out" "$temp" && rmdir "$temp.target" && mv "$temp.aside" "$temp"
chmod 0755 "$workdir"

exit $fail
