// The console layer, each case in a child process of its own: the layer's state is
// process-wide, and its exit either ends the process or waits for ever.
#include "console.h"

#include "child_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{

const char banner_0[] = "\nEXITING WITH STATUS 0\n";
const char banner_1[] = "\nEXITING WITH STATUS 1\n";

// Reports a value on the real stdout without going through the layer.
void report(const std::string &text)
{
    ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
    (void)written;
}

} // namespace

TEST(ConsoleExit, BannerWithStatusZeroEndsAtOnce)
{
    ChildResult child = run_in_child([] {
        console_printf("value %d\n", 42);
        console_exit(0);
    });
    EXPECT_EQ(child.output, std::string("value 42\n") + banner_0);
    EXPECT_TRUE(child.exited) << child.how;
    EXPECT_EQ(child.status, 0);
}

TEST(ConsoleExit, BannerWithNonZeroStatusThenWaits)
{
    ChildResult child = run_in_child([] {
        console_printf("Couldn't read scene\n");
        console_exit(1);
    });
    EXPECT_EQ(child.output, std::string("Couldn't read scene\n") + banner_1);
    EXPECT_TRUE(child.still_waiting) << child.how;

    ChildResult other = run_in_child([] {
        console_printf("x\n");
        console_exit(7);
    });
    EXPECT_EQ(other.output, "x\n\nEXITING WITH STATUS 7\n");
    EXPECT_TRUE(other.still_waiting) << other.how;
}

TEST(ConsoleExit, WaitOutlastsHandledSignals)
{
    ChildProcess child([] {
        signal(SIGUSR1, [](int) {
            ssize_t written = write(STDOUT_FILENO, "handled\n", 8);
            (void)written;
        });
        console_printf("a\n");
        console_exit(2);
    });
    ChildResult first = child.watch(5);
    ASSERT_TRUE(first.still_waiting) << "before the signal the child " << first.how;
    kill(child.pid(), SIGUSR1);
    ASSERT_TRUE(child.read_until("handled\n", 5)) << "the handler never ran";
    ChildResult after = child.watch(5);
    EXPECT_EQ(after.output, "a\n\nEXITING WITH STATUS 2\nhandled\n");
    EXPECT_TRUE(after.still_waiting) << "after a handled signal the child " << after.how;
}

TEST(ConsoleExit, PlainExitWhenNeverOpenedOrCleared)
{
    ChildResult never = run_in_child([] {
        FILE *file = tmpfile();
        console_fprintf(file, "to a real stream\n");
        console_fprintf(CONSOLE_NO_STREAM, "to nowhere\n");
        console_fflush(CONSOLE_STDOUT);
        console_exit(5);
    });
    EXPECT_EQ(never.output, "");
    EXPECT_TRUE(never.exited) << never.how;
    EXPECT_EQ(never.status, 5);

    ChildResult cleared = run_in_child([] {
        console_printf("before\n");
        console_clear_open_flag(0); // a zero flag leaves the console open
        report("open " + std::to_string(console_is_open) + "\n");
        console_clear_open_flag(1);
        console_exit(3);
    });
    EXPECT_EQ(cleared.output, "before\nopen 1\n");
    EXPECT_TRUE(cleared.exited) << cleared.how;
    EXPECT_EQ(cleared.status, 3);
}

TEST(ConsoleExit, ClosesTheConsoleStreamButNotStandardOutput)
{
    ChildResult child = run_in_child([] {
        atexit([] { report("stdout still open\n"); });
        console_printf("first\n");
        console_exit(0);
    });
    EXPECT_EQ(child.output, std::string("first\n") + banner_0 + "stdout still open\n");
    EXPECT_EQ(child.status, 0);
}

TEST(ConsoleExit, ReopensAfterClearingAndKeepsTheOldStream)
{
    ChildResult child = run_in_child([] {
        console_printf("one\n");
        FILE *first = console_get_stream();
        console_clear_open_flag(1);
        console_printf("two\n");
        report(console_get_stream() != first && console_get_stream() ? "new stream\n"
                                                                     : "same stream\n");
        console_exit(1);
    });
    EXPECT_EQ(child.output, std::string("one\ntwo\nnew stream\n") + banner_1);
    EXPECT_TRUE(child.still_waiting) << child.how;
}

TEST(ConsoleIdentifiers, NoStreamTakesNothingAndOpensNothing)
{
    ChildResult child = run_in_child([] {
        int written = console_fprintf(CONSOLE_NO_STREAM, "lost %d\n", 1);
        int flushed = console_fflush(CONSOLE_NO_STREAM);
        report(std::to_string(written) + " " + std::to_string(flushed) + " " +
               std::to_string(console_is_open) + "\n");
        console_exit(1); // never opened: a plain exit, no banner, no wait
    });
    EXPECT_EQ(child.output, "-1 0 0\n");
    EXPECT_TRUE(child.exited) << child.how;
    EXPECT_EQ(child.status, 1);
}

TEST(ConsoleIdentifiers, ConsoleStreamsOpenOnFirstOutputButNotOnFlush)
{
    ChildResult child = run_in_child([] {
        int flushed = console_fflush(CONSOLE_STDOUT);
        report("flush " + std::to_string(flushed) + " open " + std::to_string(console_is_open) +
               "\n");
        int written = console_fprintf(CONSOLE_STDERR, "err %s\n", "three");
        report("wrote " + std::to_string(written) + " open " + std::to_string(console_is_open) +
               "\n");
        console_fprintf(CONSOLE_STDOUT, "out\n");
        console_fprintf(CONSOLE_STDAUX, "aux\n");
        console_fprintf(CONSOLE_STDPRN, "prn\n");
        console_exit(0);
    });
    EXPECT_EQ(child.output,
              std::string("flush 0 open 0\nerr three\nwrote 10 open 1\nout\naux\nprn\n") +
                  banner_0);
    EXPECT_EQ(child.status, 0);
}

TEST(ConsoleIdentifiers, RealStreamIsUsedUnchangedAndNotFlushed)
{
    ChildResult child = run_in_child([] {
        char path[] = "/tmp/console_test_XXXXXX";
        int descriptor = mkstemp(path);
        FILE *file = fdopen(descriptor, "w");
        setvbuf(file, nullptr, _IOFBF, 4096);
        int written = console_fprintf(file, "abc %d\n", 123);
        off_t before = lseek(open(path, O_RDONLY), 0, SEEK_END);
        int flushed = console_fflush(file);
        off_t after = lseek(open(path, O_RDONLY), 0, SEEK_END);
        unlink(path);
        report(std::to_string(written) + " " + std::to_string(before) + " " +
               std::to_string(flushed) + " " + std::to_string(after) + " " +
               std::to_string(console_is_open) + "\n");
        _exit(0);
    });
    EXPECT_EQ(child.output, "8 0 0 8 0\n");
}

TEST(ConsoleOpen, FailedOpenIsTriedOnceAndWritesNothing)
{
    ChildResult child = run_in_child([] {
        int saved = dup(STDOUT_FILENO);
        close(STDOUT_FILENO); // nothing to open the console on
        int first = console_printf("lost\n");
        dup2(saved, STDOUT_FILENO);
        int second = console_printf("lost again\n");
        report(std::to_string(first) + " " + std::to_string(second) + " " +
               std::to_string(console_is_open) + " " + (console_get_stream() ? "stream" : "null") +
               "\n");
        console_exit(4); // the flag is set: no banner (no stream), but still the wait
    });
    EXPECT_EQ(child.output, "0 0 1 null\n");
    EXPECT_TRUE(child.still_waiting) << child.how;
}

TEST(ConsoleOpen, ReachesStandardOutputRedirectedToAFile)
{
    char path[] = "/tmp/console_redirect_XXXXXX";
    int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    ChildResult child = run_in_child([descriptor] {
        dup2(descriptor, STDOUT_FILENO);
        console_printf("%s=%d\n", "answer", 42);
        console_exit(0);
    });
    char contents[256] = {};
    ssize_t count = pread(descriptor, contents, sizeof contents - 1, 0);
    close(descriptor);
    unlink(path);
    EXPECT_EQ(child.status, 0);
    EXPECT_EQ(std::string(contents, count > 0 ? count : 0), std::string("answer=42\n") + banner_0);
}

TEST(ConsoleOpen, PipeWithoutReaderFailsAsAWriteThenWaits)
{
    ChildResult child = run_in_child([] {
        int capture = dup(STDOUT_FILENO);
        int ends[2];
        if (capture < 0 || pipe(ends) != 0)
            _exit(90);
        close(ends[0]); // nobody will ever read what the console writes
        dup2(ends[1], STDOUT_FILENO);
        close(ends[1]);
        errno = 0;
        console_printf("lost\n");
        int error = errno;
        FILE *stream = console_get_stream();
        std::string seen = std::string(stream && ferror(stream) ? "stream error, " : "no error, ") +
                           (error == EPIPE ? "EPIPE" : strerror(error)) + "\n";
        ssize_t written = write(capture, seen.data(), seen.size());
        (void)written;
        console_exit(1); // its banner fails the same way, and the wait follows
    });
    EXPECT_EQ(child.output, "stream error, EPIPE\n");
    EXPECT_TRUE(child.still_waiting) << child.how;
}
