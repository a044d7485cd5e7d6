// Runs test bodies that end the process or wait for ever in a child, with stdout captured.
// Requires: Linux (fork, pipes, signals, prctl, and /proc, from which a child blocked in
// pause() is told apart from one still working). Does not: capture stderr, or judge waits
// other than pause() (a wait with a time limit is not a wait for ever).
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

struct ChildResult {
    std::string output;         // everything the child wrote to its stdout
    bool exited = false;        // ended by itself, through exit
    int status = -1;            // its exit status when it exited
    bool still_waiting = false; // seen blocked in pause() with its output read; then killed
    int signal = 0;             // the signal that ended it, when one did
    std::string how;            // what happened, in words, for failure messages
};

// Runs `body` in a forked child whose stdout is a pipe, and reads that pipe until the
// child has ended or is blocked in pause(), at most `seconds`; a child in neither state
// by then is described, not counted as waiting, and killed. A waiting child is killed
// once judged. A body that returns ends the child with status 99.
ChildResult run_in_child(const std::function<void()> &body, double seconds = 5.0);

// The same child for tests that act on it between verdicts, for example by signalling
// it while it waits. Killed and reaped, if it is still there, when destroyed.
class ChildProcess
{
  public:
    explicit ChildProcess(const std::function<void()> &body);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const
    {
        return pid_;
    }

    // Reads output until the child has ended or is blocked in pause(), at most `seconds`,
    // and returns the result so far. A waiting child is left running.
    ChildResult watch(double seconds);

    // Reads output until it contains `text`, at most `seconds`; false if it never did.
    bool read_until(const std::string &text, double seconds);

  private:
    bool read_available(int timeout_ms);
    void drain();
    bool reap(bool block);
    bool blocked_in_pause() const;
    std::string state() const;

    pid_t pid_ = -1;
    int out_ = -1; // the read end of the child's stdout, -1 once closed
    ChildResult result_;
    bool reaped_ = false;
};
