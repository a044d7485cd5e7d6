#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the viewer need, and nothing that
# is already there. Usage: scripts/install-deps.sh [build|test|run|bench]
set -euo pipefail

purpose="${1:-test}"
packages=(cmake make g++ pkg-config libcoin-dev libsoqt520-dev qtbase5-dev libx11-dev libxcb-glx0-dev
  librsvg2-bin)
case "$purpose" in
  build) ;;
  run) packages+=(xvfb x11-utils imagemagick) ;;
  test) packages+=(libgtest-dev xvfb x11-utils xdotool imagemagick libxtst-dev valgrind
    desktop-file-utils appstream man-db
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox) ;;
  bench) packages+=(xvfb x11-utils libxtst-dev libgl-dev inventor-clients) ;;
  *) echo "usage: $0 [build|test|run|bench]" >&2; exit 2 ;;
esac

. "$(dirname "${BASH_SOURCE[0]}")/lib/apt-install.sh"
install_missing install-deps "${packages[@]}"
