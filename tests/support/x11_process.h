// Starts a program as a user would, with a chosen argv and environment, and captures its
// stdout and stderr. Requires: POSIX. Does not: know anything about X (see x11_client.h).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

using Environment = std::vector<std::string>; // "NAME=value" entries

// This process's environment with `name` removed, or set to `value` when one is given.
Environment current_environment();
Environment without_variable(Environment environment, const std::string &name);
Environment with_variable(Environment environment, const std::string &name,
                          const std::string &value);

// What a started program gets as its stdout: the capture pipe, or one of the broken outputs
// a user's shell can hand it (then out() stays empty).
enum class StandardOutput { CAPTURED, CLOSED, FULL_DEVICE, PIPE_WITHOUT_READER };

class Process
{
  public:
    // Starts argv[0] (a path) with these arguments and this environment; stdin is /dev/null.
    Process(const std::vector<std::string> &argv, const Environment &environment,
            StandardOutput output = StandardOutput::CAPTURED);
    // A program still running is killed.
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    bool started() const
    {
        return pid_ > 0;
    }
    pid_t pid() const
    {
        return pid_;
    }
    // True while the program has not ended (reaps it when it has).
    bool running();
    // Waits up to `seconds` for the program to end; true when it has.
    bool wait(double seconds);
    // SIGKILL and reap.
    void kill();

    // Valid once the program has ended.
    bool exited() const
    {
        return exited_;
    }
    int status() const
    {
        return status_;
    }
    int signal() const
    {
        return signal_;
    }
    double seconds_alive() const
    {
        return seconds_alive_;
    }
    // A one-line account, e.g. "exited with status 0" or "killed by signal 6".
    std::string how_it_ended() const;

    // What the program has written so far.
    std::string out();
    std::string err();

  private:
    void reap(int wait_status);
    void drain();

    pid_t pid_ = -1;
    bool ended_ = false, exited_ = false;
    int status_ = -1, signal_ = 0;
    double started_at_ = 0, seconds_alive_ = 0;
    int out_fd_ = -1, err_fd_ = -1, stop_fd_[2] = {-1, -1};
    std::mutex mutex_;
    std::string out_, err_;
    std::atomic<bool> drained_{false}; // both pipes have closed
    std::thread reader_;
};
