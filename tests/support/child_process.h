// Runs test bodies that end the process or wait for ever in a child, with stdout captured.
// Requires: POSIX (fork, pipes, signals). Does not: capture stderr, or run more than one
// child at a time per call.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    std::string output;         // everything the child wrote to its stdout
    bool exited = false;        // ended by itself within the time allowed
    int status = -1;            // its exit status when it exited
    bool still_waiting = false; // alive at the end of the grace period; then killed
};

// Runs `body` in a forked child whose stdout is a pipe. The child's stdout is read until
// it closes or `seconds` pass. A child that has not ended by then is checked once more
// after a further second, counted as still waiting, and killed. A body that returns
// ends the child with status 99.
ChildResult run_in_child(const std::function<void()> &body, double seconds = 1.0);
