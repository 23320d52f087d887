#!/bin/sh
# Builds the libFuzzer targets with clang (in their own build folder) and runs
# each for a bounded time, starting from its seed corpus. Fails on any crash,
# leak or sanitizer report (undefined behaviour included), and on a target
# whose seed corpus is missing or empty. The log and inputs of a failed run
# are kept in <build>/fuzz-failures/<target>/.
# FUZZ_TARGETS="wav ini_text" builds and runs only those targets.
set -eu
build=${1:-build-fuzz}
seconds=${2:-20}
src=$(cd "$(dirname "$0")/.." && pwd)
# Absolute, because each fuzzer runs inside its own scratch folder.
mkdir -p "$build"
build=$(cd "$build" && pwd)
CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON >/dev/null
targets=""
for t in ${FUZZ_TARGETS:-}; do targets="$targets --target fuzz_$t"; done
# shellcheck disable=SC2086
cmake --build "$build" -j "$(nproc)" $targets
# Every sanitizer report ends the run; the build also compiles UBSan without recovery.
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ASAN_OPTIONS=halt_on_error=1:abort_on_error=0
export UBSAN_OPTIONS ASAN_OPTIONS
failures="$build/fuzz-failures"
rm -rf "$failures"
status=0
for f in "$build"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  name=${name#fuzz_}
  if [ -n "${FUZZ_TARGETS:-}" ]; then
    case " $FUZZ_TARGETS " in *" $name "*) ;; *) continue ;; esac
  fi
  seeds="$src/fuzz/corpus/$name"
  if [ -z "$(find "$seeds" -type f 2>/dev/null | head -n 1)" ]; then
    echo "fuzz_$name FAILED: no seed inputs in fuzz/corpus/$name"
    status=1
    continue
  fi
  work=$(mktemp -d)
  dict="$src/fuzz/dict/$name.dict"
  extra=""
  [ -f "$dict" ] && extra="-dict=$dict"
  echo "=== fuzz_$name for ${seconds}s"
  ok=1
  (cd "$work" && TMPDIR="$work" SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
     "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
     -artifact_prefix="$work/" $extra "$work" "$seeds" >"$work/log.txt" 2>&1) || ok=0
  # A report from code built without the sanitizer's abort still counts.
  grep -q 'runtime error:\|ERROR: AddressSanitizer\|ERROR: LeakSanitizer' "$work/log.txt" && ok=0
  if [ "$ok" -eq 1 ]; then
    grep -E '^#[0-9]+.*DONE' "$work/log.txt" | tail -n 1 || true
    rm -rf "$work"
  else
    status=1
    echo "fuzz_$name FAILED:"
    tail -n 60 "$work/log.txt"
    mkdir -p "$failures/$name"
    cp "$work/log.txt" "$failures/$name/"
    find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) \
      -exec cp {} "$failures/$name/" \;
    echo "log and failing inputs kept in $failures/$name/"
    rm -rf "$work"
  fi
done
exit $status
