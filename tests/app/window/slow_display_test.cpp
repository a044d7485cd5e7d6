// The viewer on displays that answer slowly: a TCP display behind a lag hop, as over a long
// line, and displays started afresh while both cores are busy. Slow is not absent: the
// square, then a clean close.
#include "private_display.h"
#include "viewer_run.h"

#include "lag_hop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool write_file(const char *path, const std::string &text)
{
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    bool written = fd >= 0 && write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        close(fd);
    return written;
}

// Puts this test's process, and what it starts from now on, in a network namespace of its
// own with only the loopback up: a TCP display listens on every address, and there nothing
// from outside reaches it. As root directly; otherwise inside a user namespace of its own, in
// which this user stays itself. The Unix sockets in /tmp/.X11-unix still reach the server.
std::string enter_private_network()
{
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (unshare(CLONE_NEWNET) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return std::string("unshare: ") + strerror(errno);
        if (!write_file("/proc/self/setgroups", "deny") ||
            !write_file("/proc/self/uid_map",
                        std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
            !write_file("/proc/self/gid_map",
                        std::to_string(gid) + " " + std::to_string(gid) + " 1"))
            return "cannot map this user into its namespace";
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback = {};
    snprintf(loopback.ifr_name, sizeof loopback.ifr_name, "lo");
    bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &loopback) == 0 &&
              (loopback.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &loopback) == 0);
    if (fd >= 0)
        close(fd);
    return up ? "" : std::string("cannot bring the loopback up: ") + strerror(errno);
}

// Xvfb on TCP, and a lag hop in front of it that adds `round_trip` seconds to each round trip:
// the viewer connects to the hop, the test's own client to the server's Unix socket. The
// window must show and the square come right, and closing must end the viewer cleanly.
void start_and_close_over_a_slow_line(double round_trip, double window_seconds)
{
    std::string failure = enter_private_network();
    ASSERT_EQ(failure, "");
    // A state file of this test's own: starting a display stops the one its state file names,
    // and the tests at 200 and 400 ms run side by side.
    std::string tag = "slow-" + std::to_string(static_cast<int>(round_trip * 1000));
    PrivateDisplay server(tag, {"-screen", "0", "1024x768x24", "-listen", "tcp"});
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start; see " << server.state << ".log";
    int number = std::stoi(server.name.substr(1));
    LagHop hop(6000 + number + 1, 6000 + number, round_trip / 2);
    ASSERT_TRUE(hop.listening());
    std::string far_display = "127.0.0.1:" + std::to_string(number + 1);

    XClient x(server.name);
    ASSERT_TRUE(x.connected());
    auto start = std::chrono::steady_clock::now();
    ViewerRun run(x, {}, with_variable(current_environment(), "DISPLAY", far_display));
    ASSERT_TRUE(run.wait_for_window(window_seconds))
        << "no window after " << window_seconds << " s: " << run.process.how_it_ended()
        << "; stderr: " << run.process.err();
    double window_at = seconds_since(start);
    Image last;
    SquareReport square = run.settled_square(last, 60);
    ASSERT_TRUE(square.ok) << square.problem << "; " << keep_capture(last, "square");
    double square_at = seconds_since(start);
    testing::Test::RecordProperty("window_seconds", std::to_string(window_at));
    testing::Test::RecordProperty("square_seconds", std::to_string(square_at));
    printf("%.0f ms round trip: the window at %.1f s, the square right at %.1f s\n",
           round_trip * 1000, window_at, square_at);
    run.close_and_expect_clean_exit(30);
}

TEST(SlowDisplay, At200msRoundTripTheSquareShowsAndClosingEndsCleanly)
{
    start_and_close_over_a_slow_line(0.2, 90);
}

TEST(SlowDisplay, At400msRoundTripTheSquareShowsAndClosingEndsCleanly)
{
    start_and_close_over_a_slow_line(0.4, 150);
}

// A freshly started server can be slow to answer its first GLX request while the machine is
// busy; the viewer must wait for it.
TEST(BusyMachine, TwentyStartsOnFreshDisplaysWhileEveryCoreIsBusy)
{
    std::vector<std::unique_ptr<Process>> busy;
    for (unsigned core = 0; core < std::max(2u, std::thread::hardware_concurrency()); core++)
        busy.push_back(std::make_unique<Process>(
            std::vector<std::string>{"/bin/sh", "-c", "while :; do :; done"},
            current_environment()));
    int squares = 0;
    for (int start = 0; start < 20; start++) {
        SCOPED_TRACE("start " + std::to_string(start + 1));
        PrivateDisplay server("busy", {"-screen", "0", "640x480x24"});
        ASSERT_FALSE(server.name.empty()) << "Xvfb did not start; see " << server.state << ".log";
        XClient x(server.name);
        ASSERT_TRUE(x.connected());
        ViewerRun run(x, {}, with_variable(current_environment(), "DISPLAY", server.name));
        bool shown = run.wait_for_window(30);
        EXPECT_TRUE(shown) << run.process.how_it_ended() << "; stderr: " << run.process.err();
        if (!shown)
            continue;
        Image last;
        SquareReport square = run.settled_square(last, 30);
        EXPECT_TRUE(square.ok) << square.problem << "; " << keep_capture(last, "square");
        squares += square.ok;
        run.close_and_expect_clean_exit(30);
    }
    EXPECT_EQ(squares, 20);
}

} // namespace
