#!/bin/sh
# Installs the Debian packages the project needs, in two sets:
#
#   install-deps.sh runtime   what building and installing the runtime, its
#                             tools and games needs (make install, make deb)
#   install-deps.sh           everything: the runtime set and what the tests,
#                             benchmarks, fuzzers and vorlo's media need
#
# Idempotent and quiet: when everything is present it prints nothing and does
# not touch the package index. Works as root and through sudo otherwise.
set -eu

# The libraries' -dev packages are those of cmake/OrvaneDeps.cmake (which the
# .deb depends on); the rest builds, packs and runs games.
RUNTIME="
  make cmake ninja-build g++ pkg-config
  libsdl2-dev libsdl2-mixer-dev
  libgl-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev libjpeg-dev zlib1g-dev liblzo2-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libassimp-dev
  dpkg-dev file binutils
"
DEVELOPMENT="
  git curl python3 ccache
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libegl-dev ffmpeg
  libx11-dev xvfb xdotool xauth
  zenity xdg-utils
  fonts-dejavu-core libfreetype-dev
"

case "${1:-all}" in
  runtime) PACKAGES=$RUNTIME ;;
  all) PACKAGES="$RUNTIME $DEVELOPMENT" ;;
  *) echo "usage: install-deps.sh [runtime|all]" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: missing packages:$missing" >&2
  echo "install-deps: run as root or install sudo" >&2
  exit 1
fi

echo "install-deps: installing$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
