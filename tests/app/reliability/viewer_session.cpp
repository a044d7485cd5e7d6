// Starting, checking and closing overlay-plane for the reliability tests.
#include "viewer_session.h"

namespace
{

std::vector<std::string> launched(std::vector<std::string> argv)
{
    argv.push_back(VIEWER_PROGRAM);
    return argv;
}

} // namespace

Viewer::Viewer(XClient &x, const std::vector<std::string> &launcher, StandardOutput output,
               const Environment &environment)
    : x(x), process(launched(launcher), environment, output)
{
}

bool Viewer::wait_for_window(double seconds)
{
    top = x.wait_for_top_level(process.pid(), "Overlay Plane", seconds);
    if (top)
        poll_until([&] { return (area = x.largest_leaf(top)) != 0; }, seconds);
    return area != 0;
}

SquareReport Viewer::square(Image &last, double seconds)
{
    SquareReport report;
    report.problem = "no capture";
    Geometry before = x.geometry(area);
    poll_until(
        [&] {
            // Only once the area keeps its size: a window being resized shows old frames.
            Geometry now = x.geometry(area);
            bool steady = now.width == before.width && now.height == before.height;
            before = now;
            if (!steady)
                return false;
            last = x.capture(area);
            report = check_centred_square(last, square_colour, colour_tolerance, side_fraction,
                                          pixel_slack);
            return report.ok;
        },
        seconds, 0.05);
    return report;
}

void ViewerSession::SetUp()
{
    forget_old_captures();
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE
                                  << "; run these tests through ctest, whose fixture starts one";
    x = std::make_unique<XClient>(display);
    ASSERT_TRUE(x->connected()) << "cannot open the test display " << display;
}

void ViewerSession::start(const std::vector<std::string> &launcher, StandardOutput output,
                          double seconds, const Environment &environment)
{
    viewer = std::make_unique<Viewer>(*x, launcher, output, environment);
    ASSERT_TRUE(viewer->process.started());
    ASSERT_TRUE(viewer->wait_for_window(seconds))
        << "no viewable window titled \"Overlay Plane\" with a render area after " << seconds
        << " s; the program " << viewer->process.how_it_ended()
        << "; stderr: " << viewer->process.err();
}

void ViewerSession::expect_square(const std::string &what, double seconds)
{
    Image last;
    SquareReport report = viewer->square(last, seconds);
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
    ASSERT_NO_FATAL_FAILURE(close_window());
    EXPECT_EQ(viewer->process.how_it_ended(), "exited with status 0");
    EXPECT_EQ(viewer->process.out(), "");
    EXPECT_EQ(viewer->process.err(), "");
}
