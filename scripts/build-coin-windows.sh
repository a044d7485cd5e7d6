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

# The version is the one this machine's own release ships for Linux.
version=$(apt-cache policy libcoin-dev 2>/dev/null | awk '/Candidate:/ {print $2}')
if [ -z "$version" ] || [ "$version" = "(none)" ]; then
    say "apt knows no libcoin-dev; run 'apt-get update' first"
    exit 1
fi
compiler=$("$target-g++" -dumpfullversion)
fingerprint=$(cat "$fixes"/* | sha256sum | cut -c1-12)
prefix=$cache/coin-$version-$target-gcc$compiler-$fingerprint
if [ -f "$prefix/.complete" ]; then
    say "using the build in $prefix"
    echo "$prefix"
    exit 0
fi

start=$SECONDS
work=$cache/coin-work-$arch
rm -rf "$work" "$prefix"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# A private apt state with the machine's own archives as source archives: the machine's
# sources, lists and cache are left as they are, and apt checks the signatures as usual.
say "fetching the coin3 $version source package"
apt_state=$work/apt
mkdir -p "$apt_state/sources.list.d" "$apt_state/lists/partial" "$apt_state/cache/archives/partial"
: >"$apt_state/sources.list"
shopt -s nullglob
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] && sed -n 's/^deb \(.*\)$/deb-src \1/p' "$list" >>"$apt_state/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
    sed 's/^Types:.*$/Types: deb-src/' "$sources" >"$apt_state/sources.list.d/${sources##*/}"
done
shopt -u nullglob
apt_options=(-o "Dir::Etc::SourceList=$apt_state/sources.list"
    -o "Dir::Etc::SourceParts=$apt_state/sources.list.d"
    -o "Dir::State::Lists=$apt_state/lists" -o "Dir::Cache=$apt_state/cache"
    -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" update -qq
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
