// The packaged program, installed by apt, on a display of its own: it shows the square as the
// built one does and ends quietly when its window is closed.
#include "viewer_run.h"

#include <gtest/gtest.h>

TEST(InstalledViewer, ShowsTheSquareAndClosesQuietly)
{
    forget_old_captures();
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE;
    XClient x(display);
    ASSERT_TRUE(x.connected()) << "cannot open the test display " << display;

    ViewerRun viewer(x, {}, viewer_environment());
    ASSERT_TRUE(viewer.process.started()) << "could not start " << VIEWER_PROGRAM;
    ASSERT_TRUE(viewer.wait_for_window())
        << "no window titled \"Overlay Plane\" with a render area; the program "
        << viewer.process.how_it_ended() << "; stderr: " << viewer.process.err();

    Image last;
    SquareReport report = viewer.settled_square(last);
    EXPECT_TRUE(report.ok) << report.problem << "; " << keep_capture(last, "square");

    x.send_delete_window(viewer.top);
    ASSERT_TRUE(viewer.process.wait(10)) << "still running 10 s after WM_DELETE_WINDOW";
    EXPECT_EQ(viewer.process.how_it_ended(), "exited with status 0");
    EXPECT_EQ(viewer.process.out(), "");
    EXPECT_EQ(viewer.process.err(), "");
}
