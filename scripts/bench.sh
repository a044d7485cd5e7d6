#!/usr/bin/env bash
# Builds Release with the benchmark programs and runs the benchmark on a private Xvfb
# display, which it starts and stops itself. Prints the table and writes the same figures
# as JSON to build-release/bench/results.json. Not run with the tests.
# Usage: scripts/bench.sh [runs] [--candidate NAME=EXE]...
#   runs: 10 by default, at least 10 for figures to report; a candidate is a variant of the
#   program measured as one more peer in the same rounds, e.g. the build before a change.
# Or: scripts/bench.sh --windows [runs]
#   the x86-64 Windows program under wine64 (built by scripts/test-windows.sh): its time from
#   exec to the first correct frame, seen from outside in captures, and its file size.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --windows ]; then
  runs="${2:-10}"
  host=build-windows/host
  exe=build-windows/x86_64/app/overlay-plane.exe
  if [ ! -f "$exe" ] || [ ! -f "$host/CMakeCache.txt" ]; then
    echo "bench: no Windows build; scripts/test-windows.sh makes it" >&2
    exit 1
  fi
  cmake --build "$host" --target first-frame-time >/dev/null
  state="$PWD/$host/bench/windows/xvfb.state"
  tests="$PWD/$host/tests/windows/window"
  desktop=(bash tests/windows/window/desktop.sh)
  prefix=(bash tests/windows/window/wine_prefix.sh)
  trap '"${prefix[@]}" stop "$tests/wine-96" >/dev/null; "${desktop[@]}" stop "$state" tests/support/xvfb.sh >/dev/null' EXIT
  "${desktop[@]}" start "$state" "$PWD/tests/support/xvfb.sh"
  "${prefix[@]}" start "$tests/wine-96" 96 "$state"
  OVERLAY_TEST_VIEWER="$tests/overlay-plane-96" "$host/bench/windows/first-frame-time" "$runs"
  echo "overlay-plane.exe (x86-64): $(stat -c %s "$exe") bytes, as built and as in the zip"
  exit 0
fi

runs=10
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  runs="$1"
  shift
fi
build=build-release
scripts/install-deps.sh bench
echo "bench: configuring and building (preset release, with the benchmark programs)"
cmake --preset release -DOVERLAY_BUILD_BENCH=ON >/dev/null
cmake --build --preset release

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# -displayfd picks a free display and writes its number once the server accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  if [ -s "$work/display" ]; then
    break
  fi
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "bench: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
display=":$(head -n1 "$work/display")"
if [ "$display" = ":" ] || ! DISPLAY="$display" xdpyinfo >/dev/null 2>&1; then
  echo "bench: Xvfb is not answering" >&2
  exit 1
fi
echo "bench: Xvfb on display $display, $runs runs of each peer"

DISPLAY="$display" "$build/bench/bench-runner" \
  --probe "$PWD/$build/bench/frame_probe.so" \
  --program "$build/app/overlay-plane" \
  --bare "$build/bench/bare-viewer" \
  --floor "$build/bench/glx-floor" \
  --ivview "$(command -v ivview)" \
  --scene "$build/bench/square.iv" \
  --json "$build/bench/results.json" \
  --runs "$runs" "$@"
