#!/bin/sh
# Installs the already-built runtime into a temporary prefix and builds a game
# against that copy from outside the source tree, the way a game developer
# would: with find_package(Orvane) and with pkg-config. Each game then runs
# under SDL's offscreen driver.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

fail() { echo "check-install: $*" >&2; exit 1; }

run_game() {  # run_game EXECUTABLE EXPECTED-OUTPUT
  mkdir -p "$work/run"
  out=$(cd "$work/run" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work/run" \
        timeout 60 "$1") || fail "$1 failed: $out $(cat "$work/run/ErrorLog.txt" 2>/dev/null)"
  case "$out" in *"$2"*) ;; *) fail "$1 printed \"$out\", expected \"$2\"" ;; esac
}

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for f in lib/liborvane.a lib/liborvane_main.a include/orvane/orvane.h include/orvane/key_codes.h \
         bin/orvane-pack lib/cmake/Orvane/OrvaneConfig.cmake lib/pkgconfig/orvane.pc; do
  [ -f "$prefix/$f" ] || fail "the install has no $f"
done
# Nothing of the runtime's own folders may leak into what games see.
if grep -rl '#include "\(runtime\|platform\|gfx2d\|gl\|files\)/' "$prefix/include/orvane" >/dev/null; then
  fail "an installed header includes a runtime-internal header"
fi

# 1. CMake: find_package from a folder of its own.
cmake -S "$source/tests/install/tiny_game" -B "$work/tiny" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$prefix" $launcher >"$work/configure.log" 2>&1 \
  || { cat "$work/configure.log" >&2; fail "configuring the game with find_package failed"; }
cmake --build "$work/tiny" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; fail "building the game against the installed copy failed"; }
run_game "$work/tiny/tiny_game" "tiny game ran: escape key 1, held 0"

# 2. pkg-config, one command line.
pc_flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs orvane) \
  || fail "pkg-config does not know orvane"
# shellcheck disable=SC2086
${launcher:+ccache} c++ -o "$work/tiny_pc" "$source/tests/install/tiny_game/main.cpp" $pc_flags \
  || fail "building with the flags from orvane.pc failed: $pc_flags"
run_game "$work/tiny_pc" "tiny game ran: escape key 1, held 0"
echo "check-install: the installed copy builds and runs games"
