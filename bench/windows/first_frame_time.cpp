// Times the Windows program's start under wine64 from outside, as a user sees it: from the
// exec of its launcher to the first capture of its render area that shows the square right
// (centred, a fifth of the smaller side). The capture is polled every 10 ms, so each figure is
// late by up to that plus one capture. Prints each run and the median, min and max.
// usage: first-frame-time RUNS, with DISPLAY_STATE_FILE's display up and OVERLAY_TEST_VIEWER
// naming the launcher (scripts/bench.sh --windows sets both up).
#include "viewer_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds from the start to the first right frame; negative when none came within 30 s.
// `window` is set to when the window was first seen viewable.
double one_run(XClient &x, double &window)
{
    auto start = std::chrono::steady_clock::now();
    ViewerRun viewer(x, {}, viewer_environment());
    double found = -1;
    window = -1;
    while (found < 0 && seconds_since(start) < 30 && viewer.process.running()) {
        if (!viewer.top) {
            viewer.top = x.wait_for_top_level(viewer.process.pid(), "Overlay Plane", 0);
            if (viewer.top)
                window = seconds_since(start);
        }
        if (viewer.top) {
            viewer.area = x.largest_leaf(viewer.top);
            Image frame = viewer.capture_area();
            if (check_centred_square(frame, square_colour, colour_tolerance, side_fraction,
                                     pixel_slack)
                    .ok)
                found = seconds_since(start);
        }
        if (found < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (viewer.top) {
        x.send_delete_window(viewer.top);
        viewer.process.wait(10);
    }
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    XClient x(test_display());
    if (!x.connected() || runs < 1) {
        std::fprintf(stderr, "usage: %s RUNS, with the display of %s up\n", argv[0],
                     DISPLAY_STATE_FILE);
        return 2;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        double window;
        double t = one_run(x, window);
        if (t < 0) {
            std::printf("run %d: no right frame within 30 s\n", i + 1);
            return 1;
        }
        std::printf("run %d: %.3f s (the window seen at %.3f s)\n", i + 1, t, window);
        std::fflush(stdout);
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    std::printf("exec to first correct frame: median %.3f s (min %.3f, max %.3f), "
                "%d runs\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    return 0;
}
