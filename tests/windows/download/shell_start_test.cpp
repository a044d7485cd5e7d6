// The Windows program started as Explorer starts it (shell_start.exe, through ShellExecuteEx,
// from a process without a console), under wine: its window with the square, and no console
// window beside it, which Windows gives a console program started that way.
#include "viewer_run.h"

#include <gtest/gtest.h>

namespace
{

TEST(ShellStartTest, ShowsTheViewerAndNoConsoleWindow)
{
    std::unique_ptr<XClient> x;
    ASSERT_NO_FATAL_FAILURE(connect_to_test_display(x));
    ViewerRun viewer(*x, {}, viewer_environment());
    viewer.window_of_any_process = true;
    ASSERT_TRUE(viewer.process.started());
    ASSERT_TRUE(viewer.wait_for_window())
        << "no window; the starter " << viewer.process.how_it_ended()
        << "; stderr: " << viewer.process.err();
    Image last;
    SquareReport report = viewer.settled_square(last);
    EXPECT_TRUE(report.ok) << report.problem << "; " << keep_capture(last, "shell-start");

    // A console window opens as its program starts, before the program's own window.
    std::vector<std::string> others;
    for (WindowId window : x->top_levels(0)) {
        Geometry g = x->geometry(window);
        if (window != viewer.top && g.viewable && !g.override_redirect)
            others.push_back("\"" + x->title(window) + "\" " + std::to_string(g.width) + "x" +
                             std::to_string(g.height));
    }
    EXPECT_TRUE(others.empty()) << "other windows beside the viewer's: "
                                << testing::PrintToString(others);
    viewer.close_and_expect_clean_exit();
}

} // namespace
