// Preloaded into the viewer by a window test, never linked into it: holds back the first
// mapping of the window made for GL by a second, as a slow first start can, so that the rest
// of the window shows without its render area. Requires: glibc's dlsym(RTLD_NEXT), a program
// that picks visuals through glXGetVisualFromFBConfig and maps windows with xcb (Qt 5).
// Does not: change any other request, or any later mapping of that window.
#include <GL/glx.h>
#include <xcb/xcb.h>

#include <dlfcn.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace
{

std::mutex guard;
std::set<VisualID> gl_visuals;     // visuals GLX gave for configurations with a depth buffer
std::set<xcb_window_t> gl_windows; // windows made with one of them
bool held_back = false;

template <class Function> Function *next(const char *name)
{
    return reinterpret_cast<Function *>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" XVisualInfo *glXGetVisualFromFBConfig(Display *display, GLXFBConfig config)
{
    static auto real = next<XVisualInfo *(Display *, GLXFBConfig)>("glXGetVisualFromFBConfig");
    XVisualInfo *info = real(display, config);
    int depth = 0;
    if (info && glXGetFBConfigAttrib(display, config, GLX_DEPTH_SIZE, &depth) == Success &&
        depth > 0) {
        std::lock_guard<std::mutex> lock(guard);
        gl_visuals.insert(info->visualid);
    }
    return info;
}

extern "C" xcb_void_cookie_t xcb_create_window(xcb_connection_t *connection, uint8_t depth,
                                               xcb_window_t window, xcb_window_t parent, int16_t x,
                                               int16_t y, uint16_t width, uint16_t height,
                                               uint16_t border, uint16_t window_class,
                                               xcb_visualid_t visual, uint32_t mask,
                                               const void *values)
{
    static auto real = next<xcb_void_cookie_t(
        xcb_connection_t *, uint8_t, xcb_window_t, xcb_window_t, int16_t, int16_t, uint16_t,
        uint16_t, uint16_t, uint16_t, xcb_visualid_t, uint32_t, const void *)>("xcb_create_window");
    {
        std::lock_guard<std::mutex> lock(guard);
        if (gl_visuals.count(visual))
            gl_windows.insert(window);
    }
    return real(connection, depth, window, parent, x, y, width, height, border, window_class,
                visual, mask, values);
}

extern "C" xcb_void_cookie_t xcb_map_window(xcb_connection_t *connection, xcb_window_t window)
{
    static auto real = next<xcb_void_cookie_t(xcb_connection_t *, xcb_window_t)>("xcb_map_window");
    {
        std::lock_guard<std::mutex> lock(guard);
        if (held_back || !gl_windows.count(window))
            return real(connection, window);
        held_back = true;
    }
    // xcb connections may be used from any thread.
    std::thread([connection, window] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        real(connection, window);
        xcb_flush(connection);
    }).detach();
    return xcb_void_cookie_t{0};
}
