// Displays the viewer can't use, each a private Xvfb this test starts and stops: without
// GLX, without a usable visual, and lost while the viewer runs. One line, never a crash.
#include "private_display.h"
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <unistd.h>

namespace
{

Environment on(const std::string &display)
{
    return with_variable(current_environment(), "DISPLAY", display);
}

// One line on stderr, naming `display` in quotes and containing `what`; nothing on stdout.
void expect_one_line(Process &viewer, const std::string &display, const std::string &what)
{
    EXPECT_EQ(viewer.out(), "");
    std::string err = viewer.err();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "stderr: " << err;
    EXPECT_TRUE(!err.empty() && err.back() == '\n') << "stderr: " << err;
    EXPECT_NE(err.find("\"" + display + "\""), std::string::npos) << "stderr: " << err;
    EXPECT_NE(err.find(what), std::string::npos) << "stderr: " << err;
}

TEST(UnusableDisplay, WithoutGlxOrAUsableVisualTheViewerRefusesInOneLineWithinASecond)
{
    struct Case {
        const char *tag;
        std::vector<std::string> xvfb;
        const char *screen; // appended to the display name
        const char *lacks;  // a word the line must hold
    };
    const Case cases[] = {
        {"no-glx", {"-screen", "0", "640x480x24", "-extension", "GLX"}, "", "GLX"},
        // GLX on the display, but the second screen, at 8 bits, has no GL visual at all.
        {"no-visual", {"-screen", "0", "640x480x24", "-screen", "1", "640x480x8"}, ".1", "visual"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag);
        PrivateDisplay server(c.tag, c.xvfb);
        ASSERT_FALSE(server.name.empty()) << "Xvfb did not start; see " << server.state << ".log";
        std::string display = server.name + c.screen;
        XClient x(display);
        ASSERT_TRUE(x.connected());
        x.watch_new_windows();

        Process viewer({VIEWER_PROGRAM}, on(display));
        ASSERT_TRUE(viewer.started());
        bool ended = viewer.wait(10);
        if (!ended)
            viewer.kill();
        ASSERT_TRUE(ended) << "still running after 10 s; stderr: " << viewer.err();
        EXPECT_EQ(viewer.how_it_ended(), "exited with status 1") << "stderr: " << viewer.err();
        EXPECT_LE(viewer.seconds_alive(), 1.0);
        expect_one_line(viewer, display, c.lacks);
        EXPECT_EQ(x.new_windows(), 0) << "the viewer made windows before it refused";
    }
}

TEST(UnusableDisplay, LosingTheDisplayWhileRunningEndsInOneLineNamingIt)
{
    for (bool server_ends : {true, false}) {
        SCOPED_TRACE(server_ends ? "the server ends" : "the connection is killed (xkill)");
        PrivateDisplay server("lost", {"-screen", "0", "1024x768x24"});
        ASSERT_FALSE(server.name.empty()) << "Xvfb did not start; see " << server.state << ".log";
        auto x = std::make_unique<XClient>(server.name);
        ASSERT_TRUE(x->connected());
        ViewerRun run(*x, {}, on(server.name));
        ASSERT_TRUE(run.wait_for_window())
            << run.process.how_it_ended() << "; " << run.process.err();
        ASSERT_FALSE(run.first_drawn_frame().empty());

        if (server_ends) {
            x.reset(); // this test's own connection goes with the server
            server.stop();
        } else {
            x->kill_client(run.top);
        }
        bool ended = run.process.wait(5);
        if (!ended)
            run.process.kill();
        ASSERT_TRUE(ended) << "still running 5 s after the display went; stderr: "
                           << run.process.err();
        // Ended by itself with a failure status, not by a signal: no core dump.
        EXPECT_TRUE(run.process.exited()) << run.process.how_it_ended();
        EXPECT_NE(run.process.status(), 0);
        expect_one_line(run.process, server.name, "lost");
    }
}

} // namespace
