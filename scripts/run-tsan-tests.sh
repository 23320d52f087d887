#!/bin/sh
# Runs the test executables built with ThreadSanitizer (make tsan) and fails
# on a failed test or on any race report, also one from a game process a
# test started. Reports land in <build>/tsan-reports/ and are printed.
# Usage: run-tsan-tests.sh [build-tsan] [test executables relative to it...]
set -u
build=${1:-build-tsan}
[ $# -gt 0 ] && shift
tests=${*:-tests/net/test_net tests/net/test_net_processes tests/media/test_media_music tests/media/test_media_movie}
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
reports="$build/tsan-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Every process writes its reports to a file of its own (log_path adds the
# process id), so children's reports are not lost in captured output.
TSAN_OPTIONS="log_path=$reports/report suppressions=$src/scripts/tsan.supp second_deadlock_stack=1 history_size=4"
export TSAN_OPTIONS
# Tests that hold a clock reading to a few milliseconds cannot hold under the
# sanitizer's slowdown; they run in the plain and AddressSanitizer builds.
timed="Music.ShortLoopRestartsEveryHalfSecondWhenDue"
status=0
for t in $tests; do
  echo "=== $t"
  # ThreadSanitizer ends a process with 66 after a report; the tests then fail too.
  if ! "$build/$t" --gtest_brief=1 --gtest_filter="-$timed"; then
    echo "FAILED $t"
    status=1
  fi
done
if ls "$reports"/report* >/dev/null 2>&1; then
  echo "ThreadSanitizer reports:"
  cat "$reports"/report*
  status=1
fi
exit $status
