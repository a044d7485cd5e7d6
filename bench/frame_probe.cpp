// Frame probe, loaded with LD_PRELOAD into a measured program: checks and timestamps frames.
// Requires: GLX; BENCH_PROBE_FD (a writable descriptor) and BENCH_T0_NS (CLOCK_MONOTONIC
// at exec, in ns) in the environment. Does not: change what the program draws or when.
//
// A frame is presented by glXSwapBuffers, or by glFlush or glFinish after drawing into the
// front buffer (Open Inventor's Xt viewers draw the first frame after an expose that way).
// Each presented frame is reported as one line on BENCH_PROBE_FD:
//   F <seq> <ns since exec> <state> <width> <height> <drawable> <rss kB> <process CPU us>
//     <pss kB> <uss kB>
// where state is 1 for the square at full size, 0 for any other image, u for a swap to a
// window that is not viewable (nothing is presented) and - once checking has stopped.
// Until the first correct frame the presented buffer is read back (the back buffer before
// the swap, the front buffer after the flush): its middle row and column must each hold
// one centred run of light green, 20% of the window's smaller side long, on black.
// After the first correct frame, with BENCH_PROBE_TIMING=1, each frame is timed with
// glFinish at three marks and reported before its F line as
//   R <seq> <ns from start to depth-only clear, or -1> <ns from start to present>
// A frame starts at the first glXMakeCurrent or glClear after the last present (Qt makes
// the context current before it paints); a depth-only clear after the start begins the
// emulated overlay pass, which overlay-plane draws last.
#include <GL/gl.h>
#include <GL/glx.h>

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace
{

using SwapFunction = void (*)(Display *, GLXDrawable);
using ClearFunction = void (*)(GLbitfield);
using MakeCurrentFunction = Bool (*)(Display *, GLXDrawable, GLXContext);
using BufferFunction = void (*)(GLenum);
using PlainFunction = void (*)(void);
using ProcFunction = __GLXextFuncPtr (*)(const GLubyte *);

struct Probe {
    int fd = -1;
    int64_t t0 = 0;
    bool timing = false;
    long seq = 0;
    bool checking = true;
    bool presented = false;
    bool front_pending = false;
    bool frame_open = false;
    int64_t frame_start = 0;
    int64_t overlay_start = -1;
};

Probe &probe(void)
{
    static Probe state = [] {
        Probe p;
        const char *fd = getenv("BENCH_PROBE_FD");
        const char *t0 = getenv("BENCH_T0_NS");
        const char *timing = getenv("BENCH_PROBE_TIMING");
        p.fd = fd ? atoi(fd) : -1;
        p.t0 = t0 ? atoll(t0) : 0;
        p.timing = timing && strcmp(timing, "1") == 0;
        return p;
    }();
    return state;
}

int64_t now_ns(void)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void *next_symbol(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

void emit(const char *line)
{
    if (probe().fd < 0)
        return;
    size_t left = strlen(line);
    while (left > 0) {
        ssize_t n = write(probe().fd, line, left);
        if (n <= 0)
            return;
        line += n;
        left -= static_cast<size_t>(n);
    }
}

long rss_kb(void)
{
    FILE *f = fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    long size = 0, resident = 0;
    if (fscanf(f, "%ld %ld", &size, &resident) != 2)
        resident = 0;
    fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Proportional and unique set sizes: shared pages split among their users, and the pages
// no other process maps (private clean and dirty). Zero where the kernel has no rollup.
void set_sizes_kb(long &pss, long &uss)
{
    pss = uss = 0;
    FILE *f = fopen("/proc/self/smaps_rollup", "r");
    if (!f)
        return;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        long kb;
        if (sscanf(line, "Pss: %ld kB", &kb) == 1)
            pss = kb;
        else if (sscanf(line, "Private_Clean: %ld kB", &kb) == 1 ||
                 sscanf(line, "Private_Dirty: %ld kB", &kb) == 1)
            uss += kb;
    }
    fclose(f);
}

bool is_green(const unsigned char *p)
{
    return abs(p[0] - 128) <= 3 && p[1] >= 250 && abs(p[2] - 128) <= 3;
}

bool is_black(const unsigned char *p)
{
    return p[0] <= 8 && p[1] <= 8 && p[2] <= 8;
}

// One line of pixels across the middle: a single centred green run of `side` pixels, black
// elsewhere but for a pixel or two of edge.
bool line_holds_square(const std::vector<unsigned char> &pixels, int count, double side)
{
    int first = -1, last = -1, green = 0, other = 0;
    for (int i = 0; i < count; i++) {
        const unsigned char *p = &pixels[4 * i];
        if (is_green(p)) {
            if (first < 0)
                first = i;
            last = i;
            green++;
        } else if (!is_black(p)) {
            other++;
        }
    }
    if (green == 0 || last - first + 1 != green || other > 2)
        return false;
    double centre = (first + last + 1) / 2.0;
    return green >= side - 2 && green <= side + 2 && centre >= count / 2.0 - 2 &&
           centre <= count / 2.0 + 2;
}

bool buffer_holds_square(GLenum buffer, int width, int height)
{
    GLint read_buffer, alignment, row_length, skip_rows, skip_pixels;
    glGetIntegerv(GL_READ_BUFFER, &read_buffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &row_length);
    glGetIntegerv(GL_PACK_SKIP_ROWS, &skip_rows);
    glGetIntegerv(GL_PACK_SKIP_PIXELS, &skip_pixels);
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);

    double side = 0.2 * (width < height ? width : height);
    std::vector<unsigned char> row(4 * width), column(4 * height);
    glReadPixels(0, height / 2, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
    glReadPixels(width / 2, 0, 1, height, GL_RGBA, GL_UNSIGNED_BYTE, column.data());
    bool ok = glGetError() == GL_NO_ERROR && line_holds_square(row, width, side) &&
              line_holds_square(column, height, side);

    glReadBuffer(static_cast<GLenum>(read_buffer));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glPixelStorei(GL_PACK_ROW_LENGTH, row_length);
    glPixelStorei(GL_PACK_SKIP_ROWS, skip_rows);
    glPixelStorei(GL_PACK_SKIP_PIXELS, skip_pixels);
    return ok;
}

// The real glFinish: the probe's own calls must not count as presenting a frame.
void finish(void)
{
    static auto real = reinterpret_cast<PlainFunction>(next_symbol("glFinish"));
    real();
}

void open_timed_frame(void)
{
    Probe &p = probe();
    if (!p.timing || p.checking || p.frame_open)
        return;
    finish();
    p.frame_open = true;
    p.frame_start = now_ns();
    p.overlay_start = -1;
}

// Ends the timed frame, if one is open, at a present.
void close_timed_frame(void)
{
    Probe &p = probe();
    if (!p.frame_open)
        return;
    finish();
    int64_t end = now_ns();
    long long overlay = p.overlay_start < 0 ? -1 : p.overlay_start - p.frame_start;
    char line[96];
    snprintf(line, sizeof line, "R %ld %lld %lld\n", p.seq + 1, overlay,
             static_cast<long long>(end - p.frame_start));
    emit(line);
    p.frame_open = false;
}

// What `buffer` shows, while checking: '1', '0' or 'u' (not viewable); '-' after.
char check_buffer(Display *display, GLXDrawable drawable, GLenum buffer, int &width, int &height)
{
    if (!probe().checking || !display || !drawable)
        return '-';
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, drawable, &attributes))
        return '0';
    width = attributes.width;
    height = attributes.height;
    if (attributes.map_state != IsViewable)
        return 'u';
    return buffer_holds_square(buffer, width, height) ? '1' : '0';
}

void report_present(GLXDrawable drawable, int64_t t, char state, int width, int height)
{
    Probe &p = probe();
    p.seq++;
    long rss = 0, pss = 0, uss = 0;
    long long cpu_us = 0;
    if (state == '0' || state == '1') {
        p.presented = true;
        rss = rss_kb();
        timespec cpu;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        cpu_us = static_cast<long long>(cpu.tv_sec) * 1000000 + cpu.tv_nsec / 1000;
        set_sizes_kb(pss, uss); // after the CPU reading: the page walk is the probe's cost
    }
    if (state == '1')
        p.checking = false;
    char line[200];
    snprintf(line, sizeof line, "F %ld %lld %c %d %d %lu %ld %lld %ld %ld\n", p.seq,
             static_cast<long long>(t - p.t0), state, width, height,
             static_cast<unsigned long>(drawable), rss, cpu_us, pss, uss);
    emit(line);
}

bool is_front(GLenum mode)
{
    return mode == GL_FRONT || mode == GL_FRONT_LEFT || mode == GL_FRONT_RIGHT ||
           mode == GL_FRONT_AND_BACK;
}

// After a flush or finish of front-buffer drawing: the front buffer is on screen.
void front_presented(void)
{
    Probe &p = probe();
    if (!p.front_pending)
        return;
    p.front_pending = false;
    int64_t t = now_ns();
    Display *display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    int width = 0, height = 0;
    char state = check_buffer(display, drawable, GL_FRONT, width, height);
    report_present(drawable, t, state, width, height);
}

} // namespace

extern "C" void glClear(GLbitfield mask)
{
    static auto real = reinterpret_cast<ClearFunction>(next_symbol("glClear"));
    Probe &p = probe();
    if (p.frame_open && mask == GL_DEPTH_BUFFER_BIT && p.overlay_start < 0) {
        finish();
        p.overlay_start = now_ns();
    }
    open_timed_frame();
    real(mask);
}

extern "C" Bool glXMakeCurrent(Display *display, GLXDrawable drawable, GLXContext context)
{
    static auto real = reinterpret_cast<MakeCurrentFunction>(next_symbol("glXMakeCurrent"));
    Bool made = real(display, drawable, context);
    if (made && drawable && context)
        open_timed_frame();
    return made;
}

extern "C" void glDrawBuffer(GLenum mode)
{
    static auto real = reinterpret_cast<BufferFunction>(next_symbol("glDrawBuffer"));
    real(mode);
    if (is_front(mode))
        probe().front_pending = true;
}

extern "C" void glFlush(void)
{
    static auto real = reinterpret_cast<PlainFunction>(next_symbol("glFlush"));
    if (probe().front_pending)
        close_timed_frame();
    real();
    front_presented();
}

extern "C" void glFinish(void)
{
    if (probe().front_pending)
        close_timed_frame();
    finish();
    front_presented();
}

extern "C" void glXSwapBuffers(Display *display, GLXDrawable drawable)
{
    static auto real = reinterpret_cast<SwapFunction>(next_symbol("glXSwapBuffers"));
    Probe &p = probe();
    close_timed_frame();
    p.front_pending = false;
    int width = 0, height = 0;
    char state = check_buffer(display, drawable, GL_BACK, width, height);
    real(display, drawable);
    report_present(drawable, now_ns(), state, width, height);
}

extern "C" __GLXextFuncPtr glXGetProcAddressARB(const GLubyte *name)
{
    static auto real = reinterpret_cast<ProcFunction>(next_symbol("glXGetProcAddressARB"));
    static const struct {
        const char *name;
        __GLXextFuncPtr hook;
    } hooks[] = {
        {"glXSwapBuffers", reinterpret_cast<__GLXextFuncPtr>(&glXSwapBuffers)},
        {"glClear", reinterpret_cast<__GLXextFuncPtr>(&glClear)},
        {"glXMakeCurrent", reinterpret_cast<__GLXextFuncPtr>(&glXMakeCurrent)},
        {"glDrawBuffer", reinterpret_cast<__GLXextFuncPtr>(&glDrawBuffer)},
        {"glFlush", reinterpret_cast<__GLXextFuncPtr>(&glFlush)},
        {"glFinish", reinterpret_cast<__GLXextFuncPtr>(&glFinish)},
    };
    const char *text = reinterpret_cast<const char *>(name);
    for (const auto &hook : hooks)
        if (strcmp(text, hook.name) == 0)
            return hook.hook;
    return real ? real(name) : nullptr;
}

extern "C" __GLXextFuncPtr glXGetProcAddress(const GLubyte *name)
{
    return glXGetProcAddressARB(name);
}
