#!/usr/bin/env bash
# Starts or stops the desktop that the Windows window tests run on: a private Xvfb display
# (xvfb.sh, whose state file the tests read) with openbox managing its windows, so that the
# program's windows are reparented, placed and closed as on a user's desktop.
# Requires Xvfb, openbox and xprop. Does not: set up wine (wine_prefix.sh does).
#
# usage: desktop.sh start|stop STATE_FILE XVFB_SCRIPT [Xvfb arguments]
#   (the arguments, where given, replace xvfb.sh's default screen)
set -euo pipefail

action=$1
state=$2
xvfb=$3
wm_state=$state.wm

stop_window_manager() {
    [ -f "$wm_state" ] || return 0
    local pid
    pid=$(cat "$wm_state")
    rm -f "$wm_state"
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = openbox ]; then
        kill "$pid"
        echo "desktop: stopped openbox (pid $pid)"
    fi
}

case $action in
start)
    stop_window_manager # left over from a run that never reached its cleanup
    bash "$xvfb" start "$state" "${@:4}"
    display=$(head -n1 "$state")
    command -v openbox >/dev/null || { echo "desktop: openbox is not installed" >&2; exit 1; }
    DISPLAY=$display setsid openbox --sm-disable </dev/null >"$wm_state.log" 2>&1 &
    echo $! >"$wm_state"
    # openbox announces itself on the root window once it manages the screen.
    for _ in $(seq 100); do
        if DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            echo "desktop: openbox manages $display (pid $(cat "$wm_state"))"
            exit 0
        fi
        sleep 0.1
    done
    echo "desktop: openbox did not start on $display; its log:" >&2
    cat "$wm_state.log" >&2
    exit 1
    ;;
stop)
    stop_window_manager
    bash "$xvfb" stop "$state"
    ;;
*)
    echo "usage: $0 start|stop STATE_FILE XVFB_SCRIPT [Xvfb arguments]" >&2
    exit 2
    ;;
esac
