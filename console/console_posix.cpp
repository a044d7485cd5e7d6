// POSIX services of the console layer.
#include "console_platform.h"

#include <csignal>
#include <unistd.h>

FILE *console_platform_open_stream(void)
{
    // Diagnostics to a pipe whose reader has gone must fail as writes, not end the
    // process by SIGPIPE before its exit banner and wait.
    signal(SIGPIPE, SIG_IGN);
    // A duplicate descriptor, so that closing the console stream leaves descriptor 1
    // (and stdout above it) open for the rest of the process.
    int descriptor = dup(STDOUT_FILENO);
    if (descriptor < 0)
        return nullptr;
    FILE *stream = fdopen(descriptor, "w");
    if (!stream)
        close(descriptor);
    return stream;
}

void console_platform_flush_all(void)
{
    fflush(nullptr);
}

void console_platform_wait_forever(void)
{
    // pause() returns after every handled signal; only a signal that ends the process
    // ends the wait.
    for (;;)
        pause();
}
