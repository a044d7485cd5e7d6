#!/usr/bin/env bash
# Runs the decoration test program under wine on a private Xvfb display that it starts and
# stops itself, in a wine prefix of its own inside the work folder (made on the first run).
# The prefix is its own because wine's desktop keeps the display driver of the first program
# that opened it: a prefix whose server first ran a console program without a display gives
# every later window no driver at all. The work folder keeps the program's output, wine's
# messages and, when a check fails, the program's picture of the screen.
# Requires $WINE and $WINESERVER (defaults wine, wineserver), Xvfb and timeout.
# Does not install wine.
#
# usage: decoration_test.sh EXE WORK_FOLDER
set -u

exe=$(realpath "$1")
work=$(mkdir -p "$2" && cd "$2" && pwd)
wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
support=$(cd "$(dirname "$0")/../../support" && pwd)
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
rm -f "$work/decoration_failure.bmp"

state=$work/xvfb.state
bash "$support/xvfb.sh" start "$state" >/dev/null || exit 1
finish() {
    timeout -k 5 30 "$wineserver" -k 2>/dev/null
    bash "$support/xvfb.sh" stop "$state" >/dev/null
}
trap finish EXIT
export DISPLAY
DISPLAY=$(head -1 "$state")

cd "$work" || exit 1
if [ ! -f "$WINEPREFIX/system.reg" ] &&
    ! timeout -k 5 120 "$wine" wineboot --init </dev/null >wine.log 2>&1; then
    echo "FAIL: wineboot did not set the prefix up; last lines of $work/wine.log:"
    tail -15 wine.log
    exit 1
fi
timeout -k 5 90 "$wine" "$exe" </dev/null >output.txt 2>>wine.log
status=$?
cat output.txt
if [ "$status" -ne 0 ]; then
    echo "FAIL: status $status; wine's messages (last lines of $work/wine.log):"
    tail -15 wine.log
    [ -f decoration_failure.bmp ] && echo "the screen at the failure: $work/decoration_failure.bmp"
fi
exit "$status"
