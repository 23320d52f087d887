#!/bin/sh
# Installs the already-built runtime into a temporary prefix and builds a game
# against that copy from outside the source tree, the way a game developer
# would: with find_package(Orvane) and with pkg-config, or (with "template")
# a game made by orvane-new, then packed into one file. Each game runs under
# SDL's offscreen driver.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR [template]
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
  rm -rf "$work/run" && mkdir -p "$work/run"
  out=$(cd "$work/run" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work/run" \
        QUIT_AFTER_MS=300 timeout 60 "$1") || fail "$1 failed: $out $(cat "$work/run/ErrorLog.txt" 2>/dev/null)"
  case "$out" in *"$2"*) ;; *) fail "$1 printed \"$out\", expected \"$2\"" ;; esac
}

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for f in lib/liborvane.a lib/liborvane_main.a include/orvane/orvane.h include/orvane/key_codes.h \
         bin/orvane-pack bin/orvane-model bin/orvane-new bin/orvane-replay share/orvane/template/main.cpp.in lib/cmake/Orvane/OrvaneConfig.cmake lib/pkgconfig/orvane.pc; do
  [ -f "$prefix/$f" ] || fail "the install has no $f"
done
# Nothing of the runtime's own folders may leak into what games see.
if grep -rl '#include "\(runtime\|platform\|gfx2d\|gl\|files\)/' "$prefix/include/orvane" >/dev/null; then
  fail "an installed header includes a runtime-internal header"
fi

if [ "${3:-}" = template ]; then
  # A new game from the template, built, run, packed and run from the one file.
  "$prefix/bin/orvane-new" my-game "$work/games/my-game" >/dev/null || fail "orvane-new failed"
  game="$work/games/my-game"
  for f in CMakeLists.txt main.cpp README.md Media/player.png Media/blip.wav; do
    [ -f "$game/$f" ] || fail "orvane-new wrote no $f"
  done
  "$prefix/bin/orvane-new" my-game "$work/games/my-game" 2>/dev/null && fail "orvane-new overwrote a folder"
  "$prefix/bin/orvane-new" "bad name" "$work/games/bad" 2>/dev/null && fail "orvane-new took a name with a space"
  cmake -S "$game" -B "$game/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
        $launcher >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log" >&2; fail "configuring the new game failed"; }
  cmake --build "$game/build" >"$work/build.log" 2>&1 \
    || { cat "$work/build.log" >&2; fail "building the new game failed"; }
  run_game "$game/build/my-game" ""
  grep -q "missing" "$work/run/ErrorLog.txt" && fail "the new game did not find its media: $(cat "$work/run/ErrorLog.txt")"
  cmake --build "$game/build" --target release >"$work/build.log" 2>&1 \
    || { cat "$work/build.log" >&2; fail "packing the new game failed"; }
  # The single file runs from a folder without Media/.
  mkdir -p "$work/shipped" && cp "$game/build/release/my-game" "$work/shipped/"
  "$prefix/bin/orvane-pack" list "$work/shipped/my-game" | grep -q "player.png" || fail "the release holds no player.png"
  run_game "$work/shipped/my-game" ""
  grep -q "missing" "$work/run/ErrorLog.txt" && fail "the packed game did not find its media: $(cat "$work/run/ErrorLog.txt")"
  echo "check-install: a game from orvane-new builds, runs and packs"
  exit 0
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
