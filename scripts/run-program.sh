#!/bin/sh
# `make run`: starts the program from the build folder. Without a display it
# says so and runs on the offscreen video driver instead.
set -eu
build=${1:-build}
program="$build/examples/runtime_hello"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "run: no display found (DISPLAY is not set); running without a visible window."
  export SDL_VIDEODRIVER=offscreen
fi
"$program"
log="${TMPDIR:-/tmp}/ErrorLog.txt"
echo "--- $log"
cat "$log"
