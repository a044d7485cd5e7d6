// Console diagnostics: stand-ins for printf, vprintf, fprintf, vfprintf, fflush and exit.
// Requires: a C standard library; one platform file (console_posix.cpp or console_win32.cpp).
// Does not: buffer, add levels or timestamps, lock, or report anything of its own.
//
// Output goes to a console stream opened on first use on the process's standard output,
// flushed after every write. console_exit() after console output prints an exit banner and,
// for a non-zero status, waits without end so that the messages stay on screen.
#pragma once

#include <cstdarg>
#include <cstdio>

// Stream identifiers: small integers that are never valid FILE addresses.
// CONSOLE_NO_STREAM takes no output; the other four all write to the console.
#define CONSOLE_NO_STREAM ((FILE *)1)
#define CONSOLE_STDOUT ((FILE *)2)
#define CONSOLE_STDERR ((FILE *)3)
#define CONSOLE_STDAUX ((FILE *)4)
#define CONSOLE_STDPRN ((FILE *)5)

extern FILE *console_stream; // null until opened; afterwards whatever opening returned
extern int console_is_open;  // 1 once opening has been done, even if it gave no stream

FILE *console_open(void);
FILE *console_get_stream(void);
void console_clear_open_flag(int flag);

int console_printf(const char *format, ...);
int console_vprintf(const char *format, va_list arguments);
int console_fprintf(FILE *stream, const char *format, ...);
int console_vfprintf(FILE *stream, const char *format, va_list arguments);
int console_fflush(FILE *stream);
[[noreturn]] void console_exit(int status);
