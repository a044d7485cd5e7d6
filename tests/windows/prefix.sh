#!/usr/bin/env bash
# Starts and stops the wine prefix that the Windows tests share: a persistent wineserver and
# the prefix's own services, started with no terminal or pipe of a test attached to them.
# Requires $WINE and $WINESERVER commands (default wine, wineserver), WINEPREFIX and timeout.
# Does not install wine.
#
# usage: prefix.sh start EXE | prefix.sh stop | prefix.sh alive
set -u

wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
: "${WINEPREFIX:?WINEPREFIX must be set}"
# For all attempts together: within the start test's CTest timeout, with room to report.
total_seconds=2700
# A set-up under qemu takes about ten minutes.
attempt_seconds=1080
# A start of the test program once the prefix is ready takes about a minute under qemu.
run_seconds=240
log=$WINEPREFIX.log
ready_mark=$WINEPREFIX/.tests-ready

# The processes of this prefix, server included: wine's programs (or the emulator running
# them) started with its WINEPREFIX. The shells of the tests have it too and are left alone.
prefix_processes() {
    local entry
    for entry in /proc/[0-9]*; do
        case $(readlink "$entry/exe" 2>/dev/null) in
        *wine* | *qemu*) ;;
        *) continue ;;
        esac
        grep -qzxF "WINEPREFIX=$WINEPREFIX" "$entry/environ" 2>/dev/null && echo "${entry#/proc/}"
    done
}

# Whether a process of this prefix whose command line has $1 is running.
prefix_running() {
    local pid
    for pid in $(prefix_processes); do
        grep -qF "$1" "/proc/$pid/cmdline" 2>/dev/null && return 0
    done
    return 1
}

tear_down() {
    "$wineserver" -k </dev/null >/dev/null 2>&1
    sleep 2
    local pids
    pids=$(prefix_processes)
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null
}

# One start of the test program, its messages kept in the log; words before the label run
# it (a time bound).
logged_start() {
    echo "--- $(date +%T) run $1" >>"$log"
    "${@:2}" "$wine" "$exe" </dev/null >/dev/null 2>>"$log"
}

run_once() {
    logged_start "$1" timeout -k 10 $run_seconds
}

# The first start is not under timeout: timeout signals its whole process group, and that
# would take wineboot, which the first start launches, with it. The attempt's deadline
# bounds it instead.
first_start() {
    logged_start first
}

start_server() {
    # Persistent, so that the services outlive each test; otherwise every test would pay
    # for their start and they would hold the test's output pipe open. Kept in the
    # foreground of its own background job: a server that forks itself away did not survive
    # under qemu.
    nohup "$wineserver" -f -p </dev/null >>"$log" 2>&1 &
    sleep 2
}

# Creates the prefix. Its first start sets it up: wine starts wineboot and waits for it, but
# only for a few minutes. Under an emulator the set-up takes longer, and a program started
# before it is done can fail to load (seen as status 53, a missing DLL), so the first start's
# status says nothing; the set-up is done when wineboot has said so and ended. Under qemu,
# wine's own processes sometimes crash on the way; once it was the server, and every client
# then waited on it for ever. An attempt whose server is lost, or whose wineboot ends
# without finishing, is given up.
create_prefix() {
    local deadline=$((SECONDS + attempt_seconds)) first
    local marker="--- attempt $1 at $(date +%T)"
    echo "$marker" >>"$log"
    mkdir -p "$WINEPREFIX"
    start_server
    first_start &
    first=$!
    while kill -0 $first 2>/dev/null || prefix_running wineboot.exe; do
        prefix_running wineserver || {
            echo "wine's server ended during the prefix set-up"
            return 1
        }
        [ $SECONDS -lt $deadline ] || {
            echo "the prefix set-up was still running after $attempt_seconds s"
            return 1
        }
        sleep 5
    done
    wait $first
    echo "first start ended with status $?"
    sed -n "/^$marker\$/,\$p" "$log" | grep -q 'has been updated' || {
        echo "wine's set-up ended without finishing it"
        return 1
    }
    echo "the prefix set-up has ended"
}

# With the prefix made, a start must succeed. One retry covers a service that was still
# starting; a second failure, or a start that hangs, is a real one.
check_prefix() {
    local attempt status
    for attempt in 1 2; do
        run_once "ready $attempt" && return 0
        status=$?
        echo "start $attempt in the ready prefix ended with status $status"
        [ $status -ne 124 ] || return 1
    done
    return 1
}

case $1 in
start)
    exe=$2
    : >"$log"
    # A prefix that an earlier run made is used again.
    if [ -e "$ready_mark" ]; then
        start_server
        check_prefix && {
            echo "wine prefix ready (made earlier): $WINEPREFIX"
            exit 0
        }
        tear_down
        rm -rf "$WINEPREFIX"
    fi
    for attempt in 1 2 3; do
        [ $((SECONDS + attempt_seconds + 2 * run_seconds)) -le $total_seconds ] || break
        if create_prefix $attempt && check_prefix; then
            touch "$ready_mark"
            echo "wine prefix ready: $WINEPREFIX (took $SECONDS s, attempt $attempt)"
            exit 0
        fi
        tear_down
        rm -rf "$WINEPREFIX"
        echo "attempt $attempt given up after $SECONDS s"
    done
    echo "FAIL: no working wine prefix"
    echo "wine's messages (last lines of $log):"
    grep -v 'could not open working directory' "$log" | tail -15
    exit 1
    ;;
stop)
    tear_down
    echo "wine prefix stopped"
    ;;
alive)
    prefix_running wineserver
    ;;
esac
