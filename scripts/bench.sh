#!/usr/bin/env bash
# Builds Release with the benchmark programs and runs the benchmark on a private Xvfb
# display, which it starts and stops itself. Prints the table and writes the same figures
# as JSON to build-release/bench/results.json. Not run with the tests.
# Usage: scripts/bench.sh [runs] [--candidate NAME=EXE]...
#   runs: 10 by default, at least 10 for figures to report; a candidate is a variant of the
#   program measured as one more peer in the same rounds, e.g. the build before a change.
# Or: scripts/bench.sh --windows [runs]
#   the x86-64 Windows program under wine64 (built by scripts/test-windows.sh) beside a bare WGL
#   program that draws the same square straight into a child window (the floor), in the same
#   rounds: the time from exec to the first correct frame, seen from outside in captures, as a
#   ratio to the floor's; the time of a redraw forced from outside at 500x390 and 1920x1080;
#   and the program's file size.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --windows ]; then
  runs="${2:-10}"
  host=build-windows/host
  build=build-windows/x86_64
  exe=$build/app/overlay-plane.exe
  if [ ! -f "$exe" ] || [ ! -f "$host/CMakeCache.txt" ]; then
    echo "bench: no Windows build; scripts/test-windows.sh makes it" >&2
    exit 1
  fi
  cmake --build "$host" --target first-frame-time >/dev/null
  cmake --build "$build" --target wgl-floor redraw-time >/dev/null
  state="$PWD/$host/bench/windows/xvfb.state"
  tests="$PWD/$host/tests/windows/window"
  prefix_dir="$tests/wine-96"
  loader=$(sed -n 's/^OVERLAY_WINE_LOADER:[A-Z]*=//p' "$host/CMakeCache.txt")
  desktop=(bash tests/windows/window/desktop.sh)
  prefix=(bash tests/windows/window/wine_prefix.sh)
  trap '"${prefix[@]}" stop "$prefix_dir" >/dev/null; "${desktop[@]}" stop "$state" tests/support/xvfb.sh >/dev/null' EXIT
  # A screen that holds a full-HD render area with the program's decoration around it.
  "${desktop[@]}" start "$state" "$PWD/tests/support/xvfb.sh" -screen 0 2560x1600x24
  "${prefix[@]}" start "$prefix_dir" 96 "$state"
  # Launchers as the tests' own: from the program's folder, in the 96-dpi prefix.
  launcher() { # path exe
    printf '#!/bin/sh\ncd %q || exit 1\nWINEPREFIX=%q WINEDEBUG=-all exec %q %q "$@"\n' \
      "$(dirname "$2")" "$prefix_dir" "$loader" "$2" >"$1"
    chmod +x "$1"
  }
  floor="$PWD/$host/bench/windows/wgl-floor"
  timer="$PWD/$host/bench/windows/redraw-time"
  launcher "$floor" "$PWD/$build/bench/windows/wgl-floor.exe"
  launcher "$timer" "$PWD/$build/bench/windows/redraw-time.exe"
  # The floor's window is as large as the program's render area at 96 dpi. Wine before 10
  # shows nothing of OpenGL in a child window: there the floor draws into its top-level one,
  # and its drawing area is that window.
  floor_area=WglFloorArea
  floor_in=""
  version=$("$loader" --version | sed 's/^wine-//')
  if [ "${version%%.*}" -lt 10 ]; then
    floor_area=WglFloorTop
    floor_in=top
  fi
  echo "bench: $("$loader" --version); the floor draws into its ${floor_in:-child} window"
  printf '#!/bin/sh\nexec %q 440 360 %s\n' "$floor" "$floor_in" >"$floor-440"
  chmod +x "$floor-440"
  DISPLAY=$(head -n1 "$state") OVERLAY_TEST_VIEWER= "$host/bench/windows/first-frame-time" "$runs" \
    "$tests/overlay-plane-96" "Overlay Plane" "$floor-440" "WGL Floor"
  # Redraws, forced from another Windows program in the same prefix: the render area (the
  # floor's child window) given each size, then painted at once, 200 times a run; two runs
  # of each peer, in turns. Then each size's program median against the floor's.
  redraws() { # name launcher title class
    local size peer
    DISPLAY=$(head -n1 "$state") "$2" </dev/null >/dev/null 2>&1 &
    peer=$!
    sleep 3 # past the start, and the floor's first two seconds of drawing on a timer
    for size in "500 390" "1920 1080"; do
      # shellcheck disable=SC2086 # the two numbers
      DISPLAY=$(head -n1 "$state") "$timer" "$3" "$4" $size 200 | sed "s/^/$1 /" || true
    done
    kill "$peer" 2>/dev/null || true
    wait "$peer" 2>/dev/null || true
  }
  times="$PWD/$host/bench/windows/redraws.txt"
  : >"$times"
  for round in 1 2; do
    redraws program "$tests/overlay-plane-96" "Overlay Plane" OverlayPlaneRenderArea | tee -a "$times"
    redraws floor "$floor-440" "WGL Floor" "$floor_area" | tee -a "$times"
  done
  # "NAME redraw WxH median MS min MS": the mean of each peer's medians per size.
  awk '{ sum[$1, $3] += $5; n[$1, $3]++; sizes[$3] = 1 }
       END { for (s in sizes) if (n["floor", s] && n["program", s]) {
               p = sum["program", s] / n["program", s]; f = sum["floor", s] / n["floor", s]
               printf "redraw %s: program %.3f ms, floor %.3f ms: %.2fx the floor, %+.3f ms\n",
                      s, p, f, p / f, p - f } }' "$times"
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
