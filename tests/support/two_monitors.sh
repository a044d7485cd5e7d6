#!/usr/bin/env bash
# Starts or stops the two-monitor display of a test run: Xorg with the dummy driver
# (two-monitors.conf beside this script), its outputs DUMMY0 and DUMMY1 switched on side by
# side at 1280x1024 each (DUMMY0 primary, on the left), and openbox as the window manager
# with the settings in openbox-rc.xml.
# DUMMY0 is 338 mm wide (96 dots per inch), DUMMY1 169 mm (192): a desktop monitor beside a
# laptop panel, for Qt's scaling from each monitor's physical size.
# The state file records the display name, the server's pid and the window manager's pid,
# one a line; the server's log is the state file's name with ".log" added.
# Usage: two_monitors.sh start|stop STATE_FILE
set -euo pipefail

action="${1:-}"
state="${2:-}"
if [ -z "$state" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
  echo "usage: $0 start|stop STATE_FILE" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"

# Ends `pid` if it is still the program `name` that we started. The script that started it
# has ended, so a process that has exited waits for init to reap it: that counts as ended.
stop_process() {
  local pid="$1" name="$2"
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 100); do
    local state
    state="$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null || true)"
    { [ -z "$state" ] || [ "$state" = Z ]; } && return 0
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null || true
}

stop_recorded() {
  [ -f "$state" ] || return 0
  local display="" server="" manager=""
  { read -r display; read -r server; read -r manager; } < "$state" || true
  rm -f "$state"
  stop_process "$manager" openbox
  stop_process "$server" Xorg
  echo "two-monitors: stopped $display"
}

if [ "$action" = stop ]; then
  stop_recorded
  exit 0
fi

stop_recorded # left over from a run that never reached its cleanup
for program in Xorg xrandr openbox xprop; do
  command -v "$program" >/dev/null ||
    { echo "two-monitors: $program is not installed (scripts/install-deps.sh test)" >&2; exit 1; }
done
# The server itself, not the wrapper that xserver-xorg-legacy adds, which lets only users
# at a console start it.
server_program=/usr/lib/xorg/Xorg
[ -x "$server_program" ] || server_program="$(command -v Xorg)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkfifo "$work/displayfd"
mkdir "$work/configdir" # empty: no configuration snippets from the machine's own
log="$state.log"
# Xorg picks a free display number and writes it to descriptor 3 once it accepts clients.
# Started by root it would take a virtual terminal and switch to it; -sharevts and
# -novtswitch leave the machine's consoles as they are.
setsid "$server_program" -config "$here/two-monitors.conf" -configdir "$work/configdir" -displayfd 3 \
  -noreset -nolisten tcp -sharevts -novtswitch -logfile "$log" \
  3>"$work/displayfd" </dev/null >/dev/null 2>&1 &
server=$!
number=""
read -r -t 30 number < "$work/displayfd" || true
fail() {
  echo "two-monitors: $1; the server's log ($log):" >&2
  tail -n 30 "$log" >&2 || true
  kill "$server" 2>/dev/null || true
  exit 1
}
{ [ -n "$number" ] && kill -0 "$server" 2>/dev/null; } || fail "the server did not start"
export DISPLAY=":$number"

xrandr --output DUMMY0 --mode 1280x1024 --pos 0x0 --primary
xrandr --addmode DUMMY1 1280x1024
xrandr --output DUMMY1 --mode 1280x1024 --pos 1280x0
xrandr --output DUMMY0 --set WIDTH_MM 338 --set HEIGHT_MM 270
xrandr --output DUMMY1 --set WIDTH_MM 169 --set HEIGHT_MM 135
# Qt reads the monitors once, at its start: both must be there before any test begins.
monitors=0
for _ in $(seq 50); do
  monitors=$(xrandr --listmonitors | awk 'NR == 1 {print $2}')
  [ "$monitors" = 2 ] && break
  sleep 0.1
done
[ "$monitors" = 2 ] || fail "xrandr shows $monitors monitors, not 2"

setsid openbox --sm-disable --config-file "$here/openbox-rc.xml" \
  </dev/null >"$state.openbox.log" 2>&1 &
manager=$!
# A window manager that runs names itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$manager" 2>/dev/null || break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  kill "$manager" 2>/dev/null || true
  fail "openbox did not take over the screen (its log: $state.openbox.log)"
fi
printf ':%s\n%s\n%s\n' "$number" "$server" "$manager" > "$state"
echo "two-monitors: started :$number (Xorg pid $server, openbox pid $manager), recorded in $state"
