// A window-test fixture for long, checked or damaged runs of overlay-plane: the program
// started directly or under a launcher (valgrind), with its stdout as the test asks.
// Requires: the display that xvfb.sh started for this folder's tests. Does not: drive input.
#pragma once

#include "viewer_run.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ViewerSession : public testing::Test
{
  protected:
    void SetUp() override;

    void start(const std::vector<std::string> &launcher = {},
               StandardOutput output = StandardOutput::CAPTURED, double seconds = 20,
               const Environment &environment = viewer_environment());
    // Fails the test unless the square shows within `seconds`; the capture is kept if not.
    void expect_square(const std::string &what, double seconds = 10);
    // Sends WM_DELETE_WINDOW and waits up to `seconds` for the program to end.
    void close_window(double seconds = 10);
    // close_window, then status 0 with nothing on stdout or stderr.
    void close_and_expect_clean_exit();

    std::unique_ptr<XClient> x;
    std::unique_ptr<ViewerRun> viewer;
};
