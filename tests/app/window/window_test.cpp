// The viewer's window on a display of its own, driven as a user and a window manager would.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace
{

class WindowTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        connect_to_test_display(x);
    }

    // Starts the viewer and waits for its window and render area.
    void start(const std::vector<std::string> &extra_words = {},
               const Environment &environment = viewer_environment())
    {
        viewer = std::make_unique<ViewerRun>(*x, extra_words, environment);
        ASSERT_TRUE(viewer->process.started());
        ASSERT_TRUE(viewer->wait_for_window())
            << "no viewable window titled \"Overlay Plane\" with a render area; the program "
            << viewer->process.how_it_ended() << "; stderr: " << viewer->process.err();
    }

    // The first frame, checked; its report.
    SquareReport expect_first_frame(const std::string &what)
    {
        Image frame = viewer->first_drawn_frame();
        EXPECT_FALSE(frame.empty()) << "the render area never showed anything but one colour; "
                                    << keep_capture(viewer->capture_area(), what);
        if (frame.empty())
            return {};
        SquareReport report = check_centred_square(frame, square_colour, colour_tolerance,
                                                   side_fraction, pixel_slack);
        EXPECT_TRUE(report.ok) << what << ": " << report.problem << "; "
                               << keep_capture(frame, what);
        return report;
    }

    SquareReport expect_settled_square(const std::string &what)
    {
        Image last;
        SquareReport report = viewer->settled_square(last);
        EXPECT_TRUE(report.ok) << what << ": " << report.problem << "; "
                               << keep_capture(last, what);
        return report;
    }

    // A centre point of the render area in root coordinates.
    void area_centre(int &cx, int &cy)
    {
        Geometry g = viewer->area_geometry();
        cx = g.x + g.width / 2;
        cy = g.y + g.height / 2;
    }

    std::unique_ptr<XClient> x;
    std::unique_ptr<ViewerRun> viewer;
};

bool same_place(const Rect &a, const Rect &b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

std::string describe(const Rect &r)
{
    return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
           "+" + std::to_string(r.y);
}

TEST_F(WindowTest, FirstFrameShowsOneCentredLightGreenSquare)
{
    ASSERT_NO_FATAL_FAILURE(start());
    Geometry area = viewer->area_geometry();
    Geometry top = x->geometry(viewer->top);
    EXPECT_GT(area.width, 100);
    EXPECT_GT(area.height, 100);
    EXPECT_LE(area.width, top.width);
    EXPECT_LE(area.height, top.height);
    expect_first_frame("first-frame");
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, SquareStaysCentredAfterResizingWideThenTall)
{
    ASSERT_NO_FATAL_FAILURE(start());
    expect_first_frame("first-frame");

    struct Shape {
        const char *name;
        int width, height;
    };
    // Squeezed first to next to nothing: the area must come back from that too. Windows (and
    // wine from 10 on) keeps a window no smaller than its minimum tracking size, so the window
    // need only shrink, and then keep the size it took.
    int wider = x->geometry(viewer->top).width;
    x->resize(viewer->top, 60, 40);
    Geometry last;
    int same = 0;
    ASSERT_TRUE(poll_until(
        [&] {
            Geometry now = x->geometry(viewer->top);
            same = now.width == last.width && now.height == last.height ? same + 1 : 0;
            last = now;
            return now.width < wider && same >= 3;
        },
        5, 0.05));
    usleep(300 * 1000);
    for (Shape shape : {Shape{"wide", 1000, 360}, Shape{"tall", 360, 900}}) {
        SCOPED_TRACE(shape.name);
        x->resize(viewer->top, shape.width, shape.height);
        bool resized = poll_until(
            [&] {
                Geometry g = x->geometry(viewer->top);
                return g.width == shape.width && g.height == shape.height;
            },
            5);
        ASSERT_TRUE(resized) << "the top-level window did not take the size " << shape.width << "x"
                             << shape.height;
        bool area_follows = poll_until(
            [&] {
                Geometry g = viewer->area_geometry();
                bool wide = shape.width > shape.height;
                return wide ? g.width > 2 * g.height : g.height > 2 * g.width;
            },
            5);
        Geometry g = viewer->area_geometry();
        EXPECT_TRUE(area_follows) << "the render area is " << g.width << "x" << g.height;
        if (viewer->area) {
            EXPECT_EQ(x->largest_leaf(viewer->top), viewer->area);
        }
        expect_settled_square(shape.name);
    }
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, ExtraCommandLineWordsChangeNothing)
{
    ASSERT_NO_FATAL_FAILURE(start());
    Geometry plain_top = x->geometry(viewer->top);
    Geometry plain_area = viewer->area_geometry();
    SquareReport plain = expect_first_frame("plain");
    viewer->close_and_expect_clean_exit();

    // Words a toolkit would take as its own options, and some that look like files.
    ASSERT_NO_FATAL_FAILURE(start({"-display", ":9999", "-platform", "offscreen", "--help",
                                   "-geometry", "50x50+300+300", "scene.iv", ""}));
    Geometry top = x->geometry(viewer->top);
    Geometry area = viewer->area_geometry();
    EXPECT_EQ(top.width, plain_top.width);
    EXPECT_EQ(top.height, plain_top.height);
    EXPECT_EQ(top.x, plain_top.x);
    EXPECT_EQ(top.y, plain_top.y);
    EXPECT_EQ(area.width, plain_area.width);
    EXPECT_EQ(area.height, plain_area.height);
    SquareReport with_words = expect_first_frame("with-words");
    EXPECT_TRUE(same_place(plain.square, with_words.square))
        << describe(plain.square) << " without the words, " << describe(with_words.square)
        << " with them";
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, DecorationSurroundsTheRenderAreaAndThePopUpMenuOpensAndCloses)
{
    ASSERT_NO_FATAL_FAILURE(start());
    expect_first_frame("first-frame");

    // Thumbwheels and buttons: drawn widgets (more than a flat fill) left of, right of and
    // below the render area.
    Geometry top = x->geometry(viewer->top);
    Geometry area = viewer->area_geometry();
    int left = area.x - top.x, right = left + area.width;
    int upper = area.y - top.y, lower = upper + area.height;
    struct Side {
        const char *name;
        int x, y, width, height;
    };
    const Side sides[] = {Side{"left", 0, upper, left, area.height},
                          Side{"right", right, upper, top.width - right, area.height},
                          Side{"below", 0, lower, top.width, top.height - lower}};
    // The decoration may paint after the first frame (a slow machine): judge once it has, or
    // once it has had ample time.
    Image whole;
    poll_until(
        [&] {
            whole = x->capture(viewer->top);
            for (const Side &side : sides)
                if (whole.empty() ||
                    whole.distinct_colours(side.x, side.y, side.width, side.height) < 8)
                    return false;
            return true;
        },
        10, 0.1);
    ASSERT_FALSE(whole.empty());
    for (Side side : sides) {
        EXPECT_GE(side.width, 10) << side.name;
        EXPECT_GE(side.height, 10) << side.name;
        EXPECT_GE(whole.distinct_colours(side.x, side.y, side.width, side.height), 8)
            << "nothing drawn " << side.name << " of the render area; "
            << keep_capture(whole, "decoration");
    }

    int cx, cy;
    area_centre(cx, cy);
    ASSERT_TRUE(x->override_redirect_windows(viewer->process.pid()).empty());
    x->move_pointer(cx, cy);
    x->button(3, true);
    x->button(3, false);
    std::vector<WindowId> menus;
    bool opened = poll_until(
        [&] { return !(menus = x->override_redirect_windows(viewer->process.pid())).empty(); }, 5);
    ASSERT_TRUE(opened) << "no pop-up menu after a right click in the render area; "
                        << keep_capture(x->capture(viewer->top), "no-menu");
    Geometry menu = x->geometry(menus.front());
    EXPECT_GT(menu.width, 20);
    EXPECT_GT(menu.height, 20);
    // A menu is mapped before it has painted its entries: wait for them.
    Image menu_picture;
    bool painted = poll_until(
        [&] {
            menu_picture = x->capture(menus.front());
            return menu_picture.distinct_colours(0, 0, menu_picture.width, menu_picture.height) >=
                   4;
        },
        3);
    EXPECT_TRUE(painted) << "the menu shows no entries; " << keep_capture(menu_picture, "menu");

    x->tap_key("Escape");
    bool closed =
        poll_until([&] { return x->override_redirect_windows(viewer->process.pid()).empty(); }, 5);
    EXPECT_TRUE(closed) << "the pop-up menu is still open after Escape";
    expect_settled_square("after-menu");
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, DragsWheelTurnsAndKeysNeitherCrashNorMoveTheSquare)
{
    ASSERT_NO_FATAL_FAILURE(start());
    SquareReport before = expect_first_frame("first-frame");
    ASSERT_TRUE(before.ok);

    int cx, cy;
    area_centre(cx, cy);
    struct Gesture {
        const char *name;
        std::function<void()> perform;
        bool opens_menu = false; // a right button opens the pop-up menu, at its press or release
    };
    std::vector<Gesture> gestures = {
        // A release while still moving sets the examiner spinning.
        {"drag-button-1", [&] { x->drag(1, cx - 60, cy - 40, cx + 80, cy + 50); }},
        {"drag-button-2", [&] { x->drag(2, cx + 50, cy + 40, cx - 70, cy - 30); }},
        {"drag-shift-button-1",
         [&] {
             x->key("Shift_L", true);
             x->drag(1, cx, cy - 50, cx + 10, cy + 60);
             x->key("Shift_L", false);
         }},
        {"drag-button-3", [&] { x->drag(3, cx + 40, cy + 40, cx - 60, cy - 50); }, true},
        {"wheel-up", [&] { x->wheel(cx, cy, true, 8); }},
        {"wheel-down", [&] { x->wheel(cx, cy, false, 8); }},
        // The arrow keys pan the viewer's own camera, which it doesn't have.
        {"arrow-keys",
         [&] {
             for (const char *key : {"Left", "Right", "Up", "Down"})
                 x->tap_key(key);
         }},
    };
    for (auto &gesture : gestures) {
        SCOPED_TRACE(gesture.name);
        gesture.perform();
        // Closed again, so that it doesn't cover the area; waited for, however late it opens.
        if (gesture.opens_menu) {
            ASSERT_TRUE(poll_until(
                [&] { return !x->override_redirect_windows(viewer->process.pid()).empty(); }, 5))
                << "no pop-up menu 5 s after a drag with the right button";
            x->tap_key("Escape");
        }
        ASSERT_TRUE(poll_until(
            [&] { return x->override_redirect_windows(viewer->process.pid()).empty(); }, 5));
        ASSERT_TRUE(viewer->process.running())
            << viewer->process.how_it_ended() << "; stderr: " << viewer->process.err();
        // Any frame from now on, spinning or not, shows the square where it was.
        for (int i = 0; i < 5; i++) {
            usleep(80 * 1000);
            Image frame = viewer->capture_area();
            SquareReport now = check_centred_square(frame, square_colour, colour_tolerance,
                                                    side_fraction, pixel_slack);
            std::string what = std::string(gesture.name) + "-" + std::to_string(i);
            ASSERT_TRUE(now.ok) << now.problem << "; " << keep_capture(frame, what);
            ASSERT_TRUE(same_place(now.square, before.square))
                << describe(now.square) << " after, " << describe(before.square) << " before; "
                << keep_capture(frame, what);
        }
    }
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, SquareComesBackAfterBeingCoveredAndHidden)
{
    ASSERT_NO_FATAL_FAILURE(start());
    SquareReport before = expect_first_frame("first-frame");

    // Another window over most of the render area, then gone: the area is exposed again.
    Geometry g = viewer->area_geometry();
    WindowId cover = x->create_cover(g.x + 10, g.y + 10, g.width, g.height);
    ASSERT_NE(cover, 0u);
    usleep(200 * 1000);
    x->destroy(cover);
    SquareReport uncovered = expect_settled_square("uncovered");
    EXPECT_TRUE(same_place(uncovered.square, before.square));

    // Hidden and shown again, as a window manager iconifies and restores.
    x->unmap(viewer->top);
    ASSERT_TRUE(poll_until([&] { return !viewer->area_geometry().viewable; }, 5));
    x->map(viewer->top);
    ASSERT_TRUE(poll_until([&] { return viewer->area_geometry().viewable; }, 5));
    SquareReport restored = expect_settled_square("restored");
    EXPECT_TRUE(same_place(restored.square, before.square));
    viewer->close_and_expect_clean_exit();
}

TEST_F(WindowTest, ClosingAsAWindowManagerDoesEndsQuietlyWithStatusZero)
{
    // As soon as the window is up, before any frame, with no runtime directory for Qt to
    // remark on.
    ASSERT_NO_FATAL_FAILURE(start({}, without_variable(viewer_environment(), "XDG_RUNTIME_DIR")));
    viewer->close_and_expect_clean_exit();
    EXPECT_TRUE(x->top_levels(viewer->process.pid()).empty());

    // With the pop-up menu open.
    ASSERT_NO_FATAL_FAILURE(start());
    expect_first_frame("first-frame");
    int cx, cy;
    area_centre(cx, cy);
    x->move_pointer(cx, cy);
    x->button(3, true);
    x->button(3, false);
    ASSERT_TRUE(poll_until(
        [&] { return !x->override_redirect_windows(viewer->process.pid()).empty(); }, 5));
    viewer->close_and_expect_clean_exit();
}

} // namespace
