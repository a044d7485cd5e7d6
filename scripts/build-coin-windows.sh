#!/usr/bin/env bash
# Cross-builds Coin for Windows (static, with mingw-w64) from Debian's coin3 source package,
# once per machine, into a cache outside the work tree, and prints the install prefix.
# Requires Debian (apt-get, dpkg-source) and the mingw-w64 compiler for the target.
# Does not change the machine's apt configuration, and builds nothing a cached build covers.
#
# usage: scripts/build-coin-windows.sh x86_64|i686
# The last line printed is the prefix: its lib/cmake/Coin-*/ holds Coin's config package.
set -euo pipefail

arch=${1:?usage: $0 x86_64|i686}
case $arch in
x86_64 | i686) ;;
*) echo "usage: $0 x86_64|i686" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fixes=$root/cmake/coin-windows
target=$arch-w64-mingw32
cache=${XDG_CACHE_HOME:-$HOME/.cache}/overlay-plane
say() { echo "coin-windows ($arch): $*" >&2; }
. "$root/scripts/lib/private-apt.sh"

# The version is the one this machine's own release ships for Linux.
version=$(apt-cache policy libcoin-dev 2>/dev/null | awk '/Candidate:/ {print $2}')
if [ -z "$version" ] || [ "$version" = "(none)" ]; then
    say "apt knows no libcoin-dev; run 'apt-get update' first"
    exit 1
fi
compiler=$("$target-g++" -dumpfullversion)
# What the build depends on of the project's: the fixes and the toolchain files.
fingerprint=$(cat "$fixes"/* "$root/cmake/mingw-common.cmake" "$root/cmake/mingw-$arch.cmake" |
    sha256sum | cut -c1-12)
prefix=$cache/coin-$version-$target-gcc$compiler-$fingerprint
if [ -f "$prefix/.complete" ]; then
    say "using the build in $prefix"
    echo "$prefix"
    exit 0
fi

start=$SECONDS
work=$cache/coin-work-$arch-$fingerprint
rm -rf "$work" "$prefix"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# The source package from the machine's own archives, through a private apt state.
say "fetching the coin3 $version source package"
private_apt "$work/apt" 's/^deb /deb-src /; s/^Types:.*$/Types: deb-src/'
(cd "$work" && apt-get "${apt_options[@]}" source -qq --only-source "coin3=$version" >/dev/null)
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'coin3-*')

for patch in "$fixes"/*.patch; do
    patch -s -p1 -d "$source_dir" <"$patch"
done

# Boost's header-only parts, without putting the host's whole /usr/include on the path.
mkdir -p "$work/boost-include"
ln -s /usr/include/boost "$work/boost-include/boost"

say "configuring and building (takes minutes; the result is kept for later builds)"
cmake -S "$source_dir" -B "$work/build" -C "$fixes/options.cmake" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBoost_INCLUDE_DIR="$work/boost-include" \
    >"$work/configure.log" 2>&1 || {
    tail -n 30 "$work/configure.log" >&2
    exit 1
}
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 || {
    grep -m 20 -B 2 -A 6 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2
    exit 1
}
cmake --install "$work/build" >/dev/null
cp "$source_dir/COPYING" "$prefix/COPYING"
touch "$prefix/.complete"
say "built in $((SECONDS - start)) s into $prefix"
echo "$prefix"
