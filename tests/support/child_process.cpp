// Child-process runner for tests of code that exits or waits.
//
// A child is judged waiting from its state, not from how long it has been quiet: the
// kernel shows it asleep in pause() (in /proc/PID/stat, /proc/PID/syscall and wchan) once
// every write it made before has completed, so its output is all in the pipe by then.
#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string first_line(const std::string &path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string exit_description(int wait_status)
{
    std::ostringstream text;
    if (WIFEXITED(wait_status)) {
        text << "exited with status " << WEXITSTATUS(wait_status);
        if (WEXITSTATUS(wait_status) == 99)
            text << " (the test body returned)";
    } else if (WIFSIGNALED(wait_status)) {
        int number = WTERMSIG(wait_status);
        text << "was killed by signal " << number << " (" << strsignal(number) << ")";
    } else {
        text << "ended with wait status " << wait_status;
    }
    return text.str();
}

} // namespace

ChildProcess::ChildProcess(const std::function<void()> &body)
{
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        result_.how = std::string("could not be started: pipe: ") + strerror(errno);
        return;
    }
    fflush(nullptr); // nothing buffered in the parent may be written twice
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // A child that waits for ever must not outlive a test run that crashed or was killed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(98);
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        body();
        fflush(nullptr);
        _exit(99);
    }
    close(pipe_ends[1]);
    if (pid_ < 0) {
        close(pipe_ends[0]);
        result_.how = std::string("could not be started: fork: ") + strerror(errno);
        return;
    }
    out_ = pipe_ends[0];
    fcntl(out_, F_SETFL, fcntl(out_, F_GETFL) | O_NONBLOCK);
    result_.how = "is running";
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        close(out_);
}

bool ChildProcess::read_available(int timeout_ms)
{
    if (out_ < 0) {
        usleep(timeout_ms * 1000);
        return false;
    }
    pollfd readable = {out_, POLLIN, 0};
    if (poll(&readable, 1, timeout_ms) <= 0)
        return false;
    bool got = false;
    char buffer[4096];
    for (;;) {
        ssize_t count = read(out_, buffer, sizeof buffer);
        if (count > 0) {
            result_.output.append(buffer, static_cast<size_t>(count));
            got = true;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0) { // every writer has gone: the child ended or closed its stdout
            close(out_);
            out_ = -1;
        }
        return got;
    }
}

void ChildProcess::drain()
{
    read_available(0);
}

bool ChildProcess::reap(bool block)
{
    if (reaped_)
        return true;
    if (pid_ <= 0)
        return false;
    int wait_status = 0;
    if (waitpid(pid_, &wait_status, block ? 0 : WNOHANG) != pid_)
        return false;
    reaped_ = true;
    result_.exited = WIFEXITED(wait_status);
    result_.status = result_.exited ? WEXITSTATUS(wait_status) : -1;
    result_.signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
    result_.still_waiting = false;
    result_.how = exit_description(wait_status);
    return true;
}

bool ChildProcess::blocked_in_pause() const
{
    std::string prefix = "/proc/" + std::to_string(pid_) + "/";
    std::string stat = first_line(prefix + "stat");
    size_t name_end = stat.rfind(')'); // the command name may hold blanks and brackets
    if (name_end == std::string::npos || name_end + 2 >= stat.size() || stat[name_end + 2] != 'S')
        return false;
#ifdef SYS_pause
    std::string call = first_line(prefix + "syscall"); // "running", or the number and arguments
    char *end = nullptr;
    long number = strtol(call.c_str(), &end, 10);
    if (end != call.c_str())
        return number == SYS_pause;
#endif
    // Where the system call can't be read, the kernel function it sleeps in still tells.
    return first_line(prefix + "wchan").find("sys_pause") != std::string::npos;
}

std::string ChildProcess::state() const
{
    std::string prefix = "/proc/" + std::to_string(pid_) + "/";
    std::string stat = first_line(prefix + "stat");
    size_t name_end = stat.rfind(')');
    std::string state = name_end + 2 < stat.size() ? stat.substr(name_end + 2, 1) : "?";
    return "state " + state + ", in " + first_line(prefix + "wchan");
}

ChildResult ChildProcess::watch(double seconds)
{
    if (pid_ <= 0 || reaped_)
        return result_;
    result_.still_waiting = false;
    auto start = Clock::now();
    for (;;) {
        if (reap(false)) {
            drain();
            return result_;
        }
        if (blocked_in_pause()) {
            drain();
            result_.still_waiting = true;
            result_.how = "is waiting in pause()";
            return result_;
        }
        if (seconds_since(start) >= seconds) {
            drain();
            std::ostringstream text;
            text << "neither ended nor waited in pause() within " << seconds << " s (" << state()
                 << ")";
            result_.how = text.str();
            return result_;
        }
        read_available(5);
    }
}

bool ChildProcess::read_until(const std::string &text, double seconds)
{
    auto start = Clock::now();
    for (;;) {
        if (result_.output.find(text) != std::string::npos)
            return true;
        if (reap(false)) {
            drain();
            return result_.output.find(text) != std::string::npos;
        }
        if (seconds_since(start) >= seconds)
            return false;
        read_available(5);
    }
}

ChildResult run_in_child(const std::function<void()> &body, double seconds)
{
    ChildProcess child(body);
    return child.watch(seconds); // a child still there is killed as `child` goes
}
