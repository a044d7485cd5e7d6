// One run of overlay-plane on the test display, for window tests. Requires: the display
// that xvfb.sh started for this test run (its state file). Does not: judge what it sees.
// The program started is this build's, or the command that the test's registration names in
// OVERLAY_TEST_VIEWER (e.g. a launcher that runs the Windows build under wine).
#pragma once

#include "x11_client.h"
#include "x11_image.h"
#include "x11_process.h"

#include <memory>
#include <string>
#include <vector>

// What the viewer is meant to show: light green (0.5, 1.0, 0.5) at 24 bits, within 2 levels,
// a side of 20 % of the render area's smaller dimension, centred, both within 2 px.
const Rgb square_colour = {128, 255, 128};
const int colour_tolerance = 2;
const double side_fraction = 0.2;
const double pixel_slack = 2.0;

// The display name from the test run's state file; empty when there is none.
std::string test_display();

// Where a capture called `what` of the current test is kept: the build folder.
std::string capture_path(const std::string &what);

// Removes the captures an earlier run of the current test left behind.
void forget_old_captures();

// Saves `image` as `what` and returns a sentence saying where, for a failure message.
std::string keep_capture(const Image &image, const std::string &what);

// The program the tests start: OVERLAY_TEST_VIEWER where set, else this build's program.
std::string viewer_program();

// The current environment with DISPLAY set to the test display, without OVERLAY_TEST_VIEWER.
Environment viewer_environment();

// A test's start on the test display: old captures forgotten, `x` connected to the display.
// Fails the current test (fatally) where there is no display or no connection.
void connect_to_test_display(std::unique_ptr<XClient> &x);

struct ViewerRun {
    // Starts the viewer with these words after its path, under `launcher` if one is
    // given (e.g. {"valgrind", "-q"}), with its stdout as `output` says.
    ViewerRun(XClient &x, const std::vector<std::string> &extra_words,
              const Environment &environment, const std::vector<std::string> &launcher = {},
              StandardOutput output = StandardOutput::CAPTURED);

    // Waits for the window titled "Overlay Plane" and its render area; false on timeout. The
    // area counts once it takes most of the window and keeps its place, and the window its
    // own, for a few polls in a row.
    // Where Qt gives it an X window, that is the largest leaf with a visual other than the
    // top-level's (made for GL); a decoration panel never counts, even when it shows first.
    bool wait_for_window(double seconds = 20);
    // Waits until the render area sits in its window as it did when it was found (the same
    // decoration around it, within a pixel) and keeps its place for a few polls: after a
    // resize the area has followed only once the program has laid the window out again.
    bool wait_for_layout(double seconds = 10);
    // The render area's place on the screen and its picture. Where it has an X window of its
    // own (Qt), that window's; where the binding draws it into the top-level's X window (Win32
    // child windows under wine), the largest black region of the top-level's picture.
    Geometry area_geometry();
    Image capture_area();
    // The first capture of the render area that is not of one colour: the first frame that
    // shows anything. Empty when none comes within `seconds`.
    Image first_drawn_frame(double seconds = 10);
    // Waits until the render area is laid out in its window (see wait_for_layout) and its
    // capture shows the square. The report is of the last capture, kept in `last`.
    SquareReport settled_square(Image &last, double seconds = 10);
    // The window's dpi changed from `from` to `to`: from now on the area counts as laid out
    // with the decoration around it scaled to match.
    void scale_decoration(int from, int to);
    // Closes the window as a window manager does (WM_DELETE_WINDOW) and expects the program
    // to end within `seconds` with status 0 and no output.
    void close_and_expect_clean_exit(double seconds = 10);

    XClient &x;
    Process process;
    // Whether the window may belong to another process than the one started: one that the
    // started program starts in its turn (as Explorer would).
    bool window_of_any_process = false;
    WindowId top = 0;  // the top-level window
    WindowId area = 0; // the GL render area's X window inside it; 0 where it has none

  private:
    // Counts polls in a row in which the area sits in its window as it did when found.
    bool laid_out(Geometry &before, int &steady);

    // The decoration's thickness around the area when it was found: left, top, right, bottom.
    int margins[4] = {};
};
