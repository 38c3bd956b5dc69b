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

# A free display number: no socket and no lock file.
display=""
for n in $(seq 70 199); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "FAIL: no free display"; exit 1; }
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
demo_pid=""
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# Under AddressSanitizer, the X11 and SDL libraries keep allocations to the end that the leak
# check would report; memory errors are still caught.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$demo" --x 100 --y 100 --exit-after 60000 &
demo_pid=$!
for _ in $(seq 100); do xdotool search --name '^Lumet Demo$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

fail=0
pixel() {  # pixel <png> <x> <y> → "r,g,b"
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}
shot() { import -window root "$shots/lumet-demo-$1.png"; }
expect() {  # expect <what> <got> <want>
  if [ "$2" = "$3" ]; then echo "ok: $1 ($2)"; else echo "FAIL: $1: got $2, want $3"; fail=1; fi
}
differs() {
  if [ "$2" != "$3" ]; then echo "ok: $1 ($2 -> $3)"; else echo "FAIL: $1: stayed $2"; fail=1; fi
}

# Window at (100, 100); the "Click me" button is (40, 300)-(200, 344) inside it.
shot 1-start
before=$(pixel "$shots/lumet-demo-1-start.png" 150 410)
# The frame is filled with alpha 254, which shows as 254/255 of the colour on an opaque window.
expect "border in the accent colour" "$(pixel "$shots/lumet-demo-1-start.png" 100 300)" "72,254,229"
xdotool mousemove 150 410 click 1
sleep 0.7
shot 2-clicked
after=$(pixel "$shots/lumet-demo-2-clicked.png" 150 410)
differs "the button changed on the click" "$before" "$after"
expect "the pressed button is the accent colour" "$after" "73,255,230"

# A right click opens the pop-up at the pointer; a press outside it closes it.
xdotool mousemove 600 180 click 3
sleep 0.7
shot 3-popup
expect "pop-up shown at the pointer" "$(pixel "$shots/lumet-demo-3-popup.png" 605 185)" "30,42,54"
xdotool mousemove 900 600 click 1   # the desktop: not ours
xdotool mousemove 300 600 click 1
xdotool mousemove 130 200 click 1   # inside the main window, outside the pop-up
sleep 0.7
shot 4-popup-closed
differs "pop-up gone after a press outside" "30,42,54" "$(pixel "$shots/lumet-demo-4-popup-closed.png" 605 185)"

# The modal window: the main window ignores presses while it is open; OK closes it with 1.
xdotool mousemove 400 420 click 1
sleep 1
shot 5-modal
expect "modal window shown" "$(pixel "$shots/lumet-demo-5-modal.png" 275 240)" "16,24,32"
xdotool mousemove 150 410 click 1   # "Click me" under the modal: disabled, no change
sleep 0.5
shot 6-modal-blocked
expect "disabled owner ignored the press" "$(pixel "$shots/lumet-demo-6-modal-blocked.png" 150 410)" "73,255,230"
xdotool mousemove 420 333 click 1   # OK
sleep 0.7
shot 7-modal-closed
differs "modal window closed" "16,24,32" "$(pixel "$shots/lumet-demo-7-modal-closed.png" 275 240)"

# The close button ends the program with code 0.
xdotool mousemove 718 120 click 1
code=124
for _ in $(seq 50); do
  if ! kill -0 "$demo_pid" 2>/dev/null; then wait "$demo_pid"; code=$?; break; fi
  sleep 0.1
done
demo_pid=""
expect "closed by its close button" "$code" "0"
exit $fail
