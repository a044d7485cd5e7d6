#!/usr/bin/env bash
# Starts or stops the private Xvfb display of a test run. The state file records the
# display name on its first line and the server's pid on its second. Arguments after the
# state file replace the default screen (e.g. "-screen 0 640x480x24 -extension GLX"); they
# come last, so "-listen tcp" among them opens the display to TCP too.
# Usage: xvfb.sh start|stop STATE_FILE [Xvfb arguments]
set -euo pipefail

action="${1:-}"
state="${2:-}"
shift 2 || true
screen=("$@")
[ ${#screen[@]} -gt 0 ] || screen=(-screen 0 1280x1024x24)
if [ -z "$state" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
  echo "usage: $0 start|stop STATE_FILE [Xvfb arguments]" >&2
  exit 2
fi

# Stops the server recorded in the state file, if it is still an Xvfb of ours.
stop_recorded() {
  [ -f "$state" ] || return 0
  local display pid
  { read -r display; read -r pid; } < "$state" || true
  rm -f "$state"
  if [ -n "${pid:-}" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$pid"
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || { echo "xvfb: stopped $display (pid $pid)"; return 0; }
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    echo "xvfb: killed $display (pid $pid)"
  fi
}

if [ "$action" = stop ]; then
  stop_recorded
  exit 0
fi

stop_recorded # left over from a run that never reached its cleanup
command -v Xvfb >/dev/null || { echo "xvfb: Xvfb is not installed" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkfifo "$work/displayfd"
log="$state.log"
# Xvfb picks a free display number and writes it to descriptor 3 once it accepts clients.
setsid Xvfb -displayfd 3 -noreset -nolisten tcp "${screen[@]}" \
  3>"$work/displayfd" </dev/null >"$log" 2>&1 &
pid=$!
number=""
read -r -t 20 number < "$work/displayfd" || true
if [ -z "$number" ] || ! kill -0 "$pid" 2>/dev/null; then
  echo "xvfb: the server did not start; its log ($log):" >&2
  cat "$log" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
printf ':%s\n%s\n' "$number" "$pid" > "$state"
echo "xvfb: started :$number (pid $pid), recorded in $state"
