// The viewer starts and idles quietly: it starts no session bus where there is none, and once
// its window is up and nothing happens, none of its threads runs (counted as context
// switches, which a sleeping thread makes none of).
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

// Context switches, voluntary and not, of all the threads of `pid` so far.
long context_switches(pid_t pid)
{
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return -1;
    long total = 0;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        std::string key;
        long value;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                if (status >> value)
                    total += value;
            }
        }
    }
    closedir(dir);
    return total;
}

// Starts the viewer without a session bus, with a dbus-launch of the test's own first on the
// PATH, and waits for its square; true when the viewer asked that dbus-launch for a bus.
bool viewer_asks_for_a_bus(XClient &x)
{
    char folder_template[] = "/tmp/quiet_test.XXXXXX";
    EXPECT_NE(mkdtemp(folder_template), nullptr);
    std::filesystem::path folder = folder_template;
    std::filesystem::path launch = folder / "dbus-launch", asked = folder / "asked";
    {
        std::ofstream script(launch);
        script << "#!/bin/sh\ntouch '" << asked.string() << "'\nexit 1\n";
    }
    std::filesystem::permissions(launch, std::filesystem::perms::owner_all);
    Environment environment = without_variable(viewer_environment(), "DBUS_SESSION_BUS_ADDRESS");
    environment = without_variable(environment, "XDG_RUNTIME_DIR");
    const char *path = getenv("PATH");
    environment =
        with_variable(environment, "PATH", folder.string() + ":" + (path ? path : "/usr/bin:/bin"));

    ViewerRun viewer(x, {}, environment);
    EXPECT_TRUE(viewer.wait_for_window()) << "stderr: " << viewer.process.err();
    Image last;
    EXPECT_TRUE(viewer.settled_square(last).ok) << keep_capture(last, "settled");
    bool was_asked = std::filesystem::exists(asked);
    std::filesystem::remove_all(folder);
    return was_asked;
}

// libdbus autolaunches a session bus only on a system with a machine id, which it reads from
// these files (32 hex digits); minimal systems and many containers have none.
bool has_machine_id()
{
    for (const char *path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
        std::ifstream file(path);
        std::string id;
        if (file >> id && id.size() == 32 &&
            id.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
            return true;
    }
    return false;
}

// Sets or removes at-spi's announcement on the test display's root window.
bool announce_accessibility_bus(bool on)
{
    std::string command =
        "DISPLAY=" + test_display() + " xprop -root " +
        (on ? "-f AT_SPI_BUS 8s -set AT_SPI_BUS unix:path=/nonexistent" : "-remove AT_SPI_BUS");
    return std::system(command.c_str()) == 0;
}

TEST(QuietTest, SessionBusAutolaunchOnlyWhereTheDisplayAnnouncesAnAccessibilityBus)
{
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE;
    XClient x(display);
    ASSERT_TRUE(x.connected());
    // Without a machine id libdbus never autolaunches, so neither case could be told apart.
    if (!has_machine_id())
        GTEST_SKIP() << "no machine id in /var/lib/dbus/machine-id or /etc/machine-id: libdbus "
                        "autolaunches no session bus here, whatever the viewer does";
    EXPECT_FALSE(viewer_asks_for_a_bus(x))
        << "the viewer autolaunched a session bus, with no accessibility bus to reach";

    // at-spi announces its bus on the display for programs without the user's session bus;
    // Qt reaches it only through a session bus, so there the autolaunch stays.
    ASSERT_TRUE(announce_accessibility_bus(true));
    bool asked = viewer_asks_for_a_bus(x);
    announce_accessibility_bus(false);
    EXPECT_TRUE(asked) << "no session bus sought for the accessibility bus the display announces";
}

TEST(QuietTest, ShownViewerMakesNoWakeUpsInFiveSeconds)
{
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE;
    XClient x(display);
    ASSERT_TRUE(x.connected());
    ViewerRun viewer(x, {}, viewer_environment());
    ASSERT_TRUE(viewer.wait_for_window()) << "stderr: " << viewer.process.err();
    Image last;
    ASSERT_TRUE(viewer.settled_square(last).ok) << keep_capture(last, "settled");

    // The start-up's last events (the window's mapping, the first paints) may still be under
    // way: wait for a second without a switch, then count five seconds.
    pid_t pid = viewer.process.pid();
    long before = context_switches(pid);
    for (int quiet = 0, waited = 0; quiet < 10 && waited < 100; waited++) {
        usleep(100 * 1000);
        long now = context_switches(pid);
        quiet = now == before ? quiet + 1 : 0;
        before = now;
    }
    sleep(5);
    long after = context_switches(pid);
    ASSERT_GE(before, 0);
    EXPECT_EQ(after - before, 0) << "context switches of the idle viewer in 5 s";
    EXPECT_TRUE(viewer.process.running()) << viewer.process.how_it_ended();
}

} // namespace
