// Win32 services of the console layer: console allocation, stream on the standard output
// handle, flush of all streams and the endless wait. Requires the Windows API and the
// Microsoft C runtime (msvcrt or UCRT). Does not: test any step's result or keep state.
#include "console_platform.h"

#include <windows.h>

#include <cstdint>
#include <io.h>

FILE *console_platform_open_stream(void)
{
    // A process that already has a console keeps it, and its standard output handle with
    // it; so redirected output goes where the parent sent it.
    AllocConsole();
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    // Flag 1 is write-only access and nothing else: no text-mode flag, so the descriptor
    // passes bytes through untranslated.
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), 1);
    return _fdopen(descriptor, "w");
}

void console_platform_flush_all(void)
{
    _flushall();
}

void console_platform_wait_forever(void)
{
    // Sleep(INFINITE) does not return; the loop only keeps that promise to the compiler.
    for (;;)
        Sleep(INFINITE);
}
