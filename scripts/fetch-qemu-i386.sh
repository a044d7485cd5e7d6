#!/usr/bin/env bash
# Takes qemu's user-mode emulator for 32-bit x86 from Debian 13's qemu-user package (a static
# program since that release; Debian 12's 7.2 can't run wine32) into a cache outside the work
# tree, once per machine, and prints its path. Requires Debian (apt-get, dpkg-deb).
# Does not install anything into the system or register the emulator anywhere.
#
# usage: scripts/fetch-qemu-i386.sh
# The last line printed is the emulator's path; the line before it, the path of the binfmt
# entry that the package gives the emulator (its magic and mask are the ones to use).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/overlay-plane
release=trixie
say() { echo "qemu-i386: $*" >&2; }
. "$root/scripts/lib/private-apt.sh"

mkdir -p "$cache"
found=$(find "$cache" -maxdepth 1 -type d -name "qemu-user-$release-*" 2>/dev/null | sort | tail -n1)
if [ -n "$found" ] && [ -f "$found/.complete" ]; then
    echo "$found/binfmt/qemu-i386.conf"
    echo "$found/qemu-i386"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { say "this system names no release (VERSION_CODENAME)"; exit 1; }
say "taking qemu-user from Debian's $release archive (the machine's own sources, suite $release)"
private_apt "$work/apt" "s/\\<$codename\\>/$release/g"
(cd "$work" && apt-get "${apt_options[@]}" download -qq qemu-user >/dev/null)
deb=$(find "$work" -maxdepth 1 -name 'qemu-user_*.deb' | head -n1)
[ -n "$deb" ] || { say "no qemu-user package in $release"; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -x "$deb" "$work/unpacked"
target=$cache/qemu-user-$release-${version//[:~+]/_}
rm -rf "$target"
mkdir -p "$target/binfmt"
cp "$work/unpacked/usr/bin/qemu-i386" "$target/qemu-i386"
cp "$work/unpacked/usr/share/qemu/binfmt.d/qemu-i386.conf" "$target/binfmt/"
cp "$work/unpacked/usr/share/doc/qemu-user/copyright" "$target/" 2>/dev/null || true
"$target/qemu-i386" --version | head -n1 >&2
touch "$target/.complete"
echo "$target/binfmt/qemu-i386.conf"
echo "$target/qemu-i386"
