#!/usr/bin/env bash
# Starts and stops the wine prefix that the Windows tests of one build share: a persistent
# wineserver, the prefix made by wineboot, and one start of the test program to show it works.
# Requires $WINE and $WINESERVER commands, WINEPREFIX, and timeout. Does not install wine.
#
# usage: prefix.sh start EXE | prefix.sh stop
set -u

wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
: "${WINEPREFIX:?WINEPREFIX must be set}"
log=$WINEPREFIX.log

# Every wine start is bounded; -k ends one that ignores the first signal.
bounded() {
    timeout -k 5 "$@"
}

case $1 in
start)
    exe=$2
    : >"$log"
    mkdir -p "$WINEPREFIX"
    # Persistent, so that the prefix's services outlive each test and no test pays for
    # their start; detached from the test's output so that ctest doesn't wait on it.
    "$wineserver" -p </dev/null >>"$log" 2>&1
    echo "--- $(date +%T) wineboot" >>"$log"
    if ! bounded 120 "$wine" wineboot --init </dev/null >>"$log" 2>&1; then
        echo "FAIL: wineboot did not set the prefix up"
    elif ! bounded 60 "$wine" "$exe" </dev/null >>"$log" 2>&1; then
        echo "FAIL: the test program did not start in the prefix"
    else
        echo "wine prefix ready: $WINEPREFIX ($SECONDS s)"
        exit 0
    fi
    echo "wine's messages (last lines of $log):"
    tail -15 "$log"
    exit 1
    ;;
stop)
    bounded 30 "$wineserver" -k </dev/null >/dev/null 2>&1
    bounded 30 "$wineserver" -w </dev/null >/dev/null 2>&1
    echo "wine prefix stopped"
    ;;
*)
    echo "usage: $0 start EXE | stop" >&2
    exit 2
    ;;
esac
