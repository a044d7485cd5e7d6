// The viewer under Qt's HiDPI scaling, as a HiDPI desktop turns it on for every Qt program:
// the square judged in the render area's device pixels, first frame and after resizes.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

class ScaledWindowTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        connect_to_test_display(x);
    }

    void start_scaled(const std::string &factor)
    {
        viewer = std::make_unique<ViewerRun>(
            *x, std::vector<std::string>{},
            with_variable(viewer_environment(), "QT_SCALE_FACTOR", factor));
        ASSERT_TRUE(viewer->process.started());
        ASSERT_TRUE(viewer->wait_for_window())
            << "no window at scale " << factor << "; the program " << viewer->process.how_it_ended()
            << "; stderr: " << viewer->process.err();
    }

    void expect_first_frame()
    {
        Image frame = viewer->first_drawn_frame();
        ASSERT_FALSE(frame.empty()) << "the render area never showed anything but one colour; "
                                    << keep_capture(x->capture(viewer->area), "first-frame");
        SquareReport report = check_centred_square(frame, square_colour, colour_tolerance,
                                                   side_fraction, pixel_slack);
        EXPECT_TRUE(report.ok) << "first frame: " << report.problem << "; "
                               << keep_capture(frame, "first-frame");
    }

    // Resizes the top-level as a window manager would and judges the settled render area.
    void resize_and_expect_square(int width, int height)
    {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        x->resize(viewer->top, width, height);
        ASSERT_TRUE(poll_until(
            [&] {
                Geometry g = x->geometry(viewer->top);
                return g.width == width && g.height == height;
            },
            5));
        Image last;
        SquareReport report = viewer->settled_square(last);
        EXPECT_TRUE(report.ok) << report.problem << "; " << keep_capture(last, "resized");
        expect_area_inside_window();
    }

    // The render area fills the space inside the decoration, no part of it beyond the window.
    void expect_area_inside_window()
    {
        Geometry top = x->geometry(viewer->top), area = x->geometry(viewer->area);
        EXPECT_GT(area.width, top.width / 2);
        EXPECT_GT(area.height, top.height / 2);
        EXPECT_LE(area.x + area.width, top.x + top.width);
        EXPECT_LE(area.y + area.height, top.y + top.height);
    }

    std::unique_ptr<XClient> x;
    std::unique_ptr<ViewerRun> viewer;
};

TEST_F(ScaledWindowTest, AtScaleTwoTheWindowIsTwiceAsLargeAndTheSquareRight)
{
    ASSERT_NO_FATAL_FAILURE(start_scaled("2"));
    // SoQt's decoration is 30 logical pixels wide: the render area starts 60 device pixels in.
    Geometry top = x->geometry(viewer->top), area = x->geometry(viewer->area);
    EXPECT_EQ(area.x - top.x, 60);
    expect_area_inside_window();
    expect_first_frame();
    resize_and_expect_square(1100, 700);
    viewer->close_and_expect_clean_exit();
}

TEST_F(ScaledWindowTest, AtAFractionalScaleTheSquareIsRightFirstAndAfterOddResizes)
{
    ASSERT_NO_FATAL_FAILURE(start_scaled("1.5"));
    expect_first_frame();
    // Sizes whose logical halves are not whole: every rounding step is exercised.
    resize_and_expect_square(901, 433);
    resize_and_expect_square(377, 763);
    viewer->close_and_expect_clean_exit();
}

} // namespace
