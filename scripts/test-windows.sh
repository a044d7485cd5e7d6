#!/usr/bin/env bash
# Cross-builds the console layer and its Windows tests as 64-bit and 32-bit console programs,
# checks their format, and runs the tests under wine: the 64-bit programs always (wine64,
# natively), the 32-bit ones where this machine can run 32-bit programs. Requires Debian
# (apt-get, dpkg) on x86-64; installs what is missing. Does not build the viewer program
# itself: Coin and SoWin are not available for mingw here.
#
# usage: scripts/test-windows.sh        (from anywhere; the builds go to build-windows/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
builds=$root/build-windows

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

apt_updated=0
apt_install() {
    echo "installing: $*"
    if [ $apt_updated -eq 0 ]; then
        "${sudo_cmd[@]}" apt-get update -qq
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 \
        install -y -qq --no-install-recommends "$@" >/dev/null
}

# Whether the kernel runs 32-bit x86 programs: a 52-byte ELF header, one program header and
# "exit(0)" through int 0x80. A kernel without 32-bit support refuses it (Exec format error).
can_run_32bit() {
    local probe
    probe=$(mktemp)
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0' >"$probe"
    printf '\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010' >>"$probe"
    printf '\135\0\0\0\135\0\0\0\5\0\0\0\0\020\0\0\270\1\0\0\0\061\333\315\200' >>"$probe"
    chmod +x "$probe"
    local status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return $status
}

# ---- what is needed ----
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v file >/dev/null || missing+=(file)
command -v timeout >/dev/null || missing+=(coreutils)
command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-x86-64)
command -v i686-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-i686)
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)

run_32bit=""
if can_run_32bit; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "adding the i386 architecture (for wine32)"
        "${sudo_cmd[@]}" dpkg --add-architecture i386
        apt_updated=0
    fi
    [ -x /usr/lib/wine/wine ] || missing+=(wine32:i386)
else
    run_32bit="this machine's kernel runs no 32-bit programs"
fi
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
if [ -z "$run_32bit" ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    run_32bit="32-bit wine does not start here"
fi

# ---- build, check and run one kind of program ----
# usage: test_build ARCH FORMAT [WINE WINESERVER]; without a wine command it only builds
# and checks.
failed=0
test_build() {
    local arch=$1 format=$2 build=$builds/$1
    cmake -S "$root" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DOVERLAY_CONSOLE_ONLY=ON \
        -DOVERLAY_WINE="${3:-wine}" -DOVERLAY_WINESERVER="${4:-wineserver}" >/dev/null
    cmake --build "$build" -j2

    local programs program description
    mapfile -t programs < <(find "$build/tests/windows" -maxdepth 1 -name '*.exe')
    if [ ${#programs[@]} -eq 0 ]; then
        echo "FAIL: no $arch test program was built"
        failed=1
        return
    fi
    for program in "${programs[@]}"; do
        description=$(file -b "$program")
        case $description in
        "$format"*) echo "$format: ${program#$root/}" ;;
        *)
            echo "FAIL: ${program#$root/} is not a $format: $description"
            failed=1
            return
            ;;
        esac
    done

    [ $# -gt 2 ] || return 0
    ctest --test-dir "$build" -L windows --output-on-failure || failed=1
}

test_build x86_64 "PE32+ executable (console) x86-64" /usr/lib/wine/wine64 /usr/lib/wine/wineserver
if [ -z "$run_32bit" ]; then
    test_build i686 "PE32 executable (console) Intel 80386" /usr/lib/wine/wine /usr/lib/wine/wineserver
else
    test_build i686 "PE32 executable (console) Intel 80386"
    echo "32-bit Windows programs built and checked but not run: $run_32bit"
fi
exit $failed
