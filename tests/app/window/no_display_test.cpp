// Starting the viewer where no display can be used: one line on stderr, status 1, at once
// where there is no display, and once the limit is out where one stays silent.
#include "x11_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <cstdint>
#include <unistd.h>

namespace
{

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// A display number with no server: no socket and no lock file.
std::string display_without_server()
{
    for (int number = 180; number < 400; number++)
        if (!exists("/tmp/.X11-unix/X" + std::to_string(number)) &&
            !exists("/tmp/.X" + std::to_string(number) + "-lock"))
            return ":" + std::to_string(number);
    return "";
}

// A TCP display that accepts connections and never answers. Closes on destruction.
struct SilentServer {
    int fd = -1;
    std::string display;

    SilentServer()
    {
        for (int number = 150; number < 250 && display.empty(); number++) {
            fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(6000 + number));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                listen(fd, 4) == 0) {
                display = "127.0.0.1:" + std::to_string(number);
                return;
            }
            close(fd);
            fd = -1;
        }
    }
    ~SilentServer()
    {
        if (fd >= 0)
            close(fd);
    }
};

// How long the viewer waits for a display that has stopped answering.
const double silence_limit = 10;

// Runs the viewer in `environment` and checks the failure: status 1 within `seconds`, nothing
// on stdout, one line on stderr that contains `named`.
void expect_one_line_failure(const Environment &environment, const std::string &named,
                             double seconds = 1)
{
    Process viewer({VIEWER_PROGRAM}, environment);
    ASSERT_TRUE(viewer.started());
    bool ended = viewer.wait(seconds + 4);
    if (!ended)
        viewer.kill();
    ASSERT_TRUE(ended) << "still running after " << seconds + 4 << " s; stderr: " << viewer.err();
    EXPECT_EQ(viewer.how_it_ended(), "exited with status 1") << "stderr: " << viewer.err();
    EXPECT_LE(viewer.seconds_alive(), seconds);
    EXPECT_EQ(viewer.out(), "");
    std::string err = viewer.err();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "stderr: " << err;
    EXPECT_FALSE(err.empty() || err.back() != '\n') << "stderr: " << err;
    EXPECT_NE(err.find(named), std::string::npos) << "stderr: " << err;
}

TEST(NoDisplay, DisplayUnset)
{
    expect_one_line_failure(without_variable(current_environment(), "DISPLAY"), "DISPLAY");
}

TEST(NoDisplay, DisplayUnsetInAWaylandSession)
{
    Environment environment = without_variable(current_environment(), "DISPLAY");
    environment = with_variable(environment, "WAYLAND_DISPLAY", "wayland-0");
    environment = with_variable(environment, "XDG_SESSION_TYPE", "wayland");
    expect_one_line_failure(environment, "DISPLAY");
}

TEST(NoDisplay, DisplayWithNoServer)
{
    std::string display = display_without_server();
    ASSERT_FALSE(display.empty());
    expect_one_line_failure(with_variable(current_environment(), "DISPLAY", display),
                            "\"" + display + "\"");
}

// Waited for as long as a slow display might need, and then given up in a line of its own.
TEST(NoDisplay, DisplayThatNeverAnswers)
{
    SilentServer server;
    ASSERT_FALSE(server.display.empty()) << "no free port for a silent display";
    auto start = std::chrono::steady_clock::now();
    expect_one_line_failure(with_variable(current_environment(), "DISPLAY", server.display),
                            "the X display \"" + server.display + "\" did not answer for 10 seconds",
                            silence_limit + 1);
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              silence_limit);
}

} // namespace
