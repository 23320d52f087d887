#!/bin/sh
# `make run`: starts vorlo from the build folder. Without a display it says
# so, runs the game on a virtual display for a few seconds and saves a
# screenshot to look at.
set -eu
build=${1:-build}
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/game/vorlo"
fi
shot="$build/vorlo-screenshot.png"
echo "run: no display found (DISPLAY is not set)."
echo "run: running vorlo on a virtual display for a few seconds instead..."
./scripts/vorlo-headless.sh "$build" "$shot" 6
echo "run: vorlo ran and ended; its title screen is in $shot"
