// Times Windows programs' starts under wine from outside, as a user sees them: from the exec of
// a launcher to the first capture of its window's drawing area that shows the square right
// (centred, a fifth of the smaller side). The capture is polled every 10 ms, so each figure is
// late by up to that plus one capture. The peers take turns, so that none always goes first.
// Prints each run, each peer's median, min and max, and each median as a ratio to the last
// peer's (the floor).
// usage: first-frame-time RUNS LAUNCHER TITLE [LAUNCHER TITLE]..., with DISPLAY_STATE_FILE's
// display up (scripts/bench.sh --windows sets it up).
#include "viewer_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds from the start to the first right frame; negative when none came within 30 s.
// `window` is set to when the window was first seen viewable.
double one_run(XClient &x, const std::string &launcher, const std::string &title, double &window)
{
    setenv("OVERLAY_TEST_VIEWER", launcher.c_str(), 1);
    auto start = std::chrono::steady_clock::now();
    ViewerRun viewer(x, {}, viewer_environment());
    double found = -1;
    window = -1;
    while (found < 0 && seconds_since(start) < 30 && viewer.process.running()) {
        if (!viewer.top) {
            viewer.top = x.wait_for_top_level(viewer.process.pid(), title, 0);
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
    int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    XClient x(test_display());
    if (!x.connected() || runs < 1 || argc < 4 || argc % 2) {
        std::fprintf(stderr,
                     "usage: %s RUNS LAUNCHER TITLE [LAUNCHER TITLE]..., with the "
                     "display of %s up\n",
                     argv[0], DISPLAY_STATE_FILE);
        return 2;
    }
    const int peers = (argc - 2) / 2;
    std::vector<std::vector<double>> times(peers);
    for (int i = 0; i < runs; i++) {
        for (int turn = 0; turn < peers; turn++) {
            int peer = (i + turn) % peers;
            const char *launcher = argv[2 + 2 * peer], *title = argv[3 + 2 * peer];
            double window;
            double t = one_run(x, launcher, title, window);
            if (t < 0) {
                std::printf("%s, run %d: no right frame within 30 s\n", title, i + 1);
                return 1;
            }
            std::printf("%s, run %d: %.3f s (the window seen at %.3f s)\n", title, i + 1, t,
                        window);
            std::fflush(stdout);
            times[peer].push_back(t);
        }
    }
    double floor = 0;
    for (int peer = peers - 1; peer >= 0; peer--) {
        std::vector<double> &t = times[peer];
        std::sort(t.begin(), t.end());
        if (peer == peers - 1)
            floor = t[t.size() / 2];
        std::printf("%s: exec to first correct frame: median %.3f s (min %.3f, max %.3f), "
                    "%d runs, %.2fx the floor\n",
                    argv[3 + 2 * peer], t[t.size() / 2], t.front(), t.back(), runs,
                    t[t.size() / 2] / floor);
    }
    return 0;
}
