#!/usr/bin/env bash
# Starts and stops the wine prefix that the Windows tests share: a persistent wineserver and
# the prefix's own services, started with no terminal or pipe of a test attached to them.
# Requires $WINE and $WINESERVER commands (default wine, wineserver) and WINEPREFIX.
# Does not install wine.
#
# usage: prefix.sh start EXE | prefix.sh stop
set -u

wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
: "${WINEPREFIX:?WINEPREFIX must be set}"

case $1 in
start)
    mkdir -p "$WINEPREFIX"
    # Persistent, so that the services outlive each test; otherwise every test would pay
    # for their start and they would hold the test's output pipe open. Kept in the
    # foreground of its own background job: a server that forks itself away did not survive
    # under qemu.
    nohup "$wineserver" -f -p </dev/null >/dev/null 2>&1 &
    sleep 2
    # The first run creates or updates the prefix and starts its services with /dev/null
    # attached; it can end before the set-up does, the second run waits for it.
    "$wine" "$2" </dev/null >/dev/null 2>&1 && "$wine" "$2" </dev/null >/dev/null 2>&1
    status=$?
    [ $status -eq 0 ] || {
        echo "FAIL: $2 under wine ended with status $status"
        exit 1
    }
    echo "wine prefix ready: $WINEPREFIX"
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1
    echo "wine prefix stopped"
    ;;
esac
