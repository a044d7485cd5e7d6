// Five thousand synthetic input events over more than a minute against one running viewer:
// drags with each button, wheel turns, keys, resizes and the pop-up menu. Afterwards the
// viewer is alive, its resident memory has grown by less than 2 MB since the warm-up, it
// still shows the square, and closing it still ends it quietly with status 0.
#include "viewer_session.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <fstream>
#include <iostream>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

const int events_wanted = 5000;
const double paced_seconds = 66; // the events are spread evenly over this
const double minimum_seconds = 60;
const int warm_up_rounds = 8;
const long growth_limit_kib = 2048;
#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer keeps freed memory in quarantine (256 MB by default): there resident
// memory grows by design, and only the plain build's figure means anything.
const bool growth_limited = false;
#else
const bool growth_limited = true;
#endif

struct Size {
    int width, height;
};
// Memory is sampled at the first size; the warm-up goes through all of them.
const Size sizes[] = {{600, 480}, {1000, 800}, {320, 260}, {760, 400}, {420, 700}, {880, 620}};

const char *const keys[] = {"Left",      "Right", "Up",    "Down",   "Home",   "s",      "a",
                            "Control_L", "Alt_L", "space", "Escape", "Escape", "Shift_L"};

long resident_kib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::stol(line.substr(6));
    return -1;
}

// glibc moves its threshold for serving large blocks by mmap up to the largest block freed
// so far; frame-sized buffers (a megabyte and more) then come from the heap and stay
// resident after they are freed, and VmRSS moves up and down in such steps. With the
// threshold fixed they go back to the system when freed, and VmRSS follows what is live.
Environment fixed_mmap_threshold()
{
    return with_variable(viewer_environment(), "GLIBC_TUNABLES",
                         "glibc.malloc.mmap_threshold=131072");
}

double seconds_since(Clock::time_point then)
{
    return std::chrono::duration<double>(Clock::now() - then).count();
}

class Soak : public ViewerSession
{
  protected:
    // Counts one event, remembers the events up to the program's end for failure messages,
    // and sleeps so that the events keep their even pace.
    void paced(const std::string &what)
    {
        events++;
        if (viewer->process.running()) {
            recent.push_back(what);
            if (recent.size() > 12)
                recent.pop_front();
        }
        std::chrono::duration<double> due(paced_seconds * events / events_wanted);
        std::this_thread::sleep_until(begun + std::chrono::duration_cast<Clock::duration>(due));
    }
    void move(int x_root, int y_root)
    {
        x->move_pointer(x_root, y_root);
        paced("move");
    }
    void button(int number, bool down)
    {
        x->button(number, down);
        paced("button " + std::to_string(number) + (down ? " down" : " up"));
    }
    void key(const char *name, bool down)
    {
        x->key(name, down);
        paced(std::string("key ") + name + (down ? " down" : " up"));
    }
    void tap(const char *name)
    {
        key(name, true);
        key(name, false);
    }

    void centre(int &cx, int &cy)
    {
        Geometry g = x->geometry(viewer->area);
        cx = g.x + g.width / 2;
        cy = g.y + g.height / 2;
    }

    // Presses `number` with `modifier` held, moves by (dx, dy) about the centre in ten
    // steps and releases; a fling releases while still moving, which sets the examiner
    // spinning until the next press.
    void drag(int number, const char *modifier, int dx, int dy, bool fling)
    {
        int cx, cy;
        centre(cx, cy);
        if (modifier)
            key(modifier, true);
        move(cx - dx / 2, cy - dy / 2);
        button(number, true);
        for (int i = 1; i <= 10; i++)
            move(cx - dx / 2 + dx * i / 10, cy - dy / 2 + dy * i / 10);
        if (!fling)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        button(number, false);
        if (modifier)
            key(modifier, false);
    }

    void wheel(bool up, int clicks)
    {
        int cx, cy;
        centre(cx, cy);
        move(cx, cy);
        for (int i = 0; i < clicks; i++) {
            button(up ? 4 : 5, true);
            button(up ? 4 : 5, false);
        }
    }

    bool menu_open()
    {
        return !x->override_redirect_windows(viewer->process.pid()).empty();
    }

    // Escape for the pop-up menu that a right press has opened, however late it opens.
    void close_opened_menu()
    {
        ASSERT_TRUE(poll_until([&] { return menu_open(); }, 5))
            << "no pop-up menu 5 s after a drag with the right button; " << how_it_ended() << "; "
            << keep_capture(x->capture(viewer->top), "no-menu-after-drag");
        tap("Escape");
        ASSERT_TRUE(poll_until([&] { return !menu_open(); }, 5))
            << "the pop-up menu is still open 5 s after Escape";
    }

    void open_and_close_menu()
    {
        int cx, cy;
        centre(cx, cy);
        move(cx, cy);
        button(3, true);
        button(3, false);
        ASSERT_TRUE(poll_until([&] { return menu_open(); }, 5))
            << "no pop-up menu 5 s after a right click at " << cx << "," << cy << "; "
            << how_it_ended() << "; " << keep_capture(x->capture(viewer->top), "no-menu");
        tap("Escape");
        ASSERT_TRUE(poll_until([&] { return !menu_open(); }, 5))
            << "the pop-up menu is still open 5 s after Escape";
    }

    void resize(Size size)
    {
        ASSERT_TRUE(viewer->process.running()) << how_it_ended();
        x->resize(viewer->top, size.width, size.height);
        paced("resize");
        Geometry g;
        ASSERT_TRUE(poll_until(
            [&] {
                g = x->geometry(viewer->top);
                return g.width == size.width && g.height == size.height;
            },
            5))
            << "the window did not take the size " << size.width << "x" << size.height
            << " but stayed at " << g.width << "x" << g.height << "; " << how_it_ended();
        // Until the program has laid the window out again, the area's centre can lie outside
        // the smaller window, or in the decoration.
        ASSERT_TRUE(viewer->wait_for_layout())
            << "the render area did not follow the window to " << size.width << "x" << size.height
            << " within 10 s; " << how_it_ended() << "; "
            << keep_capture(x->capture(viewer->top), "not-laid-out");
    }

    void round(int number)
    {
        drag(1, nullptr, 140, 90, number % 4 == 3);
        drag(2, nullptr, -120, 70, false);
        drag(1, "Shift_L", 20, 110, false);
        drag(1, "Control_L", 90, -60, false);
        // Up and to the left, away from the menu that the press opens below and right.
        drag(3, nullptr, -100, -90, false);
        ASSERT_NO_FATAL_FAILURE(close_opened_menu());
        wheel(true, 8);
        wheel(false, 8);
        for (const char *name : keys)
            tap(name);
        ASSERT_NO_FATAL_FAILURE(resize(sizes[number % std::size(sizes)]));
        ASSERT_NO_FATAL_FAILURE(open_and_close_menu());
        ASSERT_TRUE(viewer->process.running()) << how_it_ended();
    }

    // What became of the program, and the events that came last.
    std::string how_it_ended()
    {
        std::string text = "after " + std::to_string(events) + " events the program " +
                           (viewer->process.running() ? "runs" : viewer->process.how_it_ended()) +
                           "; stderr: \"" + viewer->process.err() + "\"; the last events:";
        for (auto &what : recent)
            text += " " + what + ",";
        return text;
    }

    // Resident memory at the first size, once the square is back; -1 on failure.
    long sample(const std::string &what)
    {
        resize(sizes[0]);
        expect_square(what);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return resident_kib(viewer->process.pid());
    }

    int events = 0;
    std::deque<std::string> recent;
    Clock::time_point begun;
};

TEST_F(Soak, FiveThousandEventsLeaveTheViewerWorkingWithoutGrowing)
{
    ASSERT_NO_FATAL_FAILURE(start({}, StandardOutput::CAPTURED, 20, fixed_mmap_threshold()));
    expect_square("first-frame");
    begun = Clock::now();

    int rounds = 0;
    for (; rounds < warm_up_rounds; rounds++)
        ASSERT_NO_FATAL_FAILURE(round(rounds));
    long warm = sample("after-warm-up");
    int warm_events = events;
    double warm_seconds = seconds_since(begun);
    ASSERT_GT(warm, 0);

    long peak = warm;
    // Ending where the warm-up ended in the cycle of sizes: both samples follow the same
    // resizes, and so the same buffers are live at both.
    const int cycle = static_cast<int>(std::size(sizes));
    while (events < events_wanted || seconds_since(begun) < minimum_seconds ||
           rounds % cycle != warm_up_rounds % cycle) {
        ASSERT_NO_FATAL_FAILURE(round(rounds++));
        peak = std::max(peak, resident_kib(viewer->process.pid()));
    }
    long end = sample("at-the-end");
    double seconds = seconds_since(begun);

    std::cout << "soak: " << events << " events in " << rounds << " rounds over " << seconds
              << " s; warm-up " << warm_events << " events, " << warm_seconds
              << " s; VmRSS after warm-up " << warm << " kB, at the end " << end << " kB, growth "
              << end - warm << " kB, peak " << peak << " kB" << std::endl;
    RecordProperty("events", events);
    RecordProperty("rss_after_warm_up_kib", std::to_string(warm));
    RecordProperty("rss_at_end_kib", std::to_string(end));

    EXPECT_GE(events, events_wanted);
    EXPECT_GE(seconds, minimum_seconds);
    if (growth_limited) {
        EXPECT_LT(end - warm, growth_limit_kib)
            << "VmRSS " << warm << " kB after the warm-up, " << end << " kB at the end";
    }
    close_and_expect_clean_exit();
}

} // namespace
