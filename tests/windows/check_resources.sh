#!/usr/bin/env bash
# Reads the resources out of a built overlay-plane.exe, as Explorer would, and checks them: the
# first icon group, its id and its sizes; the version information against the project's version
# and LICENSE's copyright line; the manifest's identity, supported systems and dpi awareness.
# Requires wrestool and icotool (icoutils), xmllint (libxml2-utils), strings and od. Does not
# run the program.
#
# usage: check_resources.sh EXE VERSION LICENSE ICON_ID
set -u

exe=$1
version=$2
license=$3
icon_id=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in wrestool icotool xmllint strings od; do
    command -v $tool >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
wrestool -l "$exe" >"$work/list" 2>&1 || { echo "FAIL: wrestool can't read $exe"; exit 1; }

# ---- the icon ----
# Explorer shows the first icon group in the resource directory's order, which wrestool keeps.
first_group=$(grep -m1 -- '--type=14 ' "$work/list")
if [ -z "$first_group" ]; then
    fail "no icon group; the resources are:"
    cat "$work/list"
elif [[ $first_group != *"--name=$icon_id "* ]]; then
    fail "the first icon group is not id $icon_id: $first_group"
else
    wrestool -x -t 14 -n "$icon_id" "$exe" -o "$work/group.ico"
    sizes=$(icotool -l "$work/group.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=32 .*/\1x\2/p' |
        sort -n | xargs)
    expected="16x16 20x20 24x24 32x32 40x40 48x48 64x64 256x256"
    [ "$sizes" = "$expected" ] ||
        fail "icon group $icon_id has the 32-bit images '$sizes', not '$expected'"
fi

# ---- the version information ----
wrestool -x --raw -t 16 "$exe" >"$work/version" 2>/dev/null
if [ ! -s "$work/version" ]; then
    fail "no version information"
else
    # Its strings in order: each key is followed by its value.
    strings -el "$work/version" >"$work/strings"
    value() {
        sed -n "/^$1\$/{n;p;q}" "$work/strings"
    }
    copyright=$(grep -m1 '^Copyright ' "$license")
    expect_value() {
        local got
        got=$(value "$1")
        [ "$got" = "$2" ] || fail "version information: $1 is '$got', not '$2'"
    }
    expect_value ProductName "Overlay Plane"
    expect_value FileVersion "$version"
    expect_value ProductVersion "$version"
    expect_value OriginalFilename overlay-plane.exe
    expect_value LegalCopyright "$copyright"
    [ -n "$(value FileDescription)" ] || fail "version information: no FileDescription"
    # The fixed part, which Explorer shows as the file version: after its signature, the
    # structure's version, then file and product version as major<<16|minor, patch<<16|0.
    IFS=. read -r major minor patch <<<"$version"
    fixed=$(od -A n -v -t x4 "$work/version" | tr -s ' \n' ' ' |
        grep -o 'feef04bd [0-9a-f]* [0-9a-f]* [0-9a-f]* [0-9a-f]* [0-9a-f]*')
    want=$(printf 'feef04bd 00010000 %04x%04x %04x0000 %04x%04x %04x0000' \
        "$major" "$minor" "$patch" "$major" "$minor" "$patch")
    [ "$fixed" = "$want" ] || fail "fixed version information is '$fixed', not '$want' (for $version)"
fi

# ---- the manifest ----
wrestool -x --raw -t 24 -n 1 "$exe" >"$work/manifest" 2>/dev/null
if [ ! -s "$work/manifest" ]; then
    fail "no application manifest (RT_MANIFEST 1)"
elif ! xmllint --noout "$work/manifest"; then
    fail "the manifest is not well-formed XML"
else
    xpath() {
        xmllint --xpath "$1" "$work/manifest" 2>/dev/null
    }
    expect_xpath() {
        local got
        got=$(xpath "$1")
        [ "$got" = "$2" ] || fail "manifest: $3 is '$got', not '$2'"
    }
    expect_xpath "string(//*[local-name()='assemblyIdentity']/@version)" "$version.0" \
        "the assembly version"
    expect_xpath "normalize-space(//*[local-name()='dpiAwareness'])" "PerMonitorV2, PerMonitor" \
        "dpiAwareness"
    expect_xpath "normalize-space(//*[local-name()='dpiAware'])" "true/pm" "dpiAware"
    # Windows 7, 8, 8.1, and 10 and 11 (one id for both).
    for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
        1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
        expect_xpath "count(//*[local-name()='supportedOS'][@Id='{$os}'])" 1 "supportedOS {$os}"
    done
fi

[ $failures -eq 0 ] || exit 1
echo "resources of ${exe##*/}: icon group $icon_id ($sizes), version $version, manifest"
