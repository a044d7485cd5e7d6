// What the Windows program does beyond the Linux window tests, under wine: it opens at the
// screen's scale, follows WM_DPICHANGED (sent by the test's helper program as Windows sends it),
// goes full screen from its menu and comes back, switches between viewing and picking with
// Escape, and draws its frames the way this wine shows them.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace
{

// Sizes at 96 dpi: the decoration's edges, and the program's client area.
const int edge = 30;
const int width_96 = 500, height_96 = 390;

struct Rectangle {
    long left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rectangle &other) const
    {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};

std::ostream &operator<<(std::ostream &out, const Rectangle &r)
{
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

// The rectangle on the line of `output` that starts with `name`.
bool read_rectangle(const std::string &output, const std::string &name, Rectangle &r)
{
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        if (words >> word && word == name && words >> r.left >> r.top >> r.right >> r.bottom)
            return true;
    }
    return false;
}

int brightness(const Rgb &colour)
{
    return colour.r + colour.g + colour.b;
}

class Win32ViewerTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        connect_to_test_display(x);
        viewer = std::make_unique<ViewerRun>(*x, std::vector<std::string>{}, viewer_environment());
        ASSERT_TRUE(viewer->process.started());
        ASSERT_TRUE(viewer->wait_for_window())
            << "no window; the program " << viewer->process.how_it_ended()
            << "; stderr: " << viewer->process.err();
        expect_square("first-frame");
    }

    void TearDown() override
    {
        if (viewer && viewer->process.running())
            viewer->close_and_expect_clean_exit();
    }

    void expect_square(const std::string &what)
    {
        Image last;
        SquareReport report = viewer->settled_square(last);
        EXPECT_TRUE(report.ok) << what << ": " << report.problem << "; "
                               << keep_capture(last, what);
    }

    // Waits until the top-level window has this client size; false after 5 s.
    bool wait_for_size(int width, int height)
    {
        return poll_until(
            [&] {
                Geometry g = x->geometry(viewer->top);
                return g.width == width && g.height == height;
            },
            5);
    }

    // The render area's distance from the top-level's left edge, once it holds still.
    int area_inset(void)
    {
        int last = -1, same = 0;
        poll_until(
            [&] {
                int now = viewer->area_geometry().x - x->geometry(viewer->top).x;
                same = now == last ? same + 1 : 0;
                last = now;
                return same >= 3;
            },
            5, 0.05);
        return last;
    }

    // Runs the helper that sends WM_DPICHANGED (`from` to `to` dpi); its output.
    std::string send_dpi_changed(int from, int to)
    {
        Process run({DPI_MESSAGE, "Overlay Plane", std::to_string(from), std::to_string(to)},
                    current_environment());
        EXPECT_TRUE(run.wait(30)) << "the helper did not end";
        EXPECT_EQ(run.how_it_ended(), "exited with status 0") << "stderr: " << run.err();
        return run.out();
    }

    // The pop-up menu opened over the render area and its entry `position` (from 0) chosen
    // with the keyboard.
    void choose_from_menu(int position)
    {
        Geometry area = viewer->area_geometry();
        x->move_pointer(area.x + area.width / 2, area.y + area.height / 2);
        x->button(3, true);
        x->button(3, false);
        ASSERT_TRUE(poll_until(
            [&] { return !x->override_redirect_windows(viewer->process.pid()).empty(); }, 5))
            << "no pop-up menu";
        usleep(300 * 1000);
        for (int down = 0; down <= position; ++down)
            x->tap_key("Down");
        x->tap_key("Return");
        ASSERT_TRUE(poll_until(
            [&] { return x->override_redirect_windows(viewer->process.pid()).empty(); }, 5))
            << "the menu stayed open";
    }

    // Whether the arrow (pick) button, the first of the right-hand column, is down: its face
    // darker than the hand (view) button's below it.
    bool arrow_is_down(Image &whole)
    {
        Geometry top = x->geometry(viewer->top);
        Geometry area = viewer->area_geometry();
        whole = x->capture(viewer->top);
        int column = area.x - top.x + area.width; // the right edge's left side
        int arrow = brightness(whole.at(column + 2, 2));
        int hand = brightness(whole.at(column + 2, edge + 2));
        return arrow < hand;
    }

    std::unique_ptr<XClient> x;
    std::unique_ptr<ViewerRun> viewer;
};

// Run in each prefix: the window opens at the scale the prefix's screen has, its client area
// and its decoration both scaled from their 96-dpi sizes.
TEST_F(Win32ViewerTest, OpensAtTheScreensScale)
{
    const char *dpi_setting = std::getenv("OVERLAY_TEST_DPI");
    ASSERT_TRUE(dpi_setting) << "the registration names the prefix's dpi in OVERLAY_TEST_DPI";
    const int dpi = std::atoi(dpi_setting);
    const int width = width_96 * dpi / 96, height = height_96 * dpi / 96;
    EXPECT_TRUE(wait_for_size(width, height)) << "the window is " << x->geometry(viewer->top).width
                                              << "x" << x->geometry(viewer->top).height << ", not "
                                              << width << "x" << height << " at " << dpi << " dpi";
    EXPECT_EQ(area_inset(), edge * dpi / 96) << "the decoration's edge at " << dpi << " dpi";
}

TEST_F(Win32ViewerTest, DpiChangedLaysTheDecorationOutAtTheNewDpiInTheSuggestedRectangle)
{
    ASSERT_TRUE(wait_for_size(width_96, height_96));
    ASSERT_EQ(area_inset(), edge);
    struct Step {
        int from, to;
    };
    for (Step step : {Step{96, 144}, Step{144, 96}}) {
        SCOPED_TRACE("to " + std::to_string(step.to) + " dpi");
        std::string output = send_dpi_changed(step.from, step.to);
        viewer->scale_decoration(step.from, step.to);
        Rectangle suggested, now;
        ASSERT_TRUE(read_rectangle(output, "suggested", suggested)) << output;
        ASSERT_TRUE(read_rectangle(output, "now", now)) << output;
        EXPECT_EQ(now, suggested) << "the window did not take the suggested rectangle";
        int width = width_96 * step.to / 96, height = height_96 * step.to / 96;
        EXPECT_TRUE(wait_for_size(width, height))
            << "the window is " << x->geometry(viewer->top).width << "x"
            << x->geometry(viewer->top).height << ", not " << width << "x" << height;
        EXPECT_EQ(area_inset(), edge * step.to / 96) << "the decoration's edge";
        Geometry area = viewer->area_geometry();
        EXPECT_EQ(area.width, width - 2 * edge * step.to / 96);
        EXPECT_EQ(area.height, height - edge * step.to / 96);
        expect_square("at-" + std::to_string(step.to));
    }
}

TEST_F(Win32ViewerTest, FullscreenCoversTheScreenAndComesBack)
{
    Geometry before = x->geometry(viewer->top);
    Geometry screen = x->geometry(x->root());
    ASSERT_NO_FATAL_FAILURE(choose_from_menu(6));
    EXPECT_TRUE(wait_for_size(screen.width, screen.height))
        << "full screen: the window is " << x->geometry(viewer->top).width << "x"
        << x->geometry(viewer->top).height;
    Geometry full = x->geometry(viewer->top);
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);
    expect_square("fullscreen");

    ASSERT_NO_FATAL_FAILURE(choose_from_menu(6));
    EXPECT_TRUE(wait_for_size(before.width, before.height))
        << "back: the window is " << x->geometry(viewer->top).width << "x"
        << x->geometry(viewer->top).height << ", was " << before.width << "x" << before.height;
    expect_square("back");
}

TEST_F(Win32ViewerTest, EscapeSwitchesBetweenViewingAndPicking)
{
    Geometry area = viewer->area_geometry();
    x->move_pointer(area.x + area.width / 2, area.y + area.height / 2);
    x->button(1, true); // the render area takes the keyboard
    x->button(1, false);
    // The click must have reached the program, and given the area the keyboard, before the
    // key is sent: a slow (emulated) run takes a while over it.
    usleep(1000 * 1000);
    Image whole;
    ASSERT_FALSE(arrow_is_down(whole)) << "viewing at the start; " << keep_capture(whole, "start");
    for (bool down : {true, false}) {
        x->tap_key("Escape");
        bool shown = poll_until([&] { return arrow_is_down(whole) == down; }, 10);
        EXPECT_TRUE(shown) << "after Escape the arrow button is " << (down ? "not " : "")
                           << "down; " << keep_capture(whole, down ? "picking" : "viewing");
    }
    expect_square("after-escape");
}

// The square is right (SetUp has seen it), and the program's frames took the way this wine
// shows: straight into the render area from wine 10 on, so no hidden window to copy from;
// before 10, through such a window.
TEST_F(Win32ViewerTest, FramesTakeTheWayThisWineShowsThem)
{
    Process probe({FRAME_PATH_PROBE, "Overlay Plane"}, current_environment());
    ASSERT_TRUE(probe.wait(30)) << "the probe did not end";
    ASSERT_EQ(probe.how_it_ended(), "exited with status 0") << "stderr: " << probe.err();
    std::istringstream words(probe.out());
    std::string wine, release, copy_windows;
    int copies = -1;
    ASSERT_TRUE(words >> wine >> release >> copy_windows >> copies) << probe.out();
    bool direct = release == "none" || std::atoi(release.c_str()) >= 10;
    EXPECT_EQ(copies, direct ? 0 : 1)
        << "under wine " << release << " frames should be "
        << (direct ? "drawn straight into the render area" : "copied from a hidden window");
}

} // namespace
