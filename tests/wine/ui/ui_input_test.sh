#!/usr/bin/env bash
# The skin's controls driven with real input on a display of their own (Xvfb, with a compositor
# where translucency must show), and screenshots for a person to look at.
#   ui_input_test.sh <ui_host.exe> <skin-image-dir> <screenshot-dir>
# WINEPREFIX names the prepared prefix.
set -uo pipefail
if [ -z "${BREVIX_UI_DISPLAY:-}" ]; then
  BREVIX_UI_DISPLAY=1 exec timeout -k 10 280 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
host=$1 skin=$2 shots=$3
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$shots"
work=$(mktemp -d)
events="$work/events.txt"
winevents="Z:$(tr / '\\' <<<"$events")"
fail=0
compositor=""
trap 'cleanup' EXIT

check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
cleanup() {
  [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
  timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
  rm -rf "$work"
}
wait_for() {  # <pattern> [seconds]
  local i
  for ((i = 0; i < ${2:-10} * 10; i++)); do grep -qE -- "$1" "$events" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
start_host() {  # <scene> [range position]
  : >"$events"
  timeout -k 5 60 wine "$host" "$winevents" "$@" >/dev/null 2>&1 &
  wait_for '^ready' 40 || { echo "host did not start ($*)"; return 1; }
  read -r hx hy bx by < <(sed -nE 's/^ready host=(-?[0-9]+),(-?[0-9]+) bar=(-?[0-9]+),(-?[0-9]+)/\1 \2 \3 \4/p' "$events")
  # The bar's window sits on the host: input goes to the window under the pointer.
  xdotool search --sync --name "Brevix UI host" windowfocus --sync >/dev/null 2>&1
}
stop_host() { timeout 20 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null; }
count() { grep -cE -- "$1" "$events"; }
last_position() { grep -E '^vscroll ' "$events" | tail -1 | cut -d' ' -f3; }
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
popup_window() { xdotool search --name "Brevix UI popup" | head -1; }

# ---- popup: keyboard, mouse, dragging -----------------------------------------------------
popup_keys() {  # <expect owner-close 0|1> <keys...>; the key "open?" checks the popup is still open
  local closes=$1
  shift
  start_host popup && wait_for '^popup-open' 20
  local w
  w=$(popup_window)
  xdotool windowfocus --sync "$w" >/dev/null 2>&1
  for k in "$@"; do
    if [ "$k" = "open?" ]; then
      sleep 0.6
      check "popup, keys $*: still open before the last key" '! grep -q "^popup-result" "$events"'
    else
      xdotool key "$k"; sleep 0.15
    fi
  done
  wait_for '^popup-result' 10
  check "popup, keys $*: ends with IDCANCEL" 'grep -qx "popup-result 2" "$events"'
  check "popup, keys $*: owner asked to close $closes time(s)" '[ "$(count "^owner-close")" = "$closes" ]'
  if [ "$closes" = 1 ]; then
    wait_for '^host-result' 10
    check "popup, keys $*: the owner ended through its cancel command" 'grep -qx "host-result 2" "$events"'
  fi
  stop_host
}
popup_keys 0 Return
popup_keys 1 Left Return
popup_keys 0 Left Right space
popup_keys 1 Tab Return
popup_keys 0 Left Escape
popup_keys 0 a F4 Down Tab Tab "open?" Return  # other keys do nothing; Tab twice is back on No
popup_keys 0 alt "open?" Escape                # Alt opens no menu: one Escape ends the popup

# The mouse on Yes highlights it while No keeps the default: Enter still answers No.
start_host popup && wait_for '^popup-open' 20
w=$(popup_window)
eval "$(xdotool getwindowgeometry --shell "$w")"
px=$X py=$Y
xdotool windowfocus --sync "$w" >/dev/null 2>&1
xdotool mousemove $((px + 140)) $((py + 180)); sleep 0.5
xdotool key Return
wait_for '^popup-result' 10
check "mouse resting on Yes highlights it while No keeps the default" 'grep -qx "popup-looks yes=3,0 no=3,2" "$events"'
check "mouse resting on Yes, Enter answers No" '[ "$(count "^owner-close")" = 0 ] && grep -qx "popup-result 2" "$events"'
stop_host

# A click on Yes confirms.
start_host popup && wait_for '^popup-open' 20
eval "$(xdotool getwindowgeometry --shell "$(popup_window)")"
xdotool mousemove $((X + 140)) $((Y + 180)) sleep 0.3 click 1
wait_for '^popup-result' 10
check "click on Yes: owner asked to close" '[ "$(count "^owner-close")" = 1 ]'
stop_host

# Dragged by its background (the title line lets the mouse through).
start_host popup && wait_for '^popup-open' 20
w=$(popup_window)
eval "$(xdotool getwindowgeometry --shell "$w")"
x0=$X y0=$Y
xdotool mousemove $((x0 + 60)) $((y0 + 55)) sleep 0.2 mousedown 1
for step in 1 2 3 4; do xdotool mousemove $((x0 + 60 + 20 * step)) $((y0 + 55 + 15 * step)); sleep 0.1; done
xdotool mouseup 1; sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$w")"
check "popup dragged by its background: moved by (80, 60)" '[ $((X - x0)) = 80 ] && [ $((Y - y0)) = 60 ]'
stop_host

# ---- scroll bar: channel click, held arrow, thumb drag, no range -------------------------
start_host scroll 35 0
xdotool mousemove $((bx + 6)) $((by + 112)) click 1; sleep 0.4
check "channel click at y=112 (range 35): thumb track to 15" 'grep -qx "vscroll 5 15" "$events"'
stop_host

start_host scroll 100 0
xdotool mousemove $((bx + 6)) $((by + 240)) mousedown 1; sleep 1.05; xdotool mouseup 1; sleep 0.4
steps=$(count '^vscroll 1 ')
echo "held down arrow for 1.05 s: $steps steps (about 9 repeats and 1 on release)"
check "held arrow repeats every ~100 ms after ~250 ms" '[ "$steps" -ge 7 ] && [ "$steps" -le 12 ]'
check "held arrow: position follows the steps" '[ "$(last_position)" = "$steps" ]'
stop_host

start_host scroll 35 0
xdotool mousemove $((bx + 6)) $((by + 37)) mousedown 1
for y in 50 70 90 110 125; do xdotool mousemove $((bx + 6)) $((by + y)); sleep 0.1; done
xdotool mouseup 1; sleep 0.4
check "thumb drag reports every move" '[ "$(count "^vscroll 5 ")" -ge 4 ]'
check "thumb dragged to y=125 ends at position 18" '[ "$(last_position)" = 18 ]'
stop_host

start_host scroll 0 0
xdotool mousemove $((bx + 6)) $((by + 240)) click 1; sleep 0.4
check "range 0: the down arrow still notifies, at 0" 'grep -qx "vscroll 1 0" "$events"'
stop_host

# ---- screenshots, with the compositor so that translucency shows -------------------------
xcompmgr >/dev/null 2>&1 &
compositor=$!
sleep 0.5
shoot() {  # <name> <scene> [range position]
  local name=$1
  shift
  start_host "$@"
  [ "$1" = popup ] && wait_for '^popup-open' 20
  xdotool mousemove 1000 760
  sleep 1.5
  if [ "$1" = popup ]; then
    eval "$(xdotool getwindowgeometry --shell "$(popup_window)")"
    popup_x=$X popup_y=$Y
  fi
  import -window root "$shots/$name.png"
  stop_host
}
shoot looks looks
shoot popup popup
shoot scroll-range0 scroll 0 0
shoot scroll-middle scroll 35 17
shoot scroll-end scroll 35 35

# The panel of image 143 seen through the window at alpha 242: close to, but not, the image.
start_host looks
read -r hx hy _ < <(sed -nE 's/^ready host=(-?[0-9]+),(-?[0-9]+).*/\1 \2/p' "$events")
stop_host
image=$(pixel "$skin/143.png" 400 300)
seen=$(pixel "$shots/looks.png" $((hx + 400)) $((hy + 300)))
echo "panel pixel: image $image, on screen $seen"
near() {  # two "srgb(r,g,b)" within $3 per channel, and not equal
  local a b
  IFS=, read -r -a a <<<"$(tr -dc '0-9,' <<<"$1")"
  IFS=, read -r -a b <<<"$(tr -dc '0-9,' <<<"$2")"
  [ "$1" != "$2" ] || return 1
  for i in 0 1 2; do [ $(( ${a[i]} > ${b[i]} ? ${a[i]} - ${b[i]} : ${b[i]} - ${a[i]} )) -le "$3" ] || return 1; done
}
check "wizard page is translucent (alpha 242) over the desktop" 'near "$image" "$seen" 16'
image=$(pixel "$skin/157.png" 215 200)
seen=$(pixel "$shots/popup.png" $((popup_x + 215)) $((popup_y + 200)))
echo "popup pixel: image $image, on screen $seen"
check "popup is translucent (alpha 229) over the page" 'near "$image" "$seen" 30'
check "popup opens centred on the page" '[ $((popup_x + 215 - hx - 366)) -ge -1 ] && [ $((popup_x + 215 - hx - 366)) -le 1 ]'
check "rounded corner shows the desktop" '[ "$(pixel "$shots/looks.png" "$hx" "$hy")" != "$(pixel "$skin/143.png" 0 0)" ]'
echo "screenshots in $shots"
exit $fail
