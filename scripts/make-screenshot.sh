#!/bin/sh
# Regenerates the README's screenshot of vorlo's title screen from a real run.
set -eu
cd "$(dirname "$0")/.."
make build >/dev/null
mkdir -p docs
./scripts/vorlo-headless.sh build docs/vorlo-title.png 6
echo "docs/vorlo-title.png written"
