#!/usr/bin/env bash
# Starts and stops one wine prefix of the Windows window tests: a persistent wineserver, the
# prefix made (or brought up to date) by wineboot on the test display, the screen's
# resolution that wine tells programs (HKCU\Control Panel\Desktop, LogPixels), and one idle
# Windows program that stays for the whole run: without one, a program started soon after the
# previous one ended often waited 3 to 10 s for its window (seemingly while wine wound the
# prefix's own processes down after its last program and started them again).
# Requires wine64 (OVERLAY_WINE64, default /usr/lib/wine/wine64), its wineserver beside it,
# and timeout. Does not: start the display (desktop.sh does).
#
# usage: wine_prefix.sh start PREFIX DPI STATE_FILE | wine_prefix.sh stop PREFIX
set -u

wine=${OVERLAY_WINE64:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
export WINEPREFIX=$2 WINEDEBUG=-all
log=$WINEPREFIX.log

# Every wine start is bounded; -k ends one that ignores the first signal.
bounded() {
    timeout -k 5 "$@"
}

case $1 in
start)
    dpi=$3
    DISPLAY=$(head -n1 "$4")
    export DISPLAY
    mkdir -p "$WINEPREFIX"
    : >"$log"
    # Persistent, so that no test pays for the prefix's services; detached from the test's
    # output so that ctest doesn't wait on it.
    "$wineserver" -p </dev/null >>"$log" 2>&1
    # No Mono or Gecko: their installers would ask on the display.
    if ! WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
        bounded 180 "$wine" wineboot --init </dev/null >>"$log" 2>&1; then
        echo "FAIL: wineboot did not set the prefix up; wine's messages (last lines of $log):"
        tail -15 "$log"
        exit 1
    fi
    if ! bounded 60 "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$dpi" /f </dev/null >>"$log" 2>&1; then
        echo "FAIL: could not set LogPixels to $dpi; wine's messages (last lines of $log):"
        tail -15 "$log"
        exit 1
    fi
    # Wine 10 reads the monitors' dpi once, in the processes wineboot left running: ended, so
    # that the whole prefix starts again at the new setting, as Windows wants a new sign-in.
    bounded 30 "$wineserver" -k </dev/null >/dev/null 2>&1
    bounded 30 "$wineserver" -w </dev/null >/dev/null 2>&1
    "$wineserver" -p </dev/null >>"$log" 2>&1
    # cmd waits for a line on a FIFO opened for reading and writing: nothing ever comes, and
    # the FIFO never reports an end. wineserver -k ends it.
    keeper=$WINEPREFIX.keeper
    rm -f "$keeper"
    mkfifo "$keeper"
    setsid "$wine" cmd.exe /c "set /p line=" 0<>"$keeper" >>"$log" 2>&1 &
    echo "wine prefix ready at $dpi dpi: $WINEPREFIX ($SECONDS s)"
    ;;
stop)
    bounded 30 "$wineserver" -k </dev/null >/dev/null 2>&1
    bounded 30 "$wineserver" -w </dev/null >/dev/null 2>&1
    rm -f "$WINEPREFIX.keeper"
    echo "wine prefix stopped: $WINEPREFIX"
    ;;
*)
    echo "usage: $0 start PREFIX DPI STATE_FILE | stop PREFIX" >&2
    exit 2
    ;;
esac
