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

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages for '$purpose' are installed"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
echo "install-deps: done"
