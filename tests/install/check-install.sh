#!/bin/sh
# Tries one way of getting from an installed runtime to a game, from outside
# the source tree, as a game developer following the README would:
#
#   find-package  the game of tiny_game/ (which calls movie, music, socket,
#                 3D and path commands) built with find_package(Orvane) and
#                 with the flags pkg-config gives, each run
#   template      a game from orvane-new, built, run, given a Media/ subfolder
#                 and then an empty Media/, each time released (stripped and
#                 packed into one file) and run from that file alone
#   deb           the .deb (cpack) unpacked into a fresh folder: its files,
#                 what it depends on, and the template game built against it
#   missing-dependency
#                 find_package(Orvane QUIET) and REQUIRED when pkg-config
#                 lacks one of the runtime's libraries
#
# The runtime is installed from BUILD_DIR into a temporary prefix first
# (cmake --install), unless ORVANE_PREFIX names an installed copy to use
# (make install PREFIX=...). Games run under SDL's offscreen driver.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR ROUTE
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
route=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

fail() { echo "check-install: $*" >&2; exit 1; }

run_game() {  # run_game EXECUTABLE EXPECTED-OUTPUT [ENV=VALUE...]; the output is in $out
  exe=$1 expected=$2
  shift 2
  rm -rf "$work/run" && mkdir -p "$work/run"
  out=$(cd "$work/run" && env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work/run" \
        QUIT_AFTER_MS=300 "$@" timeout 60 "$exe") || fail "$exe failed: $out $(cat "$work/run/ErrorLog.txt" 2>/dev/null)"
  case "$out" in *"$expected"*) ;; *) fail "$exe printed \"$out\", expected \"$expected\"" ;; esac
}

configure_and_build() {  # configure_and_build SOURCE BINARY PREFIX WHAT
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$3" $launcher \
        >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configuring $4 failed"; }
  cmake --build "$2" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "building $4 failed"; }
}

# An unstripped program carries a symbol table; strip removes it.
has_symbols() { readelf -S "$1" 2>/dev/null | grep -q '\.symtab'; }

install_runtime() {  # sets prefix
  if [ -n "${ORVANE_PREFIX:-}" ]; then
    prefix=$(cd "$ORVANE_PREFIX" && pwd)
    return
  fi
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
}

check_installed_files() {  # check_installed_files PREFIX
  for f in lib/liborvane.a lib/liborvane_main.a include/orvane/orvane.h include/orvane/key_codes.h \
           bin/orvane-pack bin/orvane-model bin/orvane-new bin/orvane-sample-models bin/orvane-replay \
           share/orvane/template/main.cpp.in share/doc/orvane/commands.md \
           lib/cmake/Orvane/OrvaneConfig.cmake lib/pkgconfig/orvane.pc; do
    [ -f "$1/$f" ] || fail "the install has no $f"
  done
  # Nothing of the runtime's own folders may leak into what games see.
  if grep -rl '#include "\(runtime\|platform\|gfx2d\|gl\|files\)/' "$1/include/orvane" >/dev/null; then
    fail "an installed header includes a runtime-internal header"
  fi
  "$1/bin/orvane-sample-models" "$work/models" >/dev/null || fail "orvane-sample-models failed"
  ls "$work/models"/*.ddd >/dev/null 2>&1 || fail "orvane-sample-models wrote no models"
}

# The game of tiny_game/, built both ways; a movie when ffmpeg can make one.
find_package_route() {
  movie=""
  if command -v ffmpeg >/dev/null 2>&1; then
    ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=64x48:rate=10:duration=0.5 \
           -c:v mpeg4 "$work/tiny.mp4" || fail "ffmpeg could not make a movie"
    movie="$work/tiny.mp4"
  fi
  expected_movie=$([ -n "$movie" ] && echo 0 || echo 3)
  check() {  # check EXECUTABLE
    run_game "$1" "tiny game ran: escape key 1, held 0" ${movie:+TINY_MOVIE=$movie}
    for line in "movie $expected_movie, music error 3" "socket opened and closed" \
                "3d: 1 triangle, drawn 1" "path of 5 cells"; do
      case "$out" in *"$line"*) ;; *) fail "$1 printed \"$out\", expected \"$line\"" ;; esac
    done
  }
  # 1. CMake: find_package from a folder of its own.
  configure_and_build "$source/tests/install/tiny_game" "$work/tiny" "$prefix" "the game with find_package"
  check "$work/tiny/tiny_game"
  # 2. pkg-config, one command line.
  pc_flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs orvane) \
    || fail "pkg-config does not know orvane"
  # shellcheck disable=SC2086
  ${launcher:+ccache} c++ -o "$work/tiny_pc" "$source/tests/install/tiny_game/main.cpp" $pc_flags \
    || fail "building with the flags from orvane.pc failed: $pc_flags"
  check "$work/tiny_pc"
  echo "check-install: the installed copy builds and runs games with find_package and pkg-config"
}

# A game from the template as its README says: build, run, release, ship.
template_route() {  # template_route PREFIX
  p=$1
  "$p/bin/orvane-new" my-game "$work/games/my-game" >/dev/null || fail "orvane-new failed"
  game="$work/games/my-game"
  for f in CMakeLists.txt main.cpp README.md Media/player.png Media/blip.wav; do
    [ -f "$game/$f" ] || fail "orvane-new wrote no $f"
  done
  mode=$(stat -c %a "$game")
  expected_mode=$(printf '%o' $(( 0777 & ~$(umask) )))
  [ "$mode" = "$expected_mode" ] || fail "orvane-new made the folder with mode $mode, not $expected_mode as the umask says"
  "$p/bin/orvane-new" my-game "$game" 2>/dev/null && fail "orvane-new overwrote a folder"
  "$p/bin/orvane-new" "bad name" "$work/games/bad" 2>/dev/null && fail "orvane-new took a name with a space"
  "$p/bin/orvane-new" release "$work/games/release" 2>/dev/null && fail "orvane-new took a name CMake refuses"

  configure_and_build "$game" "$game/build" "$p" "the new game"
  run_game "$game/build/my-game" ""
  grep -q "missing" "$work/run/ErrorLog.txt" && fail "the new game did not find its media: $(cat "$work/run/ErrorLog.txt")"

  release() {  # release EXPECTED-ENTRIES: the release target, and the file it makes run alone
    rm -rf "$game/build/release"
    cmake --build "$game/build" --target release >"$work/build.log" 2>&1 \
      || { cat "$work/build.log" >&2; fail "the release target failed"; }
    grep -q "not stripped" "$work/build.log" && fail "the release target packed an unstripped game"
    [ "$(ls "$game/build/release")" = "my-game" ] || fail "the release folder holds more than the game: $(ls "$game/build/release")"
    has_symbols "$game/build/release/my-game" && fail "the released game is not stripped"
    "$p/bin/orvane-pack" list "$game/build/release/my-game" >"$work/list.txt" || fail "the release carries no archive"
    grep -q "^$1 entries" "$work/list.txt" || fail "the release holds $(tail -n 1 "$work/list.txt"), expected $1 entries"
    rm -rf "$work/shipped" && mkdir -p "$work/shipped" && cp "$game/build/release/my-game" "$work/shipped/"
    run_game "$work/shipped/my-game" ""
  }
  # The template's own media.
  release 2
  grep -q "missing" "$work/run/ErrorLog.txt" && fail "the packed game did not find its media: $(cat "$work/run/ErrorLog.txt")"
  size=$(stat -c %s "$game/build/release/my-game")
  # Media/ with a subfolder: found by name, packed with the rest.
  mkdir -p "$game/Media/levels/one"
  printf 'level one\n' > "$game/Media/levels/one/map.txt"
  release 3
  "$p/bin/orvane-pack" verify "$game/build/release/my-game" "$game/Media/levels/one/map.txt" >/dev/null \
    || fail "the release does not hold Media/levels/one/map.txt as it is"
  # An empty Media/: a release without entries (the game logs its missing sprite).
  rm -rf "$game/Media" && mkdir "$game/Media"
  cmake --build "$game/build" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "building without media failed"; }
  release 0
  # Stripping a packed game deletes the archive; verify says so.
  strip "$game/build/release/my-game"
  "$p/bin/orvane-pack" verify "$game/build/release/my-game" 2>"$work/verify.txt" && fail "verify passed a stripped release"
  grep -q "stripped after packing" "$work/verify.txt" || fail "verify did not say why: $(cat "$work/verify.txt")"
  echo "check-install: a game from orvane-new builds, runs, and releases as one stripped file of $size bytes"
}

# The .deb, unpacked into a fresh folder instead of the machine's /usr.
deb_route() {
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
  deb=$(ls "$work"/deb/*.deb)
  fields=$(dpkg-deb --field "$deb" Depends)
  # Every pkg-config module orvane.pc requires comes with a package the .deb depends on.
  dpkg-deb -x "$deb" "$work/root"
  usr="$work/root/usr"
  check_installed_files "$usr"
  [ -f "$usr/share/doc/orvane-dev/copyright" ] || fail "the .deb has no copyright file"
  for tool in orvane-pack orvane-model orvane-sample-models orvane-replay; do
    has_symbols "$usr/bin/$tool" && fail "the .deb's $tool is not stripped"
  done
  depends=$(echo "$fields" | tr ',' '\n' | sed 's/(.*)//; s/|.*//; s/ //g')
  requires=$(sed -n 's/^Requires: //p' "$usr/lib/pkgconfig/orvane.pc")
  for module in $requires; do
    owner=$(dpkg -S "$(pkg-config --variable=pcfiledir "$module")/$module.pc" 2>/dev/null | cut -d: -f1 | head -n 1)
    [ -n "$owner" ] || fail "no installed package owns $module.pc"
    covered=""
    for d in $depends; do
      [ "$d" = "$owner" ] && covered=yes && break
    done
    # Or one step further: libjpeg-dev brings libjpeg62-turbo-dev.
    if [ -z "$covered" ]; then
      for d in $depends; do
        dpkg-query -W -f='${Depends}\n' "$d" 2>/dev/null | tr ',' '\n' | sed 's/(.*)//; s/ //g' | grep -qx "$owner" \
          && covered=yes && break
      done
    fi
    [ -n "$covered" ] || fail "the .deb needs $module ($owner) but depends only on: $fields"
  done
  # The tools' own libraries come from dpkg-shlibdeps.
  for lib in libc6 libassimp5; do
    echo "$depends" | grep -q "^$lib" || fail "the .deb does not depend on $lib (its tools need it): $fields"
  done
  template_route "$usr"
  echo "check-install: the .deb unpacked into a fresh folder builds and runs the template game"
}

# A project that asks for the runtime QUIET goes on without it when one of
# its libraries is missing; REQUIRED stops with the library's name.
missing_dependency_route() {
  mkdir -p "$work/pc" "$work/optional"
  for dir in $(pkg-config --variable pc_path pkg-config | tr ':' ' '); do
    for pc in "$dir"/*.pc; do
      [ -e "$pc" ] && [ "$(basename "$pc")" != libavformat.pc ] && ln -sf "$pc" "$work/pc/"
    done
  done
  cat >"$work/optional/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(optional LANGUAGES CXX)
find_package(Orvane ${HOW})
message(STATUS "Orvane_FOUND=${Orvane_FOUND}")
EOF
  PKG_CONFIG_LIBDIR="$work/pc" cmake -S "$work/optional" -B "$work/optional/quiet" -DHOW=QUIET \
        -DCMAKE_PREFIX_PATH="$prefix" >"$work/quiet.log" 2>&1 \
    || { cat "$work/quiet.log" >&2; fail "find_package(Orvane QUIET) stopped the configure run"; }
  grep -q "Orvane_FOUND=0\|Orvane_FOUND=FALSE" "$work/quiet.log" || fail "Orvane was found without libavformat: $(cat "$work/quiet.log")"
  PKG_CONFIG_LIBDIR="$work/pc" cmake -S "$work/optional" -B "$work/optional/required" -DHOW=REQUIRED \
        -DCMAKE_PREFIX_PATH="$prefix" >"$work/required.log" 2>&1 \
    && fail "find_package(Orvane REQUIRED) went on without libavformat"
  grep -q "libavformat (Debian: libavformat-dev)" "$work/required.log" \
    || fail "REQUIRED did not name the missing library: $(cat "$work/required.log")"
  # With everything there the same project finds it.
  cmake -S "$work/optional" -B "$work/optional/found" -DHOW=REQUIRED -DCMAKE_PREFIX_PATH="$prefix" \
        >"$work/found.log" 2>&1 || { cat "$work/found.log" >&2; fail "find_package(Orvane REQUIRED) failed"; }
  grep -q "Orvane_FOUND=1\|Orvane_FOUND=TRUE" "$work/found.log" || fail "Orvane was not found: $(cat "$work/found.log")"
  echo "check-install: find_package(Orvane QUIET) reports a missing library as not found"
}

case "$route" in
  find-package) install_runtime; check_installed_files "$prefix"; find_package_route ;;
  template) install_runtime; template_route "$prefix" ;;
  deb) deb_route ;;
  missing-dependency) install_runtime; missing_dependency_route ;;
  *) fail "unknown route '$route'" ;;
esac
