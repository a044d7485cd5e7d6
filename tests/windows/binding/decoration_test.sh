#!/usr/bin/env bash
# Runs the decoration test program under wine, with wine's system dpi at 96 and at 144, on a
# private Xvfb display that it starts and stops itself, in a wine prefix of its own inside the work folder (made on the first run).
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
rm -f "$work"/decoration_failure*.bmp

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
# Once with the system at 96 dpi and once at 144 (wine's setting, read when its server starts).
status=0
for system_dpi in 96 144; do
    timeout -k 5 30 "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$system_dpi" /f </dev/null >>wine.log 2>&1
    timeout -k 5 30 "$wineserver" -k 2>/dev/null
    timeout -k 5 30 "$wineserver" -w 2>/dev/null
    echo "--- the system at $system_dpi dpi"
    timeout -k 5 90 "$wine" "$exe" </dev/null >output.txt 2>>wine.log
    run=$?
    cat output.txt
    if [ "$run" -ne 0 ]; then
        status=$run
        echo "FAIL: status $run; wine's messages (last lines of $work/wine.log):"
        tail -15 wine.log
        if [ -f decoration_failure.bmp ]; then
            mv decoration_failure.bmp "decoration_failure_$system_dpi.bmp"
            echo "the screen at the failure: $work/decoration_failure_$system_dpi.bmp"
        fi
    fi
done
exit "$status"
