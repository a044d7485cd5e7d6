// The viewer starts and idles quietly: it starts no session bus where there is none, and once
// its window is up and nothing happens, none of its threads runs (counted as context
// switches, which a sleeping thread makes none of).
#include "viewer_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
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

TEST(QuietTest, StartsNoSessionBusWhereThereIsNone)
{
    std::string display = test_display();
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE;
    XClient x(display);
    ASSERT_TRUE(x.connected());
    // A dbus-launch of the test's own, first on the PATH, notes that it was asked for.
    char folder_template[] = "/tmp/quiet_test.XXXXXX";
    ASSERT_NE(mkdtemp(folder_template), nullptr);
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
    ASSERT_TRUE(viewer.wait_for_window()) << "stderr: " << viewer.process.err();
    Image last;
    EXPECT_TRUE(viewer.settled_square(last).ok) << keep_capture(last, "settled");
    EXPECT_FALSE(std::filesystem::exists(asked)) << "the viewer tried to autolaunch a session bus";
    std::filesystem::remove_all(folder);
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
