#!/usr/bin/env bash
# Plants a DLL under each name the Windows program loads by name, beside a copy of the program
# in a fresh folder, and starts the program there with wine set to take those DLLs from the
# program's folder before its own (WINEDLLOVERRIDES=NAME,...=n,b), which is what Windows does
# for a DLL that is not one of its KnownDLLs. Passes when the square is right (window_test's
# first-frame test) and no planted DLL ran: each leaves a marker beside itself when loaded.
# Requires: the planted DLL of the Windows build (planted_dll.cpp). Does not: start the display
# or the prefix (the tests' fixtures do).
#
# usage: planted_dlls.sh PROGRAM PLANTED_DLL FOLDER WINDOW_TEST LAUNCHER NAME...
#   LAUNCHER starts FOLDER/overlay-plane.exe under wine.
set -euo pipefail

program=$1
planted=$2
folder=$3
window_test=$4
launcher=$5
shift 5

rm -rf "$folder"
mkdir -p "$folder"
cp "$program" "$folder/overlay-plane.exe"
for name in "$@"; do
    cp "$planted" "$folder/$name.dll"
done
echo "planted beside the program: $*"

status=0
(IFS=,; WINEDLLOVERRIDES="$*=n,b" OVERLAY_TEST_VIEWER=$launcher "$window_test" \
    --gtest_filter=WindowTest.FirstFrameShowsOneCentredLightGreenSquare) || status=$?
ran=$(cd "$folder" && find . -name "*.ran" | sed "s|^\./||; s|\.ran$||" | sort | xargs)
if [ -n "$ran" ]; then
    echo "FAIL: planted DLLs ran inside the program: $ran"
    exit 1
fi
echo "no planted DLL ran"
exit $status
