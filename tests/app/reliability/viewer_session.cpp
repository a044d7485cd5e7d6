// Starting, checking and closing overlay-plane for the reliability tests.
#include "viewer_session.h"

void ViewerSession::SetUp()
{
    connect_to_test_display(x);
}

void ViewerSession::start(const std::vector<std::string> &launcher, StandardOutput output,
                          double seconds, const Environment &environment)
{
    viewer =
        std::make_unique<ViewerRun>(*x, std::vector<std::string>{}, environment, launcher, output);
    ASSERT_TRUE(viewer->process.started());
    ASSERT_TRUE(viewer->wait_for_window(seconds))
        << "no viewable window titled \"Overlay Plane\" with a render area after " << seconds
        << " s; the program " << viewer->process.how_it_ended()
        << "; stderr: " << viewer->process.err();
}

void ViewerSession::expect_square(const std::string &what, double seconds)
{
    Image last;
    SquareReport report = viewer->settled_square(last, seconds);
    EXPECT_TRUE(report.ok) << what << ": " << report.problem << "; " << keep_capture(last, what);
}

void ViewerSession::close_window(double seconds)
{
    ASSERT_TRUE(viewer->process.running())
        << "the program ended before it was closed: " << viewer->process.how_it_ended()
        << "; stderr: " << viewer->process.err();
    x->send_delete_window(viewer->top);
    ASSERT_TRUE(viewer->process.wait(seconds))
        << "still running " << seconds << " s after WM_DELETE_WINDOW";
}

void ViewerSession::close_and_expect_clean_exit()
{
    viewer->close_and_expect_clean_exit();
}
