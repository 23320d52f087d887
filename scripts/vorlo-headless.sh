#!/bin/sh
# Runs vorlo on a virtual display (Xvfb) for a few seconds, saves a
# screenshot of its window, then ends it with Escape like a player would.
# Usage: scripts/vorlo-headless.sh BUILD_DIR OUTPUT.png [SECONDS]
set -eu
build=$(cd "${1:-build}" && pwd)
out=$2
seconds=${3:-6}
. "$(dirname "$0")/virtual-display.sh"

SDL_AUDIODRIVER=dummy TMPDIR="$work" "$build/game/vorlo" >/dev/null 2>&1 &
program=$!
sleep "$seconds"
window=$(xdotool search --onlyvisible --name '^vorlo$' | head -n 1)
if [ -z "$window" ]; then
  echo "vorlo-headless: the game window did not appear (see $work/ErrorLog.txt)" >&2
  cat "$work/ErrorLog.txt" >&2 2>/dev/null || true
  exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
"$build/tools/orvane-screenshot" "$out" "$DISPLAY" "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool windowfocus --sync "$window" keydown Escape sleep 0.2 keyup Escape
wait "$program" || true
program=""
