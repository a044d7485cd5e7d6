#!/usr/bin/env bash
# Shows that two builds of one commit give the same bytes for each Windows download: the
# x86-64 program, zip and installer from two fresh clones at different paths, each with a Coin
# build of its own; the i686 ones from two more clones, against one Coin build. Each second
# build starts when the first has ended, minutes later. Where outputs differ, diffoscope shows
# how.
# Not part of CI: with Coin built twice it takes a long while (minutes per Coin build).
# Requires: what scripts/test-windows.sh installs (it says so where something is missing),
# git, and diffoscope (diffoscope-minimal) for the differences. Does not: run any program.
#
# usage: scripts/check-reproducible.sh [WORK]   (WORK: a folder to build in, by default a new
# one under /tmp; it is left behind for a look at the outputs)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib/helper-output.sh"
work=${1:-$(mktemp -d /tmp/overlay-reproducible.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
commit=$(git -C "$root" rev-parse HEAD)
start=$SECONDS
say() { echo "check-reproducible: $*"; }
say "commit $commit, in $work"

# usage: build ARCH CLONE [CACHE]; clones the commit into CLONE and builds ARCH's program and
# packages there, with Coin from CACHE (XDG_CACHE_HOME; the machine's own by default).
build() {
    local arch=$1 clone=$2 cache=${3:-${XDG_CACHE_HOME:-$HOME/.cache}} coin coin_dir
    local began=$SECONDS
    rm -rf "$clone"
    git clone -q --no-local "$root" "$clone"
    git -C "$clone" checkout -q "$commit"
    XDG_CACHE_HOME=$cache helper_output coin 1 "$clone/scripts/build-coin-windows.sh" "$arch"
    coin_dir=$(find "$coin/lib/cmake" -maxdepth 1 -type d -name 'Coin-*' 2>/dev/null | head -n1 || true)
    [ -n "$coin_dir" ] || { say "no Coin config package under $coin"; exit 1; }
    cmake -S "$clone" -B "$clone/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$clone/cmake/mingw-$arch.cmake" -DCoin_DIR="$coin_dir" \
        -DOVERLAY_BUILD_TESTS=OFF >"$clone/configure.log"
    cmake --build "$clone/build" -j"$(nproc)" >"$clone/build.log"
    (cd "$clone/build" && cpack -B "$clone/packages") >"$clone/cpack.log"
    say "$arch built in $clone ($((SECONDS - began)) s)"
}

# usage: compare ARCH FIRST SECOND; 0 when every output has the same bytes in both.
compare() {
    local arch=$1 first=$2 second=$3 file differ=0
    for file in build/app/overlay-plane.exe packages/overlay-plane-*-windows-"$arch".zip \
        packages/overlay-plane-*-windows-"$arch"-setup.exe; do
        file=$(cd "$first" && ls $file)
        if cmp -s "$first/$file" "$second/$file"; then
            say "same bytes: $arch $file ($(sha256sum <"$first/$file" | cut -c1-16)...)"
        else
            say "DIFFERENT: $arch $file"
            if command -v diffoscope >/dev/null; then
                diffoscope --text - "$first/$file" "$second/$file" | head -n 80 || true
            else
                say "(install diffoscope-minimal to see how they differ)"
            fi
            differ=1
        fi
    done
    return $differ
}

status=0
# x86-64: everything twice, Coin included, each in a cache of its own.
build x86_64 "$work/x86_64-a" "$work/cache-a"
build x86_64 "$work/second-x86_64-build" "$work/cache-b"
compare x86_64 "$work/x86_64-a" "$work/second-x86_64-build" || status=1

# i686: the program and its packages twice, against the machine's Coin build.
build i686 "$work/i686-a"
build i686 "$work/second-i686-build"
compare i686 "$work/i686-a" "$work/second-i686-build" || status=1

if [ $status -eq 0 ]; then
    say "every output the same in both builds; took $((SECONDS - start)) s"
else
    say "outputs differ (above); took $((SECONDS - start)) s"
fi
exit $status
