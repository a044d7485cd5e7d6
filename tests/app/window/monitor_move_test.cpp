// The viewer's window dragged by its title bar between two monitors of different scale
// factors, under a window manager: after each move the decoration is laid out at the new
// factor and every picture shows the square right in the render area's new device pixels.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <utility>

namespace
{

// The monitors two_monitors.sh switches on, side by side.
struct Monitor {
    const char *output;
    int x, y, width, height;
};
const Monitor monitors[] = {{"DUMMY0", 0, 0, 1280, 1024}, {"DUMMY1", 1280, 0, 1280, 1024}};

// SoQt's decoration: the thumbwheel panels left, right and below the render area are
// 30 logical pixels thick.
const int decoration_logical = 30;

// How long a window may take to settle after a move, and how long it is then watched.
const double settle_seconds = 0.5;
const double watch_seconds = 1.5;

double seconds_now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool centre_on(const Geometry &g, const Monitor &m)
{
    int cx = g.x + g.width / 2, cy = g.y + g.height / 2;
    return cx >= m.x && cx < m.x + m.width && cy >= m.y && cy < m.y + m.height;
}

class MonitorMoveTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        connect_to_test_display(x);
    }

    // The viewer's environment with none of Qt's scaling settings but `settings`.
    static Environment scaling(const std::vector<std::pair<std::string, std::string>> &settings)
    {
        Environment environment = viewer_environment();
        for (const char *name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                                 "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING",
                                 "QT_USE_PHYSICAL_DPI", "QT_SCALE_FACTOR_ROUNDING_POLICY"})
            environment = without_variable(environment, name);
        for (const auto &setting : settings)
            environment = with_variable(environment, setting.first, setting.second);
        return environment;
    }

    // Starts the viewer on the first monitor with these scaling settings.
    void start(const Environment &environment)
    {
        // The window manager opens a new window on the primary monitor, the first.
        viewer = std::make_unique<ViewerRun>(*x, std::vector<std::string>{}, environment);
        ASSERT_TRUE(viewer->process.started());
        ASSERT_TRUE(viewer->wait_for_window())
            << "no window; the program " << viewer->process.how_it_ended()
            << "; stderr: " << viewer->process.err();
        ASSERT_TRUE(centre_on(x->geometry(viewer->top), monitors[0]))
            << "the window did not open on " << monitors[0].output;
        Image last;
        SquareReport report = viewer->settled_square(last);
        ASSERT_TRUE(report.ok) << "at the start: " << report.problem << "; "
                               << keep_capture(last, "start");
    }

    // Drags the window by the middle of its title bar until it lies in the middle of
    // `monitor`, as a user does, and waits until the window manager has put it there.
    void drag_to(const Monitor &monitor)
    {
        Geometry top = x->geometry(viewer->top);
        int to_x = monitor.x + std::max(0, (monitor.width - top.width) / 2);
        int to_y = monitor.y + std::max(40, (monitor.height - top.height) / 2);
        int grab_x = top.x + top.width / 2, grab_y = top.y - 8; // in openbox's title bar
        x->drag(1, grab_x, grab_y, grab_x + to_x - top.x, grab_y + to_y - top.y, 20);
        Geometry last;
        int steady = 0;
        bool placed = poll_until(
            [&] {
                Geometry now = x->geometry(viewer->top);
                steady = now.x == last.x && now.y == last.y ? steady + 1 : 0;
                last = now;
                return steady >= 2 && centre_on(now, monitor);
            },
            5, 0.02);
        ASSERT_TRUE(placed) << "the window was not dragged onto " << monitor.output << "; it is at "
                            << last.x << "," << last.y;
    }

    // From `settle_seconds` after a move on, for `watch_seconds`: every picture of the render
    // area shows the square right, and the decoration around the render area is as thick as
    // `factor` makes it.
    void expect_right_at(double factor, const std::string &what)
    {
        SCOPED_TRACE(what);
        std::this_thread::sleep_for(std::chrono::duration<double>(settle_seconds));
        int thickness = static_cast<int>(std::lround(decoration_logical * factor));
        int pictures = 0;
        for (double until = seconds_now() + watch_seconds; seconds_now() < until; pictures++) {
            Geometry top = x->geometry(viewer->top), area = x->geometry(viewer->area);
            int left = area.x - top.x, right = top.x + top.width - (area.x + area.width),
                bottom = top.y + top.height - (area.y + area.height);
            ASSERT_TRUE(area.y == top.y && left == thickness && std::abs(right - thickness) <= 1 &&
                        std::abs(bottom - thickness) <= 1)
                << "in a " << top.width << "x" << top.height << " window the render area is "
                << area.width << "x" << area.height << " at " << left << "," << area.y - top.y
                << ", " << right << " from the right and " << bottom
                << " from the bottom; the decoration should be " << thickness << " thick; "
                << keep_capture(x->capture(viewer->top), what + "-window");
            Image picture = x->capture(viewer->area);
            SquareReport report = check_centred_square(picture, square_colour, colour_tolerance,
                                                       side_fraction, pixel_slack);
            ASSERT_TRUE(report.ok) << "picture " << pictures << ": " << report.problem << "; "
                                   << keep_capture(picture, what);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    std::unique_ptr<XClient> x;
    std::unique_ptr<ViewerRun> viewer;
};

TEST_F(MonitorMoveTest, FromOneToTwoAndBack)
{
    ASSERT_NO_FATAL_FAILURE(start(scaling({{"QT_SCREEN_SCALE_FACTORS", "DUMMY0=1;DUMMY1=2"}})));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(1, "started-at-1"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[1]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(2, "moved-to-2"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[0]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(1, "back-at-1"));
    viewer->close_and_expect_clean_exit();
}

TEST_F(MonitorMoveTest, FromTwoToOneAndAHalfAndBack)
{
    ASSERT_NO_FATAL_FAILURE(start(scaling({{"QT_SCREEN_SCALE_FACTORS", "DUMMY0=2;DUMMY1=1.5"}})));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(2, "started-at-2"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[1]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(1.5, "moved-to-1.5"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[0]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(2, "back-at-2"));
    viewer->close_and_expect_clean_exit();
}

// Qt 5 under xcb scales every monitor alike from Xft.dpi or the whole X screen's size, also
// with QT_AUTO_SCREEN_SCALE_FACTOR; QT_USE_PHYSICAL_DPI makes it take each monitor's own
// physical size: 1 on the 96-dpi monitor, 2 on the 192-dpi one.
TEST_F(MonitorMoveTest, FactorsQtTakesFromEachMonitorsPhysicalSize)
{
    ASSERT_NO_FATAL_FAILURE(
        start(scaling({{"QT_AUTO_SCREEN_SCALE_FACTOR", "1"}, {"QT_USE_PHYSICAL_DPI", "1"}})));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(1, "started-at-96-dpi"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[1]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(2, "moved-to-192-dpi"));
    ASSERT_NO_FATAL_FAILURE(drag_to(monitors[0]));
    ASSERT_NO_FATAL_FAILURE(expect_right_at(1, "back-at-96-dpi"));
    viewer->close_and_expect_clean_exit();
}

} // namespace
