#!/bin/bash
# lumet-demo under Xvfb: clicks and pixel checks. Usage: run_demo_e2e.sh <lumet-demo> <screenshot dir>
set -u
demo=$1
shots=$2
for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
mkdir -p "$shots"

# Xvfb picks a free display itself (-displayfd), so parallel tests never collide.
dfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dfile" >/dev/null 2>&1 &
xvfb=$!
display=""
for _ in $(seq 100); do display=$(tr -dc 0-9 <"$dfile"); [ -n "$display" ] && break; sleep 0.1; done
rm -f "$dfile"
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; kill "$xvfb" 2>/dev/null; exit 1; }
export DISPLAY=":$display"
demo_pid=""
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# Under AddressSanitizer, the X11 and SDL libraries keep allocations to the end that the leak
# check would report; memory errors are still caught.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$demo" --x 100 --y 100 --exit-after 60000 &
demo_pid=$!
for _ in $(seq 200); do xdotool search --name '^Lumet Demo$' >/dev/null 2>&1 && break; sleep 0.1; done

fail=0
pixel() {  # pixel <png> <x> <y> → "r,g,b"
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}
# Screenshots are taken until the pixel is (or, with "not", is no longer) the colour, for up
# to 10 s: the machine may be busy, and a fixed pause would make the test flaky.
check() {  # check <shot name> <what> <x> <y> [not] <colour>
  local name=$1 what=$2 x=$3 y=$4 negate="" want got
  if [ "$5" = "not" ]; then negate=1; want=$6; else want=$5; fi
  for _ in $(seq 40); do
    import -window root "$shots/lumet-demo-$name.png"
    got=$(pixel "$shots/lumet-demo-$name.png" "$x" "$y")
    if [ -z "$negate" ] && [ "$got" = "$want" ]; then echo "ok: $what ($got)"; return; fi
    if [ -n "$negate" ] && [ "$got" != "$want" ]; then echo "ok: $what ($want -> $got)"; return; fi
    sleep 0.25
  done
  echo "FAIL: $what: got $got, want ${negate:+not }$want"
  fail=1
}

# Window at (100, 100); the "Click me" button is (40, 300)-(200, 344) inside it. The frame is
# filled with alpha 254, which shows as 254/255 of the colour on an opaque window.
check 1-start "border in the accent colour" 100 300 "72,254,229"
check 1-start "button in its normal colour" 150 410 "30,42,54"
xdotool mousemove 150 410 click 1
check 2-clicked "the pressed button is the accent colour" 150 410 "73,255,230"

# A right click opens the pop-up at the pointer; a press outside it closes it.
xdotool mousemove 600 180 click 3
check 3-popup "pop-up shown at the pointer" 605 185 "30,42,54"
xdotool mousemove 900 600 click 1   # the desktop: not ours
xdotool mousemove 130 200 click 1   # inside the main window, outside the pop-up
check 4-popup-closed "pop-up gone after a press outside" 605 185 not "30,42,54"

# The modal window: the main window ignores presses while it is open; OK closes it with 1.
xdotool mousemove 400 420 click 1
check 5-modal "modal window shown" 275 240 "16,24,32"
xdotool mousemove 150 410 click 1   # "Click me" under the modal: disabled, no change
sleep 1
check 6-modal-blocked "disabled owner ignored the press" 150 410 "73,255,230"
xdotool mousemove 420 333 click 1   # OK
check 7-modal-closed "modal window closed" 275 240 not "16,24,32"

# The close button ends the program with code 0.
xdotool mousemove 718 120 click 1
code=124
for _ in $(seq 100); do
  if ! kill -0 "$demo_pid" 2>/dev/null; then wait "$demo_pid"; code=$?; break; fi
  sleep 0.1
done
demo_pid=""
if [ "$code" = 0 ]; then echo "ok: closed by its close button"; else echo "FAIL: exit code $code"; fail=1; fi
exit $fail
