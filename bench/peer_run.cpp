// One run of a benchmark peer: exec under LD_PRELOAD=frame_probe.so, wait for the first
// presented frame and then for the first correct one (at most `settle` seconds more), read the
// RSS (and PSS and USS) the probe logged at that frame, idle counting swaps, CPU time
// (/proc/<pid>/task/*/schedstat) and wake-ups (voluntary context switches,
// /proc/<pid>/task/*/status) of all threads, then force redraws with synthetic Expose events
// on the GL window, one at a time, and collect the probe's per-frame render times.
#include "peer_run.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace
{

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

pid_t start(const Peer &peer, const RunSettings &settings, int &read_fd)
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
        setenv("LD_PRELOAD", settings.probe.c_str(), 1);
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

} // namespace

// A peer's window may go away at any time: note the error instead of ending the driver.
int note_x_error(Display *, XErrorEvent *)
{
    x_failed = true;
    return 0;
}

Run run_once(const Peer &peer, const RunSettings &settings, Display *display)
{
    Run run;
    int fd = -1;
    pid_t pid = start(peer, settings, fd);
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
            deadline = now_ns() + static_cast<int64_t>(settings.settle * 1e9);
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
    count_idle_frames(now_ns() + static_cast<int64_t>(settings.idle_settle * 1e9));
    double cpu_start = cpu_ms(pid);
    long wakeups_start = wakeups(pid);
    count_idle_frames(now_ns() + static_cast<int64_t>(settings.idle * 1e9));
    run.idle_cpu_ms = cpu_ms(pid) - cpu_start;
    run.idle_wakeups = wakeups(pid) - wakeups_start;

    // Forced redraws, one at a time.
    for (int i = 0; i < settings.redraws && !reader.eof; i++) {
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
