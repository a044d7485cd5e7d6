// A started program with its output captured by a reader thread.
#include "x11_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

Environment current_environment()
{
    Environment environment;
    for (char **entry = environ; *entry; entry++)
        environment.emplace_back(*entry);
    return environment;
}

Environment without_variable(Environment environment, const std::string &name)
{
    std::string prefix = name + "=";
    Environment kept;
    for (auto &entry : environment)
        if (entry.compare(0, prefix.size(), prefix) != 0)
            kept.push_back(entry);
    return kept;
}

Environment with_variable(Environment environment, const std::string &name,
                          const std::string &value)
{
    environment = without_variable(environment, name);
    environment.push_back(name + "=" + value);
    return environment;
}

namespace
{

// In the child: makes descriptor 1 what `output` asks for.
void set_up_stdout(StandardOutput output, int capture)
{
    int ends[2], full;
    switch (output) {
    case StandardOutput::CAPTURED:
        dup2(capture, STDOUT_FILENO);
        break;
    case StandardOutput::CLOSED:
        close(STDOUT_FILENO);
        break;
    case StandardOutput::FULL_DEVICE:
        full = open("/dev/full", O_WRONLY);
        if (full >= 0) {
            dup2(full, STDOUT_FILENO);
            close(full);
        }
        break;
    case StandardOutput::PIPE_WITHOUT_READER:
        if (pipe(ends) == 0) {
            close(ends[0]);
            dup2(ends[1], STDOUT_FILENO);
            if (ends[1] != STDOUT_FILENO)
                close(ends[1]);
        }
        break;
    }
}

} // namespace

Process::Process(const std::vector<std::string> &argv, const Environment &environment,
                 StandardOutput output)
{
    int out[2], err[2];
    if (argv.empty() || pipe(out) != 0)
        return;
    if (pipe(err) != 0 || pipe(stop_fd_) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    std::vector<char *> args, env;
    for (auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    for (auto &e : environment)
        env.push_back(const_cast<char *>(e.c_str()));
    env.push_back(nullptr);

    started_at_ = now();
    pid_ = fork();
    if (pid_ == 0) {
        int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(err[1], STDERR_FILENO);
        set_up_stdout(output, out[1]);
        for (int fd : {out[0], out[1], err[0], err[1], stop_fd_[0], stop_fd_[1], null})
            if (fd > STDERR_FILENO)
                close(fd);
        execve(args[0], args.data(), env.data());
        dprintf(STDERR_FILENO, "cannot start %s: %s\n", args[0], strerror(errno));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_fd_ = out[0];
    err_fd_ = err[0];
    if (pid_ < 0) {
        close(out_fd_);
        close(err_fd_);
        out_fd_ = err_fd_ = -1;
        return;
    }
    reader_ = std::thread([this] { drain(); });
}

Process::~Process()
{
    if (pid_ > 0 && !ended_)
        kill();
    if (reader_.joinable()) {
        char stop = 1;
        ssize_t written = write(stop_fd_[1], &stop, 1);
        (void)written;
        reader_.join();
    }
    for (int fd : {out_fd_, err_fd_, stop_fd_[0], stop_fd_[1]})
        if (fd >= 0)
            close(fd);
}

// Reads both pipes until both close or the destructor asks it to stop.
void Process::drain()
{
    bool out_open = true, err_open = true;
    char buffer[4096];
    while (out_open || err_open) {
        pollfd fds[3] = {{out_open ? out_fd_ : -1, POLLIN, 0},
                         {err_open ? err_fd_ : -1, POLLIN, 0},
                         {stop_fd_[0], POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[2].revents)
            break;
        for (int i = 0; i < 2; i++) {
            if (!fds[i].revents)
                continue;
            ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count <= 0) {
                (i == 0 ? out_open : err_open) = false;
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            (i == 0 ? out_ : err_).append(buffer, static_cast<size_t>(count));
        }
    }
    drained_ = !out_open && !err_open;
}

void Process::reap(int wait_status)
{
    ended_ = true;
    seconds_alive_ = now() - started_at_;
    exited_ = WIFEXITED(wait_status);
    status_ = exited_ ? WEXITSTATUS(wait_status) : -1;
    signal_ = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
}

bool Process::running()
{
    if (pid_ <= 0 || ended_)
        return false;
    int wait_status = 0;
    if (waitpid(pid_, &wait_status, WNOHANG) != pid_)
        return true;
    reap(wait_status);
    return false;
}

bool Process::wait(double seconds)
{
    double until = now() + seconds;
    while (running()) {
        if (now() >= until)
            return false;
        usleep(5 * 1000);
    }
    // The output pipes close as the program ends; give the reader a moment to catch up.
    for (int i = 0; i < 100 && reader_.joinable() && !drained_; i++)
        usleep(10 * 1000);
    return pid_ > 0;
}

void Process::kill()
{
    if (pid_ <= 0 || ended_)
        return;
    ::kill(pid_, SIGKILL);
    int wait_status = 0;
    while (waitpid(pid_, &wait_status, 0) < 0 && errno == EINTR) {
    }
    reap(wait_status);
}

std::string Process::how_it_ended() const
{
    if (!ended_)
        return "still running";
    if (exited_)
        return "exited with status " + std::to_string(status_);
    return "killed by signal " + std::to_string(signal_) + " (" + strsignal(signal_) + ")";
}

std::string Process::out()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return out_;
}

std::string Process::err()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return err_;
}
