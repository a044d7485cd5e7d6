#!/usr/bin/env bash
# Runs one console_scenario.exe scenario under wine and checks its standard output, byte for
# byte, and its exit status; for the waiting scenario, that it is still alive with the banner
# already written. Requires bash, cmp, od, timeout and a wine command ($WINE, default wine) with
# WINEPREFIX set. Does not set up the prefix: prefix.sh does that once per run.
#
# usage: check_scenario.sh EXE WORKDIR CHECK
#   CHECK: bytes-file | bytes-pipe | wait | plain | cleared | identifiers
set -u

exe=$1
workdir=$2
check=$3
wine=${WINE:-wine}
# How long a start under wine may take before its output is due; a native start takes a
# fraction of a second.
start_seconds=30
alive_seconds=3

mkdir -p "$workdir" && cd "$workdir" || exit 1
rm -f out err console_scenario_real.txt

fail() {
    echo "FAIL: $check: $*"
    if [ -s out ]; then
        echo "standard output:"
        od -c out | head -20
    fi
    if [ -s err ]; then
        echo "standard error, with wine's messages (last lines):"
        tail -10 err
    fi
    exit 1
}

expect_output() {
    printf "$1" >expected
    if ! cmp -s expected out; then
        echo "expected:"
        od -c expected | head -20
        fail "standard output differs"
    fi
}

# A start that ends by itself, within the same bound.
run() {
    timeout -k 10 $start_seconds "$wine" "$exe" "$@"
}

expect_status() {
    [ "$2" -eq "$1" ] || fail "exit status $2, expected $1"
}

bytes='first\nsecond\r\nthird\rfourth\032\001\177\200\376\377\n'
banner0='\nEXITING WITH STATUS 0\n'

case $check in
bytes-file)
    run bytes >out 2>err </dev/null
    status=$?
    expect_status 0 $status
    expect_output "$bytes$banner0"
    ;;
bytes-pipe)
    run bytes 2>err </dev/null | cat >out
    status=${PIPESTATUS[0]}
    expect_status 0 $status
    expect_output "$bytes$banner0"
    ;;
wait)
    expected='Couldn'"'"'t read scene\n\nEXITING WITH STATUS 1\n'
    printf "$expected" >expected
    "$wine" "$exe" wait >out 2>err </dev/null &
    child=$!
    deadline=$((SECONDS + start_seconds))
    until cmp -s expected out; do
        if ! kill -0 $child 2>/dev/null; then
            wait $child
            fail "the process ended with status $? instead of waiting"
        fi
        [ $SECONDS -lt $deadline ] || {
            kill -KILL $child
            wait $child 2>/dev/null
            fail "no banner within $start_seconds s"
        }
        sleep 0.2
    done
    sleep $alive_seconds
    if ! kill -0 $child 2>/dev/null; then
        wait $child
        fail "the wait returned: the process ended with status $? after the banner"
    fi
    kill -KILL $child
    wait $child 2>/dev/null
    expect_output "$expected"
    ;;
plain)
    run plain >out 2>err </dev/null
    status=$?
    expect_status 5 $status
    expect_output ''
    ;;
cleared)
    run cleared >out 2>err </dev/null
    status=$?
    expect_status 4 $status
    expect_output 'before\n'
    ;;
identifiers)
    run identifiers >out 2>err </dev/null
    status=$?
    expect_status 0 $status
    expect_output "3\n2\n4\n5\n$banner0"
    ;;
*)
    fail "unknown check"
    ;;
esac
echo "ok: $check"
