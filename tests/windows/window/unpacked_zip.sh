#!/usr/bin/env bash
# Unpacks a distribution zip (either arch) into a fresh folder, checks that it holds exactly what
# a user is meant to get, and judges the first frame of the program started from there
# (window_test's first-frame test, through a launcher that runs the unpacked .exe).
# Requires unzip and wrestool. Does not: make the zip (scripts/test-windows.sh does).
#
# usage: unpacked_zip.sh ZIP FOLDER WINDOW_TEST LAUNCHER
set -euo pipefail

zip=$1
folder=$2
window_test=$3
launcher=$4

rm -rf "$folder"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
expected=$'COIN-LICENSE.txt\nLICENSE\nREADME.txt\noverlay-plane.exe'
found=$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$found" != "$expected" ]; then
    echo "FAIL: the zip holds"
    echo "$found"
    echo "and should hold"
    echo "$expected"
    exit 1
fi
grep -q "Redistribution and use" "$folder/LICENSE" || { echo "FAIL: LICENSE is not the licence"; exit 1; }
grep -qi "copyright" "$folder/COIN-LICENSE.txt" || { echo "FAIL: COIN-LICENSE.txt has no copyright notice"; exit 1; }
echo "unpacked into $folder: $(echo "$found" | tr '\n' ' ')"
# The stripped program keeps its resources: icon group (14), version (16) and manifest (24).
resources=$(wrestool -l "$folder/overlay-plane.exe" | grep -o -- '--type=[0-9]*' | sort -u | xargs)
for type in 14 16 24; do
    [[ " $resources " == *" --type=$type "* ]] ||
        { echo "FAIL: the zip's overlay-plane.exe lacks resources of type $type: $resources"; exit 1; }
done

OVERLAY_TEST_VIEWER=$launcher exec "$window_test" \
    --gtest_filter=WindowTest.FirstFrameShowsOneCentredLightGreenSquare
