// The packaged program, installed by apt, on a display of its own: it shows the square as the
// built one does and ends quietly when its window is closed.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <memory>

TEST(InstalledViewer, ShowsTheSquareAndClosesQuietly)
{
    std::unique_ptr<XClient> x;
    connect_to_test_display(x);
    if (HasFatalFailure())
        return;

    ViewerRun viewer(*x, {}, viewer_environment());
    ASSERT_TRUE(viewer.process.started()) << "could not start " << VIEWER_PROGRAM;
    ASSERT_TRUE(viewer.wait_for_window())
        << "no window titled \"Overlay Plane\" with a render area; the program "
        << viewer.process.how_it_ended() << "; stderr: " << viewer.process.err();

    Image last;
    SquareReport report = viewer.settled_square(last);
    EXPECT_TRUE(report.ok) << report.problem << "; " << keep_capture(last, "square");

    viewer.close_and_expect_clean_exit();
}
