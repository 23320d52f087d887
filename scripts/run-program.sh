#!/bin/sh
# `make run`: starts the program from the build folder.
set -eu
build=${1:-build}
"$build/examples/runtime_hello"
log="${TMPDIR:-/tmp}/ErrorLog.txt"
echo "--- $log"
cat "$log"
