#!/bin/sh
# Builds the libFuzzer targets with clang (in their own build folder) and runs
# each for a bounded time, starting from its seed corpus. Fails on the first
# crash, leak or sanitizer report.
set -eu
build=${1:-build-fuzz}
seconds=${2:-20}
src=$(cd "$(dirname "$0")/.." && pwd)
# Absolute, because each fuzzer runs inside its own scratch folder.
mkdir -p "$build"
build=$(cd "$build" && pwd)
CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
# Each target runs inside its own scratch folder: refer to the build by its full path.
build=$(cd "$build" && pwd)
status=0
for f in "$build"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  name=${name#fuzz_}
  work=$(mktemp -d)
  seeds="$src/fuzz/corpus/$name"
  set -- "$work"
  [ -d "$seeds" ] && set -- "$work" "$seeds"
  dict="$src/fuzz/dict/$name.dict"
  extra=""
  [ -f "$dict" ] && extra="-dict=$dict"
  echo "=== fuzz_$name for ${seconds}s"
  if ! (cd "$work" && TMPDIR="$work" SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
        "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 $extra "$@" \
        >"$work/log.txt" 2>&1); then
    echo "fuzz_$name FAILED:"
    tail -n 60 "$work/log.txt"
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "$work/log.txt" | tail -n 1 || true
  fi
  rm -rf "$work"
done
exit $status
