#!/bin/sh
# Runs every benchmark of the build; each prints its ratios against the
# baseline it measures in the same run.
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
status=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "=== $(basename "$b")"
  "$b" "$@" || status=1
done
exit $status
