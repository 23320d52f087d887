#!/bin/sh
# Runs one of the examples on a virtual display (Xvfb), optionally clicks
# into its window like a player would, saves a screenshot of the window and
# ends the program with Escape.
# Usage: scripts/example-screenshot.sh BUILD_DIR EXAMPLE OUTPUT.png [CLICK_X CLICK_Y]
#        (the click position is in window pixels)
set -eu
build=$(cd "${1:-build}" && pwd)
example=$2
out=$3
. "$(dirname "$0")/virtual-display.sh"

SDL_AUDIODRIVER=dummy TMPDIR="$work" "$build/examples/$example" >/dev/null 2>&1 &
program=$!
window=""
for _ in $(seq 50); do
  window=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "example-screenshot: the window of $example did not appear" >&2
  exit 1
fi
sleep 1
xdotool windowfocus --sync "$window"
if [ $# -ge 5 ]; then
  # The program samples the mouse once per frame: give it frames between steps.
  xdotool mousemove --window "$window" "$4" "$5"
  sleep 0.5
  xdotool mousedown 1
  sleep 0.3
  xdotool mouseup 1
fi
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
"$build/tools/orvane-screenshot" "$out" "$DISPLAY" "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool keydown Escape sleep 0.2 keyup Escape
wait "$program" || true
program=""
