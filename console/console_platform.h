// The three platform services behind the console layer, one file per platform.
// Requires: a C standard library. Does not: keep any state; console.cpp owns all of it.
#pragma once

#include <cstdio>

// Opens a new writable stream on the process's standard output (giving the process a
// console first where the platform has such a thing). Returns null on failure.
FILE *console_platform_open_stream(void);

// Flushes every open standard I/O stream.
void console_platform_flush_all(void);

// Suspends the calling thread without a time limit.
[[noreturn]] void console_platform_wait_forever(void);
