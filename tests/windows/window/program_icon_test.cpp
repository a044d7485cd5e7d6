// The Windows program's window carries the program's own icon, drawn for the screen's dpi:
// wine hands the window's class icons to the window manager as _NET_WM_ICON. Wine gives a
// program without an icon a stand-in, so the test looks for the picture's light green.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace
{

struct Icon {
    int width = 0, height = 0;
    std::vector<unsigned long> argb; // rows top to bottom
};

// _NET_WM_ICON: width, height and width * height ARGB pixels, once per image.
std::vector<Icon> icons_of(const std::vector<unsigned long> &property)
{
    std::vector<Icon> icons;
    for (size_t at = 0; at + 2 <= property.size();) {
        Icon icon;
        icon.width = static_cast<int>(property[at]);
        icon.height = static_cast<int>(property[at + 1]);
        size_t pixels = static_cast<size_t>(icon.width) * icon.height;
        at += 2;
        if (icon.width <= 0 || icon.height <= 0 || pixels > property.size() - at)
            break;
        icon.argb.assign(property.begin() + at, property.begin() + at + pixels);
        at += pixels;
        icons.push_back(icon);
    }
    return icons;
}

// Opaque pixels of the square's light green.
int light_green_pixels(const Icon &icon)
{
    return static_cast<int>(std::count_if(icon.argb.begin(), icon.argb.end(), [](unsigned long p) {
        Rgb colour = {static_cast<int>(p >> 16 & 0xff), static_cast<int>(p >> 8 & 0xff),
                      static_cast<int>(p & 0xff)};
        return (p >> 24 & 0xff) == 0xff && near_colour(colour, square_colour, colour_tolerance);
    }));
}

// Pixels at 96 dpi, scaled to `dpi` as Windows scales its icon sizes.
int scaled(int pixels, int dpi)
{
    return (pixels * dpi + 48) / 96;
}

std::string sizes_of(const std::vector<Icon> &icons)
{
    std::string sizes;
    for (const Icon &icon : icons)
        sizes += (sizes.empty() ? "" : ", ") + std::to_string(icon.width) + "x" +
                 std::to_string(icon.height);
    return sizes;
}

TEST(ProgramIcon, WindowCarriesTheProgramsIconDrawnForTheScreensDpi)
{
    const char *dpi_setting = std::getenv("OVERLAY_TEST_DPI");
    ASSERT_TRUE(dpi_setting) << "the registration names the prefix's dpi in OVERLAY_TEST_DPI";
    const int dpi = std::atoi(dpi_setting);
    std::unique_ptr<XClient> x;
    ASSERT_NO_FATAL_FAILURE(connect_to_test_display(x));
    ViewerRun viewer(*x, {}, viewer_environment());
    ASSERT_TRUE(viewer.process.started());
    ASSERT_TRUE(viewer.wait_for_window())
        << "no window; the program " << viewer.process.how_it_ended()
        << "; stderr: " << viewer.process.err();

    // The title bar's icon and the big one (Alt+Tab), at 16 and 32 px at 96 dpi, scaled. The
    // window may first carry icons drawn for another dpi, until the program has asked its
    // window's: judge the last ones seen within a few seconds.
    const std::vector<int> wanted = {scaled(16, dpi), scaled(32, dpi)};
    std::vector<Icon> icons;
    std::vector<int> widths;
    poll_until(
        [&] {
            icons = icons_of(x->cardinals(viewer.top, "_NET_WM_ICON"));
            widths.clear();
            for (const Icon &icon : icons)
                widths.push_back(icon.width);
            std::sort(widths.begin(), widths.end());
            return widths == wanted;
        },
        5, 0.05);
    ASSERT_FALSE(icons.empty()) << "the window has no _NET_WM_ICON";
    EXPECT_EQ(widths, wanted) << "the icon's images are " << sizes_of(icons) << " at " << dpi
                              << " dpi";
    for (const Icon &icon : icons) {
        SCOPED_TRACE(std::to_string(icon.width) + "x" + std::to_string(icon.height));
        EXPECT_EQ(icon.width, icon.height);
        // The square covers a quarter of the picture's side: at least 0.15 of it in whole
        // pixels, even at 16 px.
        int least = static_cast<int>(0.15 * icon.width) * static_cast<int>(0.15 * icon.height);
        EXPECT_GE(light_green_pixels(icon), least)
            << "too little of the square's light green: not the program's icon";
    }
    viewer.close_and_expect_clean_exit();
}

} // namespace
