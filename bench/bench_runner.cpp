// Benchmark driver: runs each peer under the frame probe, side by side, and reports.
// Requires: DISPLAY set to a private X server, the probe library and the peer programs
// (see usage()). Does not: start or stop the X server, or build anything.
//
// One run of a peer: exec under LD_PRELOAD=frame_probe.so, wait for the first presented
// frame and then for the first correct one (at most --settle seconds more), read the RSS
// (and PSS and USS) the probe logged at that frame, idle for --idle seconds counting swaps,
// CPU time (/proc/<pid>/task/*/schedstat) and wake-ups (voluntary context switches,
// /proc/<pid>/task/*/status) of all threads, then force --redraws redraws with synthetic Expose
// events on the GL window, one at a time, and collect the probe's per-frame render times.
// Rounds rotate the order of the peers so that no peer always runs first.
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

struct Options {
    std::string probe, program, bare, floor, ivview = "ivview", scene, json;
    std::vector<std::pair<std::string, std::string>> candidates; // name, program
    int runs = 10;
    double idle = 5.0;
    double idle_settle = 0.5; // before idle CPU and wake-ups are counted
    double settle = 3.0;
    int redraws = 60;
};

struct Peer {
    std::string name;
    std::vector<std::string> argv;
};

struct Run {
    bool presented = false;
    double first_frame_ms = 0;
    bool correct = false;
    double first_correct_ms = 0;
    long rss_kb = 0, pss_kb = 0, uss_kb = 0;
    double cpu_ms = 0; // CPU time of all threads until that frame
    int idle_frames = 0;
    long idle_wakeups = 0;
    double first_idle_frame_ms = 0; // since exec
    double idle_cpu_ms = 0;
    int forced = 0;
    std::vector<double> render_ms, base_ms; // whole frame; frame before the overlay pass
    std::vector<double> response_ms;        // from sending the expose to the present
};

int64_t now_ns(void)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Lines from the probe's pipe, with a deadline.
class LineReader
{
  public:
    explicit LineReader(int fd) : fd(fd) {}

    // False at the deadline or at end of file (`eof` tells which).
    bool next(int64_t deadline_ns, std::string &line)
    {
        for (;;) {
            size_t end = buffer.find('\n');
            if (end != std::string::npos) {
                line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                return true;
            }
            if (eof)
                return false;
            int64_t left = deadline_ns - now_ns();
            if (left <= 0)
                return false;
            pollfd p = {fd, POLLIN, 0};
            int ready = poll(&p, 1, static_cast<int>(left / 1000000) + 1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                continue;
            char chunk[4096];
            ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0)
                eof = true;
            else
                buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    bool eof = false;

  private:
    int fd;
    std::string buffer;
};

struct Frame {
    char state = '-';
    double ms = 0;
    unsigned long drawable = 0;
    long rss_kb = 0, pss_kb = 0, uss_kb = 0;
    double cpu_ms = 0;
};

bool parse_frame(const std::string &line, Frame &frame)
{
    long seq, rss, pss, uss;
    long long t, cpu;
    char state;
    int width, height;
    unsigned long drawable;
    if (sscanf(line.c_str(), "F %ld %lld %c %d %d %lu %ld %lld %ld %ld", &seq, &t, &state, &width,
               &height, &drawable, &rss, &cpu, &pss, &uss) != 10)
        return false;
    frame.pss_kb = pss;
    frame.uss_kb = uss;
    frame.cpu_ms = cpu / 1e3;
    frame.state = state;
    frame.ms = t / 1e6;
    frame.drawable = drawable;
    frame.rss_kb = rss;
    return true;
}

// Adds up what `read` takes from one file of each of the peer's threads.
template <typename Read> double sum_over_threads(pid_t pid, const char *file, Read read)
{
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return 0;
    double total = 0;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        FILE *f = fopen((tasks + "/" + entry->d_name + "/" + file).c_str(), "r");
        if (!f)
            continue;
        total += read(f);
        fclose(f);
    }
    closedir(dir);
    return total;
}

double cpu_ms(pid_t pid)
{
    return sum_over_threads(pid, "schedstat", [](FILE *f) {
        unsigned long long run_ns = 0;
        return fscanf(f, "%llu", &run_ns) == 1 ? run_ns / 1e6 : 0.0;
    });
}

// Voluntary context switches of all threads so far: each is a thread going to sleep, so
// each counts a wake-up that came before it.
long wakeups(pid_t pid)
{
    return static_cast<long>(sum_over_threads(pid, "status", [](FILE *f) {
        char line[256];
        long count;
        while (fgets(line, sizeof line, f))
            if (sscanf(line, "voluntary_ctxt_switches: %ld", &count) == 1)
                return static_cast<double>(count);
        return 0.0;
    }));
}

pid_t start(const Peer &peer, const Options &options, int &read_fd)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("LD_PRELOAD", options.probe.c_str(), 1);
        setenv("BENCH_PROBE_FD", std::to_string(fds[1]).c_str(), 1);
        setenv("BENCH_PROBE_TIMING", "1", 1);
        std::vector<char *> argv;
        for (const std::string &word : peer.argv)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        setenv("BENCH_T0_NS", std::to_string(now_ns()).c_str(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    read_fd = fds[0];
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    int64_t deadline = now_ns() + 2000000000LL;
    while (now_ns() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool x_failed = false;

// A peer's window may go away at any time: note the error instead of ending the driver.
int note_x_error(Display *, XErrorEvent *)
{
    x_failed = true;
    return 0;
}

// False when the window is gone.
bool send_expose(Display *display, unsigned long window)
{
    x_failed = false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return false;
    XEvent event = {};
    event.xexpose.type = Expose;
    event.xexpose.display = display;
    event.xexpose.window = window;
    event.xexpose.width = attributes.width;
    event.xexpose.height = attributes.height;
    event.xexpose.count = 0;
    XSendEvent(display, window, False, ExposureMask, &event);
    XSync(display, False);
    return !x_failed;
}

Run run_once(const Peer &peer, const Options &options, Display *display)
{
    Run run;
    int fd = -1;
    pid_t pid = start(peer, options, fd);
    if (pid < 0)
        return run;
    LineReader reader(fd);
    std::string line;
    Frame frame, first;
    std::vector<double> base_pending;

    // Start-up: the first presented frame, then the first correct one.
    int64_t deadline = now_ns() + 20000000000LL;
    while (reader.next(deadline, line)) {
        if (!parse_frame(line, frame) || (frame.state != '0' && frame.state != '1'))
            continue;
        if (!run.presented) {
            run.presented = true;
            run.first_frame_ms = frame.ms;
            run.rss_kb = frame.rss_kb;
            run.pss_kb = frame.pss_kb;
            run.uss_kb = frame.uss_kb;
            run.cpu_ms = frame.cpu_ms;
            first = frame;
            deadline = now_ns() + static_cast<int64_t>(options.settle * 1e9);
        }
        if (frame.state == '1') {
            run.correct = true;
            run.first_correct_ms = frame.ms;
            run.rss_kb = frame.rss_kb;
            run.pss_kb = frame.pss_kb;
            run.uss_kb = frame.uss_kb;
            run.cpu_ms = frame.cpu_ms;
            break;
        }
    }
    if (!run.presented) {
        stop(pid);
        close(fd);
        return run;
    }

    // Idle: nothing is asked of the peer. Frames count from the first correct one; CPU time
    // and wake-ups from a moment later, when the work that presented it has gone to sleep.
    auto count_idle_frames = [&](int64_t until) {
        while (reader.next(until, line)) {
            if (parse_frame(line, frame)) {
                if (run.idle_frames++ == 0)
                    run.first_idle_frame_ms = frame.ms;
            }
        }
    };
    count_idle_frames(now_ns() + static_cast<int64_t>(options.idle_settle * 1e9));
    double cpu_start = cpu_ms(pid);
    long wakeups_start = wakeups(pid);
    count_idle_frames(now_ns() + static_cast<int64_t>(options.idle * 1e9));
    run.idle_cpu_ms = cpu_ms(pid) - cpu_start;
    run.idle_wakeups = wakeups(pid) - wakeups_start;

    // Forced redraws, one at a time.
    for (int i = 0; i < options.redraws && !reader.eof; i++) {
        int64_t sent = now_ns();
        if (!send_expose(display, first.drawable))
            break;
        deadline = now_ns() + 1000000000LL;
        bool drawn = false;
        while (!drawn && reader.next(deadline, line)) {
            long seq;
            long long base, total;
            if (sscanf(line.c_str(), "R %ld %lld %lld", &seq, &base, &total) == 3) {
                run.render_ms.push_back(total / 1e6);
                if (base >= 0)
                    run.base_ms.push_back(base / 1e6);
            } else if (line[0] == 'F') {
                drawn = true;
                run.response_ms.push_back((now_ns() - sent) / 1e6);
            }
        }
        if (!drawn)
            break;
        run.forced++;
    }
    stop(pid);
    close(fd);
    usleep(200 * 1000); // the server tears the peer's windows down before the next starts
    return run;
}

struct Stat {
    int n = 0;
    double median = 0, min = 0, max = 0;
};

Stat stat_of(std::vector<double> values)
{
    Stat s;
    s.n = static_cast<int>(values.size());
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    s.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

struct Summary {
    std::string name;
    int runs = 0, presented = 0, correct = 0;
    Stat first_frame, first_correct, first_wrong, start_cpu_ms, rss_mb, pss_mb, uss_mb;
    Stat idle_frames, idle_cpu_ms, idle_wakeups;
    Stat render_ms, base_ms, overlay_ms, overlay_share, response_ms;
    int forced = 0;
};

Summary summarise(const std::string &name, const std::vector<Run> &runs)
{
    Summary s;
    s.name = name;
    s.runs = static_cast<int>(runs.size());
    std::vector<double> first, correct, wrong, rss, frames, cpu, render, base, overlay, share;
    std::vector<double> response, start_cpu, pss, uss, wake;
    for (const Run &run : runs) {
        if (!run.presented)
            continue;
        s.presented++;
        first.push_back(run.first_frame_ms);
        if (run.correct) {
            s.correct++;
            correct.push_back(run.first_correct_ms);
        } else {
            wrong.push_back(run.first_frame_ms);
        }
        rss.push_back(run.rss_kb / 1024.0);
        pss.push_back(run.pss_kb / 1024.0);
        uss.push_back(run.uss_kb / 1024.0);
        wake.push_back(static_cast<double>(run.idle_wakeups));
        start_cpu.push_back(run.cpu_ms);
        frames.push_back(run.idle_frames);
        cpu.push_back(run.idle_cpu_ms);
        s.forced += run.forced;
        render.insert(render.end(), run.render_ms.begin(), run.render_ms.end());
        response.insert(response.end(), run.response_ms.begin(), run.response_ms.end());
        if (run.base_ms.size() == run.render_ms.size()) {
            for (size_t i = 0; i < run.render_ms.size(); i++) {
                base.push_back(run.base_ms[i]);
                overlay.push_back(run.render_ms[i] - run.base_ms[i]);
                share.push_back(100.0 * (run.render_ms[i] - run.base_ms[i]) / run.render_ms[i]);
            }
        }
    }
    s.first_frame = stat_of(first);
    s.first_correct = stat_of(correct);
    s.first_wrong = stat_of(wrong);
    s.rss_mb = stat_of(rss);
    s.pss_mb = stat_of(pss);
    s.uss_mb = stat_of(uss);
    s.idle_wakeups = stat_of(wake);
    s.start_cpu_ms = stat_of(start_cpu);
    s.idle_frames = stat_of(frames);
    s.idle_cpu_ms = stat_of(cpu);
    s.render_ms = stat_of(render);
    s.base_ms = stat_of(base);
    s.overlay_ms = stat_of(overlay);
    s.overlay_share = stat_of(share);
    s.response_ms = stat_of(response);
    return s;
}

std::string cell(const Stat &s, const char *format)
{
    if (s.n == 0)
        return "-";
    char text[96];
    char layout[64];
    snprintf(layout, sizeof layout, "%s [%s..%s]", format, format, format);
    snprintf(text, sizeof text, layout, s.median, s.min, s.max);
    return text;
}

std::string ratio(double value, double floor)
{
    if (floor <= 0)
        return "-";
    char text[32];
    snprintf(text, sizeof text, "%.2fx", value / floor);
    return text;
}

void json_stat(FILE *f, const char *key, const Stat &s, bool last = false)
{
    if (s.n == 0)
        fprintf(f, "      \"%s\": null%s\n", key, last ? "" : ",");
    else
        fprintf(f, "      \"%s\": {\"n\": %d, \"median\": %.3f, \"min\": %.3f, \"max\": %.3f}%s\n",
                key, s.n, s.median, s.min, s.max, last ? "" : ",");
}

void usage(void)
{
    fprintf(stderr, "usage: bench-runner --probe SO --program EXE --bare EXE --floor EXE "
                    "--scene IV --json FILE [--ivview EXE] [--runs N] [--idle S] "
                    "[--settle S] [--redraws N] [--candidate NAME=EXE]...\n"
                    "A candidate is a variant of the program, measured as one more peer.\n");
    exit(2);
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string key = argv[i];
        if (i + 1 >= argc)
            usage();
        std::string value = argv[++i];
        if (key == "--probe")
            o.probe = value;
        else if (key == "--program")
            o.program = value;
        else if (key == "--bare")
            o.bare = value;
        else if (key == "--floor")
            o.floor = value;
        else if (key == "--ivview")
            o.ivview = value;
        else if (key == "--scene")
            o.scene = value;
        else if (key == "--json")
            o.json = value;
        else if (key == "--runs")
            o.runs = atoi(value.c_str());
        else if (key == "--idle")
            o.idle = atof(value.c_str());
        else if (key == "--settle")
            o.settle = atof(value.c_str());
        else if (key == "--redraws")
            o.redraws = atoi(value.c_str());
        else if (key == "--candidate" && value.find('=') != std::string::npos)
            o.candidates.push_back(
                {value.substr(0, value.find('=')), value.substr(value.find('=') + 1)});
        else
            usage();
    }
    if (o.probe.empty() || o.program.empty() || o.bare.empty() || o.floor.empty() ||
        o.scene.empty() || o.json.empty() || o.runs < 1)
        usage();
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    Options options = parse(argc, argv);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "bench-runner: cannot open the display\n");
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);
    XSetErrorHandler(note_x_error);

    std::vector<Peer> peers = {
        {"overlay-plane", {options.program}},
        {"bare SoQt viewer", {options.bare}},
        {"ivview", {options.ivview, options.scene}},
        {"GLX floor", {options.floor}},
    };
    for (const auto &candidate : options.candidates)
        peers.push_back({candidate.first, {candidate.second}});
    std::vector<std::vector<Run>> runs(peers.size());
    for (int round = 0; round < options.runs; round++) {
        for (size_t k = 0; k < peers.size(); k++) {
            size_t p = (k + round) % peers.size();
            runs[p].push_back(run_once(peers[p], options, display));
            const Run &r = runs[p].back();
            fprintf(stderr, "bench: round %d/%d  %-18s first frame %7.1f ms%s  idle frames %d",
                    round + 1, options.runs, peers[p].name.c_str(), r.first_frame_ms,
                    r.correct ? " correct" : (r.presented ? " WRONG" : " none"), r.idle_frames);
            if (r.idle_frames > 0)
                fprintf(stderr, " (first at %.1f ms)", r.first_idle_frame_ms);
            fprintf(stderr, "  wake-ups %ld  redraws %d/%d\n", r.idle_wakeups, r.forced,
                    options.redraws);
        }
    }

    std::vector<Summary> summaries;
    for (size_t p = 0; p < peers.size(); p++)
        summaries.push_back(summarise(peers[p].name, runs[p]));
    const Summary &program = summaries[0];
    const Summary &iv = summaries[2];
    const Summary &floor = summaries[3];
    double floor_frame = floor.first_correct.n ? floor.first_correct.median : 0;

    printf("\nStart-up, memory and idle cost: median [min..max] of %d runs each\n\n", options.runs);
    printf("| peer | first correct frame, ms | vs floor | first frame, ms | CPU until it, ms | "
           "RSS, MB | vs floor | PSS, MB | USS, MB | idle redraws in %.1f s | idle wake-ups in "
           "%.0f s | idle CPU in %.0f s, ms |\n",
           options.idle_settle + options.idle, options.idle, options.idle);
    printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Summary &s : summaries) {
        std::string correct, versus;
        if (s.correct == 0) {
            correct = "never (first frame wrong at " + cell(s.first_wrong, "%.0f") + ")";
            versus = "-";
        } else {
            correct = cell(s.first_correct, "%.0f");
            if (s.correct < s.presented)
                correct +=
                    " (" + std::to_string(s.correct) + "/" + std::to_string(s.presented) + " runs)";
            versus = ratio(s.first_correct.median, floor_frame);
        }
        printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", s.name.c_str(),
               correct.c_str(), versus.c_str(), cell(s.first_frame, "%.0f").c_str(),
               cell(s.start_cpu_ms, "%.0f").c_str(), cell(s.rss_mb, "%.1f").c_str(),
               ratio(s.rss_mb.median, floor.rss_mb.median).c_str(), cell(s.pss_mb, "%.1f").c_str(),
               cell(s.uss_mb, "%.1f").c_str(), cell(s.idle_frames, "%.0f").c_str(),
               cell(s.idle_wakeups, "%.0f").c_str(), cell(s.idle_cpu_ms, "%.1f").c_str());
    }

    // A candidate is the program as it was or might be: each one against the program, side by
    // side from the same rounds.
    for (size_t c = 4; c < summaries.size(); c++) {
        const Summary &other = summaries[c];
        printf("\n%s against %s: medians of the same rounds, and %s over %s\n\n",
               program.name.c_str(), other.name.c_str(), program.name.c_str(), other.name.c_str());
        printf("| figure | %s | %s | ratio |\n|---|---|---|---|\n", other.name.c_str(),
               program.name.c_str());
        struct Row {
            const char *what;
            const Stat &was, &is;
            const char *format;
        } rows[] = {
            {"first correct frame, ms", other.first_correct, program.first_correct, "%.0f"},
            {"first frame, ms", other.first_frame, program.first_frame, "%.0f"},
            {"CPU until it, ms", other.start_cpu_ms, program.start_cpu_ms, "%.0f"},
            {"RSS, MB", other.rss_mb, program.rss_mb, "%.1f"},
            {"PSS, MB", other.pss_mb, program.pss_mb, "%.1f"},
            {"USS, MB", other.uss_mb, program.uss_mb, "%.1f"},
            {"idle wake-ups", other.idle_wakeups, program.idle_wakeups, "%.0f"},
            {"idle CPU, ms", other.idle_cpu_ms, program.idle_cpu_ms, "%.1f"},
            {"render, ms", other.render_ms, program.render_ms, "%.3f"},
        };
        for (const Row &row : rows)
            printf("| %s | %s | %s | %s |\n", row.what, cell(row.was, row.format).c_str(),
                   cell(row.is, row.format).c_str(),
                   row.was.n && row.is.n ? ratio(row.is.median, row.was.median).c_str() : "-");
    }

    printf("\nForced redraws (synthetic Expose, one at a time), ms: median [min..max] over all "
           "frames.\nRender: from the start of the paint to the present, in the program; "
           "overlay pass: from its depth clear to the present.\n\n");
    printf("| peer | frames | render | render without the overlay pass | overlay pass | overlay "
           "share of render, %% | expose to present |\n");
    printf("|---|---|---|---|---|---|---|\n");
    for (const Summary &s : summaries)
        printf("| %s | %d | %s | %s | %s | %s | %s |\n", s.name.c_str(), s.render_ms.n,
               cell(s.render_ms, "%.3f").c_str(), cell(s.base_ms, "%.3f").c_str(),
               cell(s.overlay_ms, "%.3f").c_str(), cell(s.overlay_share, "%.1f").c_str(),
               cell(s.response_ms, "%.3f").c_str());
    const Summary &bare = summaries[1];
    if (program.render_ms.n && bare.render_ms.n)
        printf("\nThe square through the emulated overlay against the same square as an ordinary "
               "scene (bare SoQt viewer): %.3f ms against %.3f ms per frame (%+.0f%%).\n",
               program.render_ms.median, bare.render_ms.median,
               100.0 * (program.render_ms.median - bare.render_ms.median) / bare.render_ms.median);

    bool ahead = program.correct > 0 &&
                 (iv.correct == 0 || program.first_correct.median < iv.first_correct.median);
    double stretch =
        floor_frame > 0 && program.correct > 0 ? program.first_correct.median / floor_frame : 0;
    bool rss_ok =
        program.presented > 0 && iv.presented > 0 && program.rss_mb.median <= iv.rss_mb.median;
    bool idle_ok = program.presented > 0 && program.idle_frames.max == 0;
    bool quiet = program.presented > 0 && program.idle_wakeups.max == 0;
    // Where the program clears the frame itself, its overlay pass starts with no depth-only
    // clear to split at; the emulation's cost is then what the frame costs over the same
    // square drawn as an ordinary scene.
    bool split = program.overlay_share.n > 0;
    bool compared = program.render_ms.n && bare.render_ms.n;
    double extra_share = compared ? 100.0 * (program.render_ms.median - bare.render_ms.median) /
                                        program.render_ms.median
                                  : 0.0;
    bool share_ok = split ? program.overlay_share.median <= 3.0 : compared && extra_share <= 3.0;
    printf("\nGoals\n\n");
    printf("- first correct frame ahead of ivview: %s (%.1f ms against %.1f ms)\n",
           ahead ? "met" : "NOT met", program.first_correct.median, iv.first_correct.median);
    printf("- stretch, within 1.10x of the floor: %s (%.2fx)\n",
           stretch > 0 && stretch <= 1.10 ? "met" : "NOT met", stretch);
    printf("- RSS no higher than ivview's: %s (%.1f MB against %.1f MB)\n",
           rss_ok ? "met" : "NOT met", program.rss_mb.median, iv.rss_mb.median);
    printf("- zero idle redraws: %s (at most %.0f in a run)\n", idle_ok ? "met" : "NOT met",
           program.idle_frames.max);
    printf("- zero idle wake-ups: %s (at most %.0f in a run)\n", quiet ? "met" : "NOT met",
           program.idle_wakeups.max);
    if (split)
        printf("- overlay emulation at most 3%% of a frame: %s (the overlay pass is %.1f%% of the "
               "program's render time)\n",
               share_ok ? "met" : "NOT met", program.overlay_share.median);
    else
        printf("- overlay emulation at most 3%% of a frame: %s (the frame costs %+.1f%% of its "
               "render time over the same square drawn as an ordinary scene)\n",
               share_ok ? "met" : "NOT met", extra_share);

    FILE *f = fopen(options.json.c_str(), "w");
    if (!f) {
        fprintf(stderr, "bench-runner: cannot write %s\n", options.json.c_str());
        return 1;
    }
    fprintf(f, "{\n  \"runs\": %d,\n  \"idle_seconds\": %.1f,\n  \"redraws_per_run\": %d,\n",
            options.runs, options.idle, options.redraws);
    fprintf(f, "  \"peers\": [\n");
    for (size_t p = 0; p < summaries.size(); p++) {
        const Summary &s = summaries[p];
        fprintf(f, "    {\n      \"name\": \"%s\",\n", s.name.c_str());
        fprintf(f, "      \"runs_presented\": %d,\n      \"runs_correct\": %d,\n", s.presented,
                s.correct);
        json_stat(f, "first_correct_frame_ms", s.first_correct);
        json_stat(f, "first_wrong_frame_ms", s.first_wrong);
        json_stat(f, "first_frame_ms", s.first_frame);
        json_stat(f, "cpu_until_that_frame_ms", s.start_cpu_ms);
        json_stat(f, "rss_mb", s.rss_mb);
        json_stat(f, "pss_mb", s.pss_mb);
        json_stat(f, "uss_mb", s.uss_mb);
        json_stat(f, "idle_redraws", s.idle_frames);
        json_stat(f, "idle_cpu_ms", s.idle_cpu_ms);
        json_stat(f, "idle_wakeups", s.idle_wakeups);
        json_stat(f, "render_ms", s.render_ms);
        json_stat(f, "render_before_overlay_ms", s.base_ms);
        json_stat(f, "overlay_pass_ms", s.overlay_ms);
        json_stat(f, "overlay_share_percent", s.overlay_share);
        json_stat(f, "expose_to_present_ms", s.response_ms);
        fprintf(f, "      \"first_correct_vs_floor\": %.3f,\n",
                s.correct && floor_frame > 0 ? s.first_correct.median / floor_frame : 0.0);
        fprintf(f, "      \"rss_vs_floor\": %.3f\n",
                floor.rss_mb.median > 0 ? s.rss_mb.median / floor.rss_mb.median : 0.0);
        fprintf(f, "    }%s\n", p + 1 < summaries.size() ? "," : "");
    }
    fprintf(f, "  ],\n  \"goals\": {\n");
    fprintf(f, "    \"ahead_of_ivview\": %s,\n", ahead ? "true" : "false");
    fprintf(f, "    \"within_1_10_of_floor\": %s,\n",
            stretch > 0 && stretch <= 1.10 ? "true" : "false");
    fprintf(f, "    \"rss_not_above_ivview\": %s,\n", rss_ok ? "true" : "false");
    fprintf(f, "    \"zero_idle_redraws\": %s,\n", idle_ok ? "true" : "false");
    fprintf(f, "    \"zero_idle_wakeups\": %s,\n", quiet ? "true" : "false");
    fprintf(f, "    \"overlay_share_at_most_3_percent\": %s,\n", share_ok ? "true" : "false");
    fprintf(f, "    \"render_vs_ordinary_scene_percent\": %.1f\n",
            program.render_ms.n && bare.render_ms.n
                ? 100.0 * (program.render_ms.median - bare.render_ms.median) / bare.render_ms.median
                : 0.0);
    fprintf(f, "  }\n}\n");
    fclose(f);
    printf("\nbench: figures written to %s\n", options.json.c_str());
    XCloseDisplay(display);
    return 0;
}
