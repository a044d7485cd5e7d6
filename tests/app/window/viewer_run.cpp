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
    top = x.wait_for_top_level(process.pid(), "Overlay Plane", seconds);
    if (!top)
        return false;
    // Found in the pixels, the area counts once it keeps its place for a few captures: the
    // decoration beside it can still be unpainted (and as black) when the area first shows.
    Geometry last;
    int same = 0;
    return poll_until(
        [&] {
            if ((area = x.largest_leaf(top)) != 0)
                return true;
            if (!x.children(top).empty())
                return false;
            Geometry now = area_geometry();
            bool steady = now.width > 0 && now.x == last.x && now.y == last.y &&
                          now.width == last.width && now.height == last.height;
            same = steady ? same + 1 : 0;
            last = now;
            return same >= 4;
        },
        seconds, 0.05);
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
    report.problem = "no capture";
    Geometry before = area_geometry();
    int steady = 0;
    poll_until(
        [&] {
            Geometry now = area_geometry();
            steady = now.width == before.width && now.height == before.height ? steady + 1 : 0;
            before = now;
            if (steady < 3)
                return false;
            last = capture_area();
            report = check_centred_square(last, square_colour, colour_tolerance, side_fraction,
                                          pixel_slack);
            return report.ok;
        },
        seconds, 0.05);
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
