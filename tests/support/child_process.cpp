// Child-process runner for tests of code that exits or waits.
#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool reap(pid_t pid, ChildResult &result, bool block)
{
    int wait_status = 0;
    pid_t done = waitpid(pid, &wait_status, block ? 0 : WNOHANG);
    if (done != pid)
        return false;
    result.exited = WIFEXITED(wait_status);
    result.status = result.exited ? WEXITSTATUS(wait_status) : -1;
    return true;
}

} // namespace

ChildResult run_in_child(const std::function<void()> &body, double seconds)
{
    ChildResult result;
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return result;
    fflush(nullptr); // nothing buffered in the parent may be written twice
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        body();
        fflush(nullptr);
        _exit(99);
    }
    close(pipe_ends[1]);

    auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    for (;;) {
        double left = seconds - seconds_since(start);
        if (left <= 0)
            break;
        pollfd readable = {pipe_ends[0], POLLIN, 0};
        int ready = poll(&readable, 1, static_cast<int>(left * 1000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        ssize_t count = read(pipe_ends[0], buffer, sizeof buffer);
        if (count <= 0)
            break; // closed: every writer has gone (the child ended or closed stdout)
        result.output.append(buffer, static_cast<size_t>(count));
    }

    // Give a child that closed its stdout a moment to end before calling it waiting.
    bool reaped = false;
    for (int i = 0; i < 20 && !(reaped = reap(pid, result, false)); i++)
        usleep(50 * 1000);
    if (!reaped) {
        usleep(1000 * 1000);
        if (!reap(pid, result, false)) {
            result.still_waiting = true;
            kill(pid, SIGKILL);
            reap(pid, result, true);
            result.exited = false;
            result.status = -1;
        }
    }
    close(pipe_ends[0]);
    return result;
}
