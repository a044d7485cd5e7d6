#!/usr/bin/env bash
# Starts and stops the wine prefix that the Windows tests share: a persistent wineserver and
# the prefix's own services, started with no terminal or pipe of a test attached to them.
# Requires $WINE and $WINESERVER commands (default wine, wineserver), WINEPREFIX and pgrep.
# Does not install wine.
#
# usage: prefix.sh start EXE | prefix.sh stop
set -u

wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
: "${WINEPREFIX:?WINEPREFIX must be set}"
# Within the start test's own CTest timeout, with room to report.
budget_seconds=${WINDOWS_PREFIX_SECONDS:-1680}
log=$WINEPREFIX.log

fail() {
    echo "FAIL: $*"
    if [ -s "$log" ]; then
        echo "wine's messages (last lines of $log):"
        tail -15 "$log"
    fi
    exit 1
}

run_once() {
    echo "--- $(date +%T) run $1" >>"$log"
    "$wine" "$exe" </dev/null >/dev/null 2>>"$log"
}

setup_running() {
    pgrep -f 'wineboot\.exe' >/dev/null
}

case $1 in
start)
    exe=$2
    mkdir -p "$WINEPREFIX"
    : >"$log"
    # Persistent, so that the services outlive each test; otherwise every test would pay
    # for their start and they would hold the test's output pipe open. Kept in the
    # foreground of its own background job: a server that forks itself away did not survive
    # under qemu.
    nohup "$wineserver" -f -p </dev/null >/dev/null 2>&1 &
    sleep 2
    deadline=$((SECONDS + budget_seconds))

    # The first run creates or updates the prefix: wine starts wineboot and waits for it,
    # but only for two minutes. Under an emulator the set-up takes longer, and a program
    # started before it is done can fail to load (seen as status 53, a missing DLL). So the
    # first run's status says nothing; the prefix is ready once wineboot has ended.
    run_once first
    echo "first run ended with status $?; waiting for the prefix set-up to finish"
    while setup_running; do
        [ $SECONDS -lt $deadline ] || fail "the prefix set-up was still running after $budget_seconds s"
        sleep 5
    done

    # With the set-up done, a run must succeed. One retry covers a service that was still
    # starting; a second failure is a real one.
    for attempt in 1 2; do
        run_once "ready $attempt" && {
            echo "wine prefix ready: $WINEPREFIX (set-up took $SECONDS s)"
            exit 0
        }
        status=$?
        echo "run $attempt after the set-up ended with status $status"
        [ $SECONDS -lt $deadline ] || break
    done
    fail "$exe under wine ended with status $status after the prefix set-up"
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1
    echo "wine prefix stopped"
    ;;
esac
