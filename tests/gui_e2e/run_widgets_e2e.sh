#!/bin/bash
# lumet-widgets under Xvfb: a click on a row checks it, a right click opens the menu.
# Usage: run_widgets_e2e.sh <lumet-widgets> <screenshot dir>
set -u
app=$1
shots=$2
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
mkdir -p "$shots"
display=""
for n in $(seq 200 299); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "FAIL: no free display"; exit 1; }
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$app" --x 100 --y 100 --exit-after 60000 &
app_pid=$!
for _ in $(seq 100); do xdotool search --name '^Lumet Widgets$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

fail=0
pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r+0.5)],%[fx:int(255*p{'"$2"','"$3"'}.g+0.5)],%[fx:int(255*p{'"$2"','"$3"'}.b+0.5)]' info:
}
shot() { import -window root "$shots/lumet-widgets-$1.png"; }
expect() { if [ "$2" = "$3" ]; then echo "ok: $1 ($2)"; else echo "FAIL: $1: got $2, want $3"; fail=1; fi; }
differs() { if [ "$2" != "$3" ]; then echo "ok: $1 ($2 -> $3)"; else echo "FAIL: $1: stayed $2"; fail=1; fi; }

# Window at (100, 100). Row 1 is (20, 50)-(292, 78) of the client; its check mark sits at
# x 30..36, y 61..67, i.e. screen (133, 164).
shot 1-start
before=$(pixel "$shots/lumet-widgets-1-start.png" 133 164)
xdotool mousemove 200 164 click 1
sleep 0.7
shot 2-row-checked
after=$(pixel "$shots/lumet-widgets-2-row-checked.png" 133 164)
differs "the clicked row shows its check mark" "$before" "$after"
expect "the check mark is the accent colour" "$after" "73,255,230"

xdotool mousemove 250 300 click 3
sleep 0.7
shot 3-menu
xdotool mousemove 700 600 click 1
sleep 0.5
exit $fail
