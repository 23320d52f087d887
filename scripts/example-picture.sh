#!/bin/sh
# Runs one example under SDL's offscreen driver (no display needed) and saves
# the frame it shows after a while as a PNG; the example is then closed. An
# example that ends without showing a frame (one that prints to standard
# output) gets its output saved instead, as OUTPUT with .txt for .png. A
# picture that shows nothing (one colour almost everywhere) fails: it would
# tell a reader nothing about the example.
# Usage: scripts/example-picture.sh BUILD_DIR EXAMPLE OUTPUT.png [AFTER_MS]
set -eu
build=$(cd "$1" && pwd)
example=$2
out=$3
text="${out%.png}.txt"
rm -f "$out" "$text"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The grab library is not built with the sanitizers; preloading it ahead of
# their runtime is harmless.
if ! (cd "$work" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work" \
      LD_PRELOAD="$build/tools/liborvane_frame_grab.so" ORVANE_GRAB="$out" \
      ORVANE_GRAB_AFTER_MS="${4:-1500}" ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
      timeout 60 "$build/examples/$example" >"$work/out.txt" 2>"$work/err.txt"); then
  echo "example-picture: $example failed:" >&2
  cat "$work/out.txt" "$work/err.txt" "$work/ErrorLog.txt" >&2 2>/dev/null || true
  exit 1
fi
if [ ! -s "$out" ]; then
  if [ ! -s "$work/out.txt" ]; then
    echo "example-picture: $example ended before a frame was taken and printed nothing" >&2
    exit 1
  fi
  cp "$work/out.txt" "$text"
elif ! "$build/tools/orvane-picture-check" "$out" >/dev/null; then
  mv "$out" "${out%.png}.blank.png"
  echo "example-picture: the picture of $example is blank (kept as ${out%.png}.blank.png)" >&2
  exit 1
fi
