// Starting overlay-plane on the test display and finding its window and render area.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

std::string test_display()
{
    return read_display_file(DISPLAY_STATE_FILE);
}

void connect_to_test_display(std::unique_ptr<XClient> &x)
{
    forget_old_captures();
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE
                                  << "; run these tests through ctest, whose fixture starts one";
    x = std::make_unique<XClient>(display);
    ASSERT_TRUE(x->connected()) << "cannot open the test display " << display;
}

std::string capture_path(const std::string &what)
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "run";
    return std::string(CAPTURE_DIR) + "/" + name + "." + what + ".ppm";
}

void forget_old_captures()
{
    std::string prefix = capture_path("");
    prefix.erase(prefix.size() - std::string(".ppm").size());
    std::error_code error;
    for (auto &entry : std::filesystem::directory_iterator(CAPTURE_DIR, error))
        if (entry.path().string().compare(0, prefix.size(), prefix) == 0)
            std::filesystem::remove(entry.path(), error);
}

std::string keep_capture(const Image &image, const std::string &what)
{
    if (image.empty())
        return "there was no capture to keep";
    std::string path = capture_path(what);
    return save_ppm(image, path) ? "capture kept at " + path : "could not write " + path;
}

namespace
{

const char *const viewer_variable = "OVERLAY_TEST_VIEWER";

// A render area drawn into its top-level's picture is looked for only once it is this large.
const int least_area_side = 16;

std::vector<std::string> viewer_argv(const std::vector<std::string> &launcher,
                                     const std::vector<std::string> &extra_words)
{
    std::vector<std::string> argv = launcher;
    argv.push_back(viewer_program());
    argv.insert(argv.end(), extra_words.begin(), extra_words.end());
    return argv;
}

bool same_place(const Geometry &a, const Geometry &b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The decoration's thickness around `area` inside `top`: left, top, right, bottom.
void margins_of(const Geometry &top, const Geometry &area, int (&margins)[4])
{
    margins[0] = area.x - top.x;
    margins[1] = area.y - top.y;
    margins[2] = top.x + top.width - (area.x + area.width);
    margins[3] = top.y + top.height - (area.y + area.height);
}

bool one_colour(const Image &image)
{
    return image.distinct_colours(0, 0, image.width, image.height) == 1;
}

// The share of black pixels in the rectangle of `image` at (x, y), width by height.
double black_share(const Image &image, int x, int y, int width, int height)
{
    int black = 0;
    for (int row = y; row < y + height; row++)
        for (int col = x; col < x + width; col++)
            black += near_colour(image.at(col, row), {0, 0, 0}, colour_tolerance);
    return static_cast<double>(black) / (width * height);
}

// The render area inside the top-level's picture `whole`; width 0 when it is not there.
Rect area_in_picture(const Image &whole)
{
    Rect area = largest_region(whole, {0, 0, 0}, colour_tolerance);
    // Dark text or a dark widget touching the area joins its region: drop edge rows and
    // columns that are not nearly all black.
    auto mostly_black = [&](int x, int y, int width, int height) {
        return black_share(whole, x, y, width, height) > 0.9;
    };
    while (area.height > 0 && !mostly_black(area.x, area.y, area.width, 1)) {
        area.y++;
        area.height--;
    }
    while (area.height > 0 && !mostly_black(area.x, area.y + area.height - 1, area.width, 1))
        area.height--;
    while (area.width > 0 && !mostly_black(area.x, area.y, 1, area.height)) {
        area.x++;
        area.width--;
    }
    while (area.width > 0 && !mostly_black(area.x + area.width - 1, area.y, 1, area.height))
        area.width--;
    if (area.width < least_area_side || area.height < least_area_side)
        return {};
    return area;
}

} // namespace

std::string viewer_program()
{
    const char *named = std::getenv(viewer_variable);
    return named && *named ? named : VIEWER_PROGRAM;
}

Environment viewer_environment()
{
    return with_variable(without_variable(current_environment(), viewer_variable), "DISPLAY",
                         test_display());
}

ViewerRun::ViewerRun(XClient &x, const std::vector<std::string> &extra_words,
                     const Environment &environment, const std::vector<std::string> &launcher,
                     StandardOutput output)
    : x(x), process(viewer_argv(launcher, extra_words), environment, output)
{
}

bool ViewerRun::wait_for_window(double seconds)
{
    top = x.wait_for_top_level(window_of_any_process ? 0 : process.pid(), "Overlay Plane",
                               seconds);
    if (!top)
        return false;
    // On a slow start the decoration's panels can show before the GL area does; found in the
    // pixels, the decoration beside the area can still be unpainted (and as black).
    WindowId last_window = 0;
    Geometry last, last_top;
    int same = 0;
    bool found = poll_until(
        [&] {
            // Qt gives the area an X window of its own; wine draws it into the top-level's.
            bool own_window = !x.children(top).empty();
            area = own_window ? x.largest_leaf(top, true) : 0;
            Geometry now = own_window && !area ? Geometry() : area_geometry();
            Geometry now_top = x.geometry(top);
            // Laid out, the area takes most of the window: not so before its first layout.
            bool fills =
                now.viewable && now.width > now_top.width / 2 && now.height > now_top.height / 2;
            bool steady = fills && area == last_window && same_place(now, last) &&
                          same_place(now_top, last_top);
            same = steady ? same + 1 : 0;
            last_window = area;
            last = now;
            last_top = now_top;
            return same >= 4;
        },
        seconds, 0.05);
    if (!found) {
        area = 0;
        return false;
    }
    margins_of(last_top, last, margins);
    return true;
}

bool ViewerRun::laid_out(Geometry &before, int &steady)
{
    Geometry now = area_geometry();
    int now_margins[4];
    margins_of(x.geometry(top), now, now_margins);
    bool fits = now.width > 0 && now.viewable;
    for (int i = 0; i < 4; i++)
        fits = fits && std::abs(now_margins[i] - margins[i]) <= 1;
    steady = fits && same_place(now, before) ? steady + 1 : 0;
    before = now;
    return steady >= 3;
}

void ViewerRun::scale_decoration(int from, int to)
{
    for (int &margin : margins)
        margin = (margin * to + from / 2) / from;
}

bool ViewerRun::wait_for_layout(double seconds)
{
    Geometry before;
    int steady = 0;
    return poll_until([&] { return laid_out(before, steady); }, seconds, 0.05);
}

Geometry ViewerRun::area_geometry()
{
    if (area)
        return x.geometry(area);
    Geometry whole = x.geometry(top);
    Rect inside = area_in_picture(x.capture(top));
    Geometry found;
    if (inside.width == 0)
        return found;
    found.x = whole.x + inside.x;
    found.y = whole.y + inside.y;
    found.width = inside.width;
    found.height = inside.height;
    found.viewable = whole.viewable;
    return found;
}

Image ViewerRun::capture_area()
{
    if (area)
        return x.capture(area);
    Image whole = x.capture(top);
    Rect inside = area_in_picture(whole);
    return inside.width ? crop(whole, inside) : Image();
}

Image ViewerRun::first_drawn_frame(double seconds)
{
    Image frame;
    poll_until(
        [&] {
            frame = capture_area();
            return !frame.empty() && !one_colour(frame);
        },
        seconds, 0.005);
    return !frame.empty() && !one_colour(frame) ? frame : Image();
}

SquareReport ViewerRun::settled_square(Image &last, double seconds)
{
    SquareReport report;
    Geometry before;
    int steady = 0;
    bool placed = false;
    poll_until(
        [&] {
            if (!laid_out(before, steady))
                return false;
            placed = true;
            last = capture_area();
            report = check_centred_square(last, square_colour, colour_tolerance, side_fraction,
                                          pixel_slack);
            return report.ok;
        },
        seconds, 0.05);
    if (!placed) {
        // The whole window, to show where the area was instead.
        last = x.capture(top);
        report.problem = "the render area never sat in its window as it did at the start; it is " +
                         std::to_string(before.width) + "x" + std::to_string(before.height) +
                         " at " + std::to_string(before.x) + "," + std::to_string(before.y);
    }
    return report;
}

void ViewerRun::close_and_expect_clean_exit(double seconds)
{
    ASSERT_TRUE(process.running())
        << "the program ended before it was closed: " << process.how_it_ended()
        << "; stderr: " << process.err();
    x.send_delete_window(top);
    ASSERT_TRUE(process.wait(seconds))
        << "still running " << seconds << " s after WM_DELETE_WINDOW";
    EXPECT_EQ(process.how_it_ended(), "exited with status 0");
    EXPECT_EQ(process.out(), "");
    EXPECT_EQ(process.err(), "");
}
