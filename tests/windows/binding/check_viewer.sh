#!/usr/bin/env bash
# Runs a Win32 viewer program under wine on a private Xvfb display that it starts and stops,
# with a time bound, and checks how it ends. The wine prefix is the check's own, in WORKDIR
# (made on the first run): wine's desktop keeps the display driver of the first program that
# opened it, and a prefix whose server first ran a console program without a display gives the
# next window no driver at all. Requires bash, timeout, Xvfb and the commands $WINE and
# $WINESERVER (defaults wine, wineserver). Does not install wine.
#
# usage: check_viewer.sh CHECK EXE WORKDIR XVFB_SCRIPT
#   driven:    EXE (examiner_test.exe, real_time_test.exe) drives its viewer and ends with the
#              number of failures
#   no-opengl: EXE (overlay-plane.exe) on a display without GLX: one line on stderr, status 1
set -u

check=$1
exe=$2
workdir=$3
xvfb=$4
wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
bound=120

mkdir -p "$workdir" && cd "$workdir" || exit 1
rm -f out err
state=$workdir/xvfb.state

fail() {
    echo "FAIL: $check: $*"
    [ -s out ] && { echo "standard output:"; tail -30 out; }
    [ -s err ] && { echo "standard error, with wine's messages (last lines):"; tail -15 err; }
    exit 1
}

case $check in
driven) screen=(-screen 0 1024x768x24) ;;
no-opengl) screen=(-screen 0 1024x768x24 -extension GLX) ;;
*) fail "unknown check" ;;
esac
bash "$xvfb" start "$state" "${screen[@]}" >/dev/null || fail "the test display did not start"
finish() {
    timeout -k 5 30 "$wineserver" -k 2>/dev/null
    bash "$xvfb" stop "$state" >/dev/null
}
trap finish EXIT
DISPLAY=$(head -1 "$state")
export DISPLAY WINEPREFIX=$workdir/wineprefix
if [ ! -f "$WINEPREFIX/system.reg" ] &&
    ! timeout -k 5 120 "$wine" wineboot --init </dev/null >err 2>&1; then
    fail "wineboot did not set the prefix up"
fi

timeout -k 10 $bound "$wine" "$exe" >out 2>err </dev/null
status=$?
[ $status -ne 124 ] && [ $status -ne 137 ] || fail "still running after $bound s"

case $check in
driven)
    cat out
    [ $status -eq 0 ] || fail "exit status $status"
    grep -q '^0 failure(s)' out || fail "the program did not finish its steps"
    ;;
no-opengl)
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    [ ! -s out ] || fail "standard output not empty"
    line=$(grep -a 'overlay-plane' err | tr -d '\r')
    echo "stderr: $line"
    case $line in
    *overlay-plane*": the display has no OpenGL"*) ;;
    *) fail "no line naming the missing OpenGL on stderr" ;;
    esac
    ;;
esac
echo "ok: $check"
