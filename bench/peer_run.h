// One run of a benchmark peer under the frame probe: its start-up, idle and redraw figures.
// Requires: DISPLAY set to a private X server, and the probe library (frame_probe.so).
// Does not: start the X server, summarise runs or print anything.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

struct Peer {
    std::string name;
    std::vector<std::string> argv;
};

struct RunSettings {
    std::string probe;        // the frame probe library, preloaded into the peer
    double settle = 3.0;      // seconds from the first frame to wait for a correct one
    double idle_settle = 0.5; // seconds before idle CPU and wake-ups are counted
    double idle = 5.0;        // seconds they are counted for
    int redraws = 60;         // forced redraws, one at a time
};

struct Run {
    bool presented = false;
    double first_frame_ms = 0;
    bool correct = false;
    double first_correct_ms = 0;
    long rss_kb = 0, pss_kb = 0, uss_kb = 0;
    double cpu_ms = 0; // CPU time of all threads until that frame
    int idle_frames = 0;
    long idle_wakeups = 0;
    double first_idle_frame_ms = 0; // since exec
    double idle_cpu_ms = 0;
    int forced = 0;
    std::vector<double> render_ms, base_ms; // whole frame; frame before the overlay pass
    std::vector<double> response_ms;        // from sending the expose to the present
};

// Starts the peer under the probe, waits for the first presented frame and then for the first
// correct one, idles counting swaps, CPU time and wake-ups, forces the redraws with synthetic
// Expose events on the GL window, and stops the peer.
Run run_once(const Peer &peer, const RunSettings &settings, Display *display);

// The X error handler the driver installs: a peer's window may go away at any time.
int note_x_error(Display *, XErrorEvent *);
