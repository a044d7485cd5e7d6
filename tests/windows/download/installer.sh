#!/usr/bin/env bash
# The Windows installer under wine, as a user with administrator rights runs it: installed
# silently from a folder where DLLs are planted under the names it loads by name (as
# planted_dlls.sh plants them for the program; none may run), its files, Start menu link and
# Apps & features entry checked; the program started
# through the link's target and its first frame judged (window_test); a newer version (made
# here by CPack from the same build, its version raised) installed over it, leaving one entry;
# then uninstalled silently, leaving nothing that the installer made.
# Requires: wine, the Windows build's CPack configuration, cpack and makensis, strings.
# Does not: start the display or the prefix (the tests' fixtures do).
#
# usage: installer.sh INSTALLER ARCH LOADER PREFIX WINDOW_TEST CPACK_CONFIG WORK PLANTED_DLL NAME...
set -euo pipefail

installer=$1
arch=$2
loader=$3
export WINEPREFIX=$4 WINEDEBUG=-all
window_test=$5
cpack_config=$6
work=$7
planted=$8
shift 8

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
if [ "$arch" = x86_64 ]; then
    folder="$WINEPREFIX/drive_c/Program Files/Overlay Plane"
    view=/reg:64
else
    folder="$WINEPREFIX/drive_c/Program Files (x86)/Overlay Plane"
    view=/reg:32
fi
link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Overlay Plane.lnk"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
bounded() {
    timeout -k 5 120 "$@" </dev/null
}
# The Apps & features entries named "Overlay Plane", one "NAME VERSION" line each.
entries() {
    local subkey
    bounded "$loader" reg query "$key" "$view" 2>/dev/null | tr -d '\r' | grep -i '^HKEY' |
        while read -r subkey; do
            bounded "$loader" reg query "$subkey" "$view" 2>/dev/null | tr -d '\r' |
                awk '$1 == "DisplayName" && $0 ~ /Overlay Plane/ {found = 1}
                     $1 == "DisplayVersion" {version = $3}
                     END {if (found) print "Overlay Plane " version}'
        done
}
value() {
    bounded "$loader" reg query "$key\\Overlay Plane" /v "$1" "$view" 2>/dev/null | tr -d '\r' |
        awk -v name="$1" '$1 == name {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print}'
}

rm -rf "$work"
mkdir -p "$work"

# ---- installed silently, from a folder with DLLs planted ----
mkdir -p "$work/downloads"
cp "$installer" "$work/downloads/setup.exe"
for name in "$@"; do
    cp "$planted" "$work/downloads/$name.dll"
done
(IFS=,; WINEDLLOVERRIDES="$*=n,b" bounded "$loader" "$work/downloads/setup.exe" /S) ||
    fail "the installer ended with status $?"
ran=$(cd "$work/downloads" && find . -name "*.ran" | sed "s|^\./||; s|\.ran$||" | sort | xargs)
[ -z "$ran" ] || fail "DLLs planted beside the installer ran inside it: $ran"
found=$(cd "$folder" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs)
[ "$found" = "COIN-LICENSE.txt LICENSE README.txt Uninstall.exe overlay-plane.exe" ] ||
    fail "the installed folder holds: ${found:-nothing}"
[ -f "$link" ] || fail "no Start menu link \"Overlay Plane\""
version=$(value DisplayVersion)
echo "installed: $found; entry: $(entries | xargs), publisher $(value Publisher)"
for name in DisplayName DisplayVersion Publisher DisplayIcon EstimatedSize UninstallString \
    QuietUninstallString; do
    [ -n "$(value "$name")" ] || fail "the Apps & features entry has no $name"
done
[[ $(value QuietUninstallString) == *'Uninstall.exe" /S' ]] ||
    fail "QuietUninstallString is $(value QuietUninstallString)"

# ---- the program, through the link's target ----
target=$(strings -a "$link" | grep -i -m1 '^[a-z]:\\.*overlay-plane\.exe$' || true)
if [ -z "$target" ]; then
    fail "the link names no overlay-plane.exe"
else
    unix=$WINEPREFIX/drive_$(tr 'A-Z' 'a-z' <<<"${target:0:1}")/$(tr '\\' / <<<"${target:3}")
    printf '#!/bin/sh\ncd "%s" || exit 1\nexec "%s" "%s" "$@"\n' "$(dirname "$unix")" "$loader" \
        "$unix" >"$work/launcher"
    chmod +x "$work/launcher"
    OVERLAY_TEST_VIEWER=$work/launcher "$window_test" \
        --gtest_filter=WindowTest.FirstFrameShowsOneCentredLightGreenSquare ||
        fail "the installed program, started through the link, did not show the square"
fi

# ---- a newer version over it ----
newer=${version%.*}.$((${version##*.} + 1))
cpack --config "$cpack_config" -G NSIS -B "$work/newer" -D CPACK_PACKAGE_VERSION="$newer" \
    -D CPACK_PACKAGE_FILE_NAME=newer >"$work/newer.log" 2>&1 ||
    { tail -20 "$work/newer.log"; fail "cpack could not make version $newer"; }
if [ -f "$work/newer/newer-setup.exe" ]; then
    bounded "$loader" "$work/newer/newer-setup.exe" /S || fail "the newer installer ended with status $?"
    listed=$(entries)
    [ "$listed" = "Overlay Plane $newer" ] ||
        fail "after installing $newer over $version, the entries are: $(xargs <<<"$listed")"
    echo "after $newer over $version: $(xargs <<<"$listed")"
fi

# ---- uninstalled silently ----
# The uninstaller copies itself to a temporary folder, starts the copy and returns at once.
bounded "$loader" "$folder/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
for _ in $(seq 600); do
    pgrep -f '~nsu' >/dev/null || break
    sleep 0.1
done
left=()
[ ! -e "$folder" ] || left+=("the folder: $(cd "$folder" && find . -mindepth 1 | xargs)")
[ ! -e "$link" ] || left+=("the Start menu link")
[ -z "$(entries)" ] || left+=("the Apps & features entry")
[ ${#left[@]} -eq 0 ] || fail "after uninstalling, left: ${left[*]}"
[ $failed -ne 0 ] || echo "installed, started, upgraded and uninstalled"
exit $failed
