#!/bin/sh
# Runs every test executable of a build whole, once, with its tests in a
# shuffled order. ctest gives each test a process of its own, which hides
# tests that depend on what an earlier test left behind; this catches them.
# The shuffle seed is printed; ORVANE_SHUFFLE_SEED=<seed> replays that order.
set -u
build=${1:-build}
jobs=${2:-$(nproc)}
[ -d "$build/tests" ] || { echo "no test executables under $build/tests" >&2; exit 1; }
# One seed for the run, printed, so a failing order can be run again.
seed=${ORVANE_SHUFFLE_SEED:-$(( $(date +%s) % 99991 + 1 ))}
echo "shuffle seed $seed"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# One executable per core: the whole-program tests start X servers and games.
find "$build/tests" -mindepth 2 -maxdepth 2 -type f -name 'test_*' -perm -u+x | sort |
  xargs -P "$jobs" -I{} sh -c '
    t={}; name=$(basename "$t"); log="$0/$name.log"
    if "$t" --gtest_shuffle --gtest_random_seed="$1" --gtest_brief=1 >"$log" 2>&1; then
      echo "ok     $name"
    else
      echo "FAILED $name" > "$0/$name.failed"
      echo "FAILED $name:"; tail -n 40 "$log"
    fi' "$logs" "$seed"
if ls "$logs"/*.failed >/dev/null 2>&1; then
  echo "failed whole and shuffled:"; cat "$logs"/*.failed
  exit 1
fi
echo "every test executable passed whole and shuffled"
