// The console layer's logic; the platform services sit behind console_platform.h.
#include "console.h"

#include "console_platform.h"

#include <cstdint>
#include <cstdlib>

FILE *console_stream = nullptr;
int console_is_open = 0;

namespace
{

bool is_console_identifier(FILE *stream)
{
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(stream);
    return value >= 2 && value <= 5;
}

} // namespace

FILE *console_open(void)
{
    console_stream = console_platform_open_stream();
    console_is_open = 1;
    return console_stream;
}

FILE *console_get_stream(void)
{
    return console_stream;
}

void console_clear_open_flag(int flag)
{
    if (flag)
        console_is_open = 0;
}

int console_vprintf(const char *format, va_list arguments)
{
    int result = 0;
    if (!console_is_open)
        console_open();
    if (console_stream)
        result = vfprintf(console_stream, format, arguments);
    console_platform_flush_all();
    return result;
}

int console_printf(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = console_vprintf(format, arguments);
    va_end(arguments);
    return result;
}

int console_vfprintf(FILE *stream, const char *format, va_list arguments)
{
    if (stream == CONSOLE_NO_STREAM)
        return -1;
    if (is_console_identifier(stream))
        return console_vprintf(format, arguments);
    return vfprintf(stream, format, arguments);
}

int console_fprintf(FILE *stream, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = console_vfprintf(stream, format, arguments);
    va_end(arguments);
    return result;
}

int console_fflush(FILE *stream)
{
    if (stream == CONSOLE_NO_STREAM)
        return 0;
    if (is_console_identifier(stream)) {
        console_platform_flush_all();
        return 0;
    }
    return fflush(stream);
}

void console_exit(int status)
{
    if (console_is_open) {
        console_printf("\nEXITING WITH STATUS %d\n", status);
        if (console_stream)
            fclose(console_stream);
        if (status != 0)
            console_platform_wait_forever();
    }
    exit(status);
}
