// Child program of the Windows console tests: runs one scenario, named by its first argument,
// against the console layer. Requires the console library. Does not judge its own output:
// check_scenario.sh reads its standard output and exit status. Results of calls that return
// something are checked here; a mismatch ends the process with status 90 and a note on stderr.
#include "console.h"

#include <cstdlib>
#include <cstring>

namespace
{

void expect(bool condition, const char *what)
{
    if (!condition) {
        fprintf(stderr, "console_scenario: failed: %s\n", what);
        fflush(stderr);
        exit(90);
    }
}

// Bytes that text-mode translation would change or choke on: bare LF, CR LF, a lone CR,
// Ctrl-Z, and bytes outside ASCII.
const char bytes_text[] = "first\nsecond\r\nthird\rfourth\x1a\x01\x7f\x80\xfe\xff\n";

int run_bytes()
{
    int written = console_printf("%s", bytes_text);
    expect(written == int(std::strlen(bytes_text)), "console_printf counts every byte");
    console_exit(0);
}

int run_wait()
{
    console_printf("Couldn't read scene\n");
    console_exit(1);
}

// Output only to a real stream and to identifier 1: neither opens the console, so the exit
// is a plain one, with no banner and no wait.
int run_plain()
{
    FILE *real = fopen("console_scenario_real.txt", "w+");
    expect(real != nullptr, "a real stream opens");
    expect(console_fprintf(real, "real %d\n", 42) == 8, "console_fprintf returns vfprintf's count");
    expect(console_fflush(real) == 0, "console_fflush passes fflush's result");
    rewind(real);
    char line[32] = {};
    expect(fgets(line, sizeof line, real) != nullptr, "the real stream holds the text");
    expect(std::strcmp(line, "real 42\n") == 0, "the real stream holds the text unchanged");
    fclose(real);

    expect(console_fprintf(CONSOLE_NO_STREAM, "lost\n") == -1, "identifier 1 refuses output");
    expect(console_fflush(CONSOLE_NO_STREAM) == 0, "identifier 1 flushes with 0");
    expect(console_fflush(CONSOLE_STDOUT) == 0, "identifier 2 flushes with 0");
    expect(console_is_open == 0, "flushing and real streams leave the console unopened");
    expect(console_get_stream() == nullptr, "no console stream before opening");
    console_exit(5);
}

// Console output, then a cleared flag: the exit is plain again.
int run_cleared()
{
    console_printf("before\n");
    FILE *opened = console_get_stream();
    expect(opened != nullptr, "console output opens a stream");
    console_clear_open_flag(0);
    expect(console_is_open == 1, "flag 0 leaves the console open");
    console_clear_open_flag(1);
    expect(console_is_open == 0, "a non-zero flag clears");
    expect(console_get_stream() == opened, "clearing keeps the stream pointer");
    console_exit(4);
}

int fprintf_through_vfprintf(FILE *stream, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = console_vfprintf(stream, format, arguments);
    va_end(arguments);
    return result;
}

// Identifiers 2 to 5 all reach the console; identifier 1 reaches nothing.
int run_identifiers()
{
    expect(fprintf_through_vfprintf(CONSOLE_STDERR, "%d\n", 3) == 2, "identifier 3 opens");
    expect(console_is_open == 1, "console_vfprintf with identifier 3 opens the console");
    expect(console_fprintf(CONSOLE_STDOUT, "%d\n", 2) == 2, "identifier 2 writes");
    expect(console_fprintf(CONSOLE_STDAUX, "%d\n", 4) == 2, "identifier 4 writes");
    expect(console_fprintf(CONSOLE_STDPRN, "%d\n", 5) == 2, "identifier 5 writes");
    expect(console_fprintf(CONSOLE_NO_STREAM, "%d\n", 1) == -1, "identifier 1 refuses");
    console_exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    const char *scenario = argc > 1 ? argv[1] : "";
    if (std::strcmp(scenario, "bytes") == 0)
        return run_bytes();
    if (std::strcmp(scenario, "wait") == 0)
        return run_wait();
    if (std::strcmp(scenario, "plain") == 0)
        return run_plain();
    if (std::strcmp(scenario, "cleared") == 0)
        return run_cleared();
    if (std::strcmp(scenario, "identifiers") == 0)
        return run_identifiers();
    // No scenario: start and end, which is all the prefix warm-up needs.
    return 0;
}
