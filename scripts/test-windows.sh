#!/usr/bin/env bash
# Builds overlay-plane.exe and its Windows tests for 64-bit and 32-bit Windows with Debian's
# mingw-w64 compilers, against Coin cross-built by scripts/build-coin-windows.sh; checks the
# programs' format and that they need no DLL beyond Windows' own (the shipped program: none
# beyond Windows 7's KnownDLLs); makes the downloads with CPack (a zip and an installer per
# arch, and SHA256SUMS beside them); builds the x86-64 program and zip a second time, in
# another folder, and checks that the bytes are the same; and runs the tests under wine: each
# build's console, Coin and binding tests, and the window tests (a host build of the Linux
# window tests that starts the .exe under wine on a private Xvfb display with openbox): the
# x86-64 program at 96 and 144 dpi, the 32-bit one at 96 dpi, each also from its unpacked zip,
# with DLLs planted beside it, started as Explorer starts it, and installed by its installer.
# 32-bit programs run natively where the kernel runs them; elsewhere through qemu's user-mode
# emulator (taken from Debian 13 by scripts/fetch-qemu-i386.sh) in a binfmt_misc private to
# the tests' namespace (Linux 6.7 and later); where neither works they are built and checked,
# and the script says why they were not run.
# Requires Debian (apt-get, dpkg) on x86-64; installs what is missing and says so.
#
# usage: scripts/test-windows.sh [--emulate-i386]   (from anywhere; the builds go to build-windows/)
#   --emulate-i386: the 32-bit programs run through qemu even where the kernel runs them.
# The last lines printed are the paths of the downloads and of SHA256SUMS.
set -euo pipefail

emulate_i386=0
case "${1:-}" in
"") ;;
--emulate-i386) emulate_i386=1 ;;
*) echo "usage: $0 [--emulate-i386]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
builds=$root/build-windows

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Each step says how long it took.
step_start=$SECONDS
step_name=""
step() {
    [ -z "$step_name" ] || echo "test-windows: $step_name took $((SECONDS - step_start)) s"
    step_name=$1
    step_start=$SECONDS
    [ -z "$step_name" ] || echo "test-windows: $step_name"
}

. "$root/scripts/lib/apt-install.sh"
. "$root/scripts/lib/helper-output.sh"
. "$root/scripts/lib/runs-32bit.sh"

# ---- what is needed ----
step "checking what is installed"
# Cross compilers, wine, what building Coin needs (boost's headers, dpkg-source), what the
# program's icon is drawn with (rsvg-convert, icotool), what its resources are read with
# (wrestool, xmllint), what makes the installer (makensis), and what the window tests need on
# the host (a compiler, GoogleTest, Xlib with XTest, Xvfb, openbox, xprop).
needed=(cmake make file coreutils patch zip unzip dpkg-dev libboost-dev util-linux nsis procps
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 librsvg2-bin icoutils libxml2-utils
    g++ libgtest-dev libx11-dev libxtst-dev xvfb openbox x11-utils)

install_missing test-windows "${needed[@]}"

# How 32-bit programs run: natively, or emulated where the kernel lets a namespace have a
# binfmt_misc of its own (or where --emulate-i386 asks for it, to try that path on a kernel
# that runs them); i386_runner is the command that runs a command so that they do.
run_32bit=""
i386_runner=()
with_emulation=$root/scripts/lib/with-emulated-i386.sh
private_binfmt() {
    unshare --user --map-root-user --mount \
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null
}
if [ "$emulate_i386" -eq 0 ] && runs_32bit; then
    echo "32-bit programs: run natively"
elif private_binfmt; then
    if [ "$emulate_i386" -eq 1 ]; then
        echo "32-bit programs: through qemu in a private binfmt_misc, as asked"
    else
        echo "32-bit programs: this kernel runs none; they run through qemu in a private binfmt_misc"
    fi
    helper_output qemu 2 "$root/scripts/fetch-qemu-i386.sh"
    i386_runner=("$with_emulation" "${qemu[0]}" "${qemu[1]}")
    runs_32bit "${i386_runner[@]}" || run_32bit="qemu's emulator does not run the 32-bit probe"
else
    run_32bit="this machine's kernel ($(uname -r)) runs no 32-bit programs and gives a namespace no binfmt_misc of its own (Linux 6.7 and later do)"
fi
if [ -z "$run_32bit" ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "adding the i386 architecture (for wine32)"
        "${sudo_cmd[@]}" dpkg --add-architecture i386
        apt_lists_fresh=0
    fi
    # wine32 finds no pixel formats without Mesa's 32-bit GL, which it only recommends. Where
    # the archive's i386 lists lag behind the machine's own packages, these can't be installed;
    # the 32-bit programs are then built and checked but not run, as on a kernel without them.
    install_missing test-windows wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 ||
        run_32bit="wine32 could not be installed from this machine's archive"
fi
if [ -z "$run_32bit" ] && ! "${i386_runner[@]}" /usr/lib/wine/wine --version >/dev/null 2>&1; then
    run_32bit="32-bit wine does not start here"
fi

# DLLs that every Windows has: a test program importing only these runs from its own folder.
system_dlls='^(kernel32|user32|gdi32|opengl32|glu32|msvcrt|advapi32|shell32|comctl32|comdlg32|ole32|oleaut32|uuid|winmm|ws2_32|imm32|uxtheme|dwmapi|shlwapi|version)\.dll$'
# Windows 7's KnownDLLs, which Windows takes from the system folder whatever lies beside the
# program: the only static imports the shipped program may have. Any other DLL (opengl32) it
# loads itself, from the system folder.
known_dlls='^(advapi32|clbcatq|comdlg32|gdi32|imagehlp|imm32|kernel32|lpk|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shell32|shlwapi|urlmon|user32|usp10|wininet|wldap32|ws2_32)\.dll$'

# usage: check_program ARCH FORMAT DLLS PROGRAM; fails the stage on a wrong format (FORMAT: a
# bash pattern of what `file` says) or an import of a DLL that the regex DLLS doesn't match.
failed=0
check_program() {
    local arch=$1 format=$2 dlls=$3 program=$4 description dll foreign=()
    description=$(file -b "$program")
    # shellcheck disable=SC2053 # a pattern on purpose
    if [[ $description != $format ]]; then
        echo "FAIL: ${program#$root/} is not a $format: $description"
        failed=1
        return
    fi
    while read -r dll; do
        [[ ${dll,,} =~ $dlls ]] || foreign+=("$dll")
    done < <("$arch-w64-mingw32-objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p')
    if [ ${#foreign[@]} -gt 0 ]; then
        echo "FAIL: ${program#$root/} imports DLLs beyond those allowed for it: ${foreign[*]}"
        failed=1
        return
    fi
    echo "$description, allowed DLLs only: ${program#$root/}"
}

# usage: build ARCH FORMAT [WINE WINESERVER]; configures against Coin for ARCH, builds, checks
# the programs (FORMAT: what `file` says of a program, with "%s" for its subsystem), and with a
# wine command runs the tests labelled windows (through the command in the array runner, where
# it names one).
build() {
    local arch=$1 format=$2 build=$builds/$1 coin coin_dir
    step "Coin for $arch"
    helper_output coin 1 "$root/scripts/build-coin-windows.sh" "$arch"
    coin_dir=$(find "$coin/lib/cmake" -maxdepth 1 -type d -name 'Coin-*' 2>/dev/null | head -n1 || true)
    [ -n "$coin_dir" ] || { echo "FAIL: no Coin config package under $coin"; exit 1; }

    step "building for $arch"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCoin_DIR="$coin_dir" \
        -DOVERLAY_CONSOLE_ONLY=OFF \
        -DOVERLAY_WINE="${3:-wine}" -DOVERLAY_WINESERVER="${4:-wineserver}" >/dev/null
    cmake --build "$build" -j2

    local programs program
    # (not the wine prefixes that an earlier run's tests left in the build)
    mapfile -t programs < <(find "$build/app" "$build/tests" -name '*.exe' -not -path '*/CMakeFiles/*' \
        -not -path '*/wineprefix/*')
    if [ ! -f "$build/app/overlay-plane.exe" ] || [ ${#programs[@]} -lt 2 ]; then
        echo "FAIL: overlay-plane.exe or the $arch test programs were not built"
        failed=1
        return
    fi
    for program in "${programs[@]}"; do
        if [ "$program" = "$build/app/overlay-plane.exe" ]; then
            # shellcheck disable=SC2059 # the format is the caller's
            check_program "$arch" "$(printf "$format" GUI)" "$known_dlls" "$program"
        else
            # shellcheck disable=SC2059
            check_program "$arch" "$(printf "$format" '@(console|GUI)')" "$system_dlls" "$program"
        fi
    done

    if [ $# -le 2 ]; then
        # Without wine, the tests that only read the program's files.
        step "the $arch program's resources"
        ctest --test-dir "$build" -R '^windows_resources$' --output-on-failure || failed=1
        return 0
    fi
    step "console, Coin, resource and binding tests of the $arch build under wine"
    "${runner[@]}" ctest --test-dir "$build" -L windows --output-on-failure || failed=1
}

# usage: package ARCH; CPack makes ARCH's downloads from the install() rules, into
# build-windows/: overlay-plane-VERSION-windows-ARCH.zip and ...-setup.exe.
downloads=()
package() {
    local arch=$1 build=$builds/$1 file
    rm -rf "$build/packages"
    if ! (cd "$build" && cpack -B "$build/packages") >"$build/cpack.log" 2>&1; then
        echo "FAIL: CPack could not make the $arch downloads; its last lines:"
        tail -n 20 "$build/cpack.log"
        failed=1
        return
    fi
    for file in "$build"/packages/overlay-plane-*-windows-"$arch"{.zip,-setup.exe}; do
        cp "$file" "$builds/"
        downloads+=("$builds/${file##*/}")
        echo "${file##*/}: $(stat -c %s "$file") bytes"
    done
}

# usage: same_bytes ARCH; builds ARCH's program and zip again, in a folder of their own, and
# fails the stage where their bytes differ from the first build's.
same_bytes() {
    local arch=$1 first=$builds/$1 again=$builds/$1-again coin_dir file
    coin_dir=$(sed -n 's/^Coin_DIR:[A-Z]*=//p' "$first/CMakeCache.txt")
    rm -rf "$again"
    cmake -S "$root" -B "$again" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCoin_DIR="$coin_dir" \
        -DOVERLAY_BUILD_TESTS=OFF >/dev/null
    cmake --build "$again" -j2 >/dev/null
    (cd "$again" && cpack -G ZIP -B "$again/packages") >"$again/cpack.log" 2>&1 ||
        { echo "FAIL: the second $arch build's zip was not made"; failed=1; return; }
    for file in app/overlay-plane.exe packages/overlay-plane-*-windows-"$arch".zip; do
        file=$(cd "$first" && ls $file)
        if cmp -s "$first/$file" "$again/$file"; then
            echo "the same bytes from both builds: $file"
        else
            echo "FAIL: $file differs between build-windows/$arch and build-windows/$arch-again"
            failed=1
        fi
    done
}

# usage: window_tests ARCH DPIS LOADER; the window tests of ARCH's program and its zip under
# wine, started by wine's LOADER for that arch, in a host build of their own
# (build-windows/host for x86_64, host-ARCH otherwise), at the dpis given (a CMake list),
# through the command in the array runner where it names one.
window_tests() {
    local arch=$1 dpis=$2 loader=$3 host=$builds/host zip
    [ "$arch" = x86_64 ] || host=$builds/host-$arch
    zip=$(ls "$builds"/overlay-plane-*-windows-"$arch".zip)
    installer=$(ls "$builds"/overlay-plane-*-windows-"$arch"-setup.exe)
    step "window and download tests of the $arch program under wine, at $dpis dpi"
    cmake -S "$root" -B "$host" -DOVERLAY_WINDOWS_PROGRAM="$builds/$arch/app/overlay-plane.exe" \
        -DOVERLAY_WINDOWS_ZIP="$zip" -DOVERLAY_WINDOWS_INSTALLER="$installer" \
        -DOVERLAY_WINDOWS_DPIS="$dpis" -DOVERLAY_WINE_LOADER="$loader" >/dev/null
    cmake --build "$host" -j2
    "${runner[@]}" ctest --test-dir "$host" -L 'windows|download' --output-on-failure || failed=1
}

# The 64-bit program first, all the way to its window tests; then the 32-bit one.
runner=()
build x86_64 "PE32+ executable (%s) x86-64*" /usr/lib/wine/wine64 /usr/lib/wine/wineserver
step "downloads for x86_64"
package x86_64
step "the x86_64 program and zip built again"
same_bytes x86_64
window_tests x86_64 "96;144" /usr/lib/wine/wine64

if [ -z "$run_32bit" ]; then
    runner=("${i386_runner[@]}")
    build i686 "PE32 executable (%s) Intel 80386*" /usr/lib/wine/wine /usr/lib/wine/wineserver
    step "downloads for i686"
    package i686
    window_tests i686 96 /usr/lib/wine/wine
else
    build i686 "PE32 executable (%s) Intel 80386*"
    echo "32-bit Windows programs built and checked but not run: $run_32bit"
    step "downloads for i686"
    package i686
fi
step ""

# The sums of the downloads, beside them.
(cd "$builds" && sha256sum "${downloads[@]##*/}" >SHA256SUMS)
echo "test-windows: the downloads:"
printf '%s\n' "${downloads[@]}" "$builds/SHA256SUMS"
exit $failed
