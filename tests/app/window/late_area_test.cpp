// The harness on a start whose GL render area shows a second after the rest of the window, as
// on a slow first start: the area it finds is the GL area, never a decoration panel that
// showed before it. The viewer runs with a library preloaded that holds the area's mapping
// back (late_gl_area.cpp); the program itself is the same.
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Environment with_late_area()
{
    Environment environment = with_variable(viewer_environment(), "LD_PRELOAD", LATE_GL_AREA);
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer's run-time insists on being loaded first, before any preloaded library.
    const char *options = std::getenv("ASAN_OPTIONS");
    environment = with_variable(environment, "ASAN_OPTIONS",
                                std::string(options ? options : "") + ":verify_asan_link_order=0");
#endif
    return environment;
}

TEST(LateRenderArea, TheAreaFoundIsTheGlAreaThatShowsAfterTheDecoration)
{
    std::unique_ptr<XClient> x;
    ASSERT_NO_FATAL_FAILURE(connect_to_test_display(x));
    ViewerRun viewer(*x, {}, with_late_area());
    ASSERT_TRUE(viewer.process.started());

    // The window shows with its decoration and without its render area: the largest leaf then
    // is a decoration panel.
    WindowId top = x->wait_for_top_level(viewer.process.pid(), "Overlay Plane", 20);
    ASSERT_NE(top, 0u) << "no window; the program " << viewer.process.how_it_ended()
                       << "; stderr: " << viewer.process.err();
    auto shown = std::chrono::steady_clock::now();
    WindowId first_leaf = x->largest_leaf(top);
    ASSERT_NE(first_leaf, 0u);
    ASSERT_TRUE(viewer.wait_for_window());
    EXPECT_GT(seconds_since(shown), 0.5)
        << "the render area was found within 0.5 s of the window: either the GL area was not "
           "held back, or something else was taken for it";
    EXPECT_NE(first_leaf, viewer.area) << "the GL area was already there with the window";

    Geometry whole = x->geometry(top), area = viewer.area_geometry();
    EXPECT_GT(area.width, whole.width / 2);
    EXPECT_GT(area.height, whole.height / 2);
    Image frame = viewer.first_drawn_frame();
    SquareReport report =
        check_centred_square(frame, square_colour, colour_tolerance, side_fraction, pixel_slack);
    EXPECT_TRUE(report.ok) << report.problem << "; " << keep_capture(frame, "first-frame");
    viewer.close_and_expect_clean_exit();
}

} // namespace
