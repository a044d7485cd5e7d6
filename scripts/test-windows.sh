#!/usr/bin/env bash
# Cross-builds the console layer and its Windows tests as 32-bit console programs and runs the
# tests under wine. Requires Debian (apt-get, dpkg) on x86-64; installs what is missing.
# Does not build the viewer program itself: Coin and SoWin are not available for mingw here.
#
# usage: scripts/test-windows.sh        (from anywhere; the build goes to build-windows/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-windows

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

apt_updated=0
apt_install() {
    echo "installing: $*"
    if [ $apt_updated -eq 0 ]; then
        "${sudo_cmd[@]}" apt-get update -qq
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$@" >/dev/null
}

# ---- what is needed ----
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "adding the i386 architecture (for wine32)"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    apt_updated=0
fi
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v file >/dev/null || missing+=(file)
command -v i686-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-i686)
command -v wine >/dev/null || missing+=(wine)
[ -x /usr/lib/wine/wine ] || missing+=(wine32:i386)
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

# wine32 is a 32-bit Linux program. Where the kernel runs none (its 32-bit emulation switched
# off), wine runs under qemu's user-mode emulator instead: slower, same wine.
wine_cmd=wine
wineserver_cmd=wineserver
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "this machine cannot run 32-bit Linux programs; wine will run under qemu-i386"
    command -v qemu-i386 >/dev/null || apt_install qemu-user
    shim=$build/wine-qemu
    # wine finds its server, its data and the loader for new processes next to the loader it
    # was started as; a copy of the loader in a tree like /usr's makes those our wrappers.
    mkdir -p "$shim/lib/wine" "$shim/share"
    ln -sfn /usr/lib/i386-linux-gnu "$shim/lib/i386-linux-gnu"
    ln -sfn /usr/share/wine "$shim/share/wine"
    cp -f /usr/lib/wine/wine "$shim/lib/wine/wine-elf"
    cat >"$shim/lib/wine/wine" <<WRAPPER
#!/bin/sh
# The loader re-executes itself unless told not to; under qemu that exec would fail.
WINELOADERNOEXEC=1 exec qemu-i386 -0 wine "$shim/lib/wine/wine-elf" "\$@"
WRAPPER
    cat >"$shim/lib/wine/wineserver" <<WRAPPER
#!/bin/sh
exec qemu-i386 /usr/lib/wine/wineserver32 "\$@"
WRAPPER
    chmod +x "$shim/lib/wine/wine" "$shim/lib/wine/wineserver"
    wine_cmd=$shim/lib/wine/wine
    wineserver_cmd=$shim/lib/wine/wineserver
fi

# ---- build ----
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DOVERLAY_CONSOLE_ONLY=ON \
    -DOVERLAY_WINE="$wine_cmd" -DOVERLAY_WINESERVER="$wineserver_cmd" >/dev/null
cmake --build "$build" -j2

# ---- the test programs must be 32-bit console programs ----
mapfile -t programs < <(find "$build/tests/windows" -maxdepth 1 -name '*.exe')
[ ${#programs[@]} -gt 0 ] || {
    echo "FAIL: no test program was built"
    exit 1
}
for program in "${programs[@]}"; do
    description=$(file -b "$program")
    case $description in
    "PE32 executable (console) Intel 80386"*) echo "PE32 console, Intel 80386: ${program#$build/}" ;;
    *)
        echo "FAIL: ${program#$build/} is not a 32-bit console program: $description"
        exit 1
        ;;
    esac
done

# ---- run under wine, one prefix for the whole run ----
ctest --test-dir "$build" -L windows --output-on-failure
