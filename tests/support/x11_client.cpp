// Window lookup, capture, window-manager actions and XTest input for window tests.
#include "x11_client.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace
{

std::string last_error; // set by the error handler, read by take_error

int record_error(Display *display, XErrorEvent *event)
{
    char text[256];
    XGetErrorText(display, event->error_code, text, sizeof text);
    last_error = std::string(text) + " (request " + std::to_string(event->request_code) + ")";
    return 0;
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Lowest bit set in a mask, and the mask's width: to pull one channel out of a pixel.
int shift_of(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return shift;
}

int channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    unsigned long value = (pixel & mask) >> shift_of(mask);
    unsigned long top = mask >> shift_of(mask);
    return static_cast<int>(value * 255 / top);
}

} // namespace

std::string read_display_file(const std::string &path)
{
    std::ifstream file(path);
    std::string name;
    std::getline(file, name);
    return name;
}

bool poll_until(const std::function<bool()> &done, double seconds, double interval)
{
    double until = now() + seconds;
    for (;;) {
        if (done())
            return true;
        if (now() >= until)
            return false;
        pause(interval);
    }
}

XClient::XClient(const std::string &display_name)
{
    XSetErrorHandler(record_error);
    display_ = XOpenDisplay(display_name.c_str());
    if (!display_)
        return;
    root_ = DefaultRootWindow(display_);
    int event, error, major, minor;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
}

XClient::~XClient()
{
    if (display_)
        XCloseDisplay(display_);
}

std::string XClient::take_error()
{
    XSync(display_, False);
    std::string error = last_error;
    last_error.clear();
    return error;
}

std::vector<Window> XClient::children(Window window)
{
    Window root, parent, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display_, window, &root, &parent, &list, &count)) {
        result.assign(list, list + count);
        XFree(list);
    }
    return result;
}

namespace
{

bool has_pid(Display *display, Window window, pid_t pid)
{
    Atom wm_pid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    bool match = false;
    if (XGetWindowProperty(display, window, wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        match = format == 32 && count == 1 &&
                (pid == 0 ||
                 *reinterpret_cast<unsigned long *>(data) == static_cast<unsigned long>(pid));
        XFree(data);
    }
    return match;
}

} // namespace

std::vector<Window> XClient::top_levels(pid_t pid)
{
    std::vector<Window> found;
    for (Window window : children(root_)) {
        if (has_pid(display_, window, pid)) {
            found.push_back(window);
            continue;
        }
        for (Window inner : children(window)) // a window manager's frame
            if (has_pid(display_, inner, pid))
                found.push_back(inner);
    }
    take_error();
    return found;
}

std::string XClient::title(Window window)
{
    Atom net_name = XInternAtom(display_, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string name;
    if (XGetWindowProperty(display_, window, net_name, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        name.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
        return name;
    }
    char *plain = nullptr;
    if (XFetchName(display_, window, &plain) && plain) {
        name = plain;
        XFree(plain);
    }
    return name;
}

std::vector<unsigned long> XClient::cardinals(Window window, const std::string &property)
{
    Atom name = XInternAtom(display_, property.c_str(), False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::vector<unsigned long> values;
    // Xlib hands 32-bit items over as longs, whatever a long's size.
    if (XGetWindowProperty(display_, window, name, 0, 1L << 24, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32) {
            auto *items = reinterpret_cast<unsigned long *>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    take_error();
    return values;
}

Geometry XClient::geometry(Window window)
{
    Geometry result;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes)) {
        take_error();
        return result;
    }
    Window child;
    XTranslateCoordinates(display_, window, root_, 0, 0, &result.x, &result.y, &child);
    result.width = attributes.width;
    result.height = attributes.height;
    result.viewable = attributes.map_state == IsViewable;
    result.override_redirect = attributes.override_redirect;
    return result;
}

Window XClient::wait_for_top_level(pid_t pid, const std::string &wanted, double seconds)
{
    Window found = 0;
    poll_until(
        [&] {
            for (Window window : top_levels(pid))
                if (title(window) == wanted && geometry(window).viewable) {
                    found = window;
                    return true;
                }
            return false;
        },
        seconds, 0.05);
    return found;
}

std::vector<Window> XClient::override_redirect_windows(pid_t pid)
{
    std::vector<Window> found;
    for (Window window : top_levels(pid)) {
        Geometry g = geometry(window);
        if (g.viewable && g.override_redirect)
            found.push_back(window);
    }
    return found;
}

Window XClient::largest_leaf(Window top, bool other_visual)
{
    XWindowAttributes top_attributes;
    if (!XGetWindowAttributes(display_, top, &top_attributes)) {
        take_error();
        return 0;
    }
    Window best = 0;
    long best_area = 0;
    std::function<void(Window)> visit = [&](Window window) {
        std::vector<Window> inner = children(window);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window, &attributes) ||
            attributes.map_state != IsViewable)
            return;
        bool counts = !other_visual || XVisualIDFromVisual(attributes.visual) !=
                                           XVisualIDFromVisual(top_attributes.visual);
        if (inner.empty() && counts) {
            long area = static_cast<long>(attributes.width) * attributes.height;
            if (area > best_area) {
                best_area = area;
                best = window;
            }
        }
        for (Window child : inner)
            visit(child);
    };
    for (Window child : children(top))
        visit(child);
    take_error();
    return best;
}

void XClient::resize(Window window, int width, int height)
{
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
}

void XClient::send_delete_window(Window top)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = top;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, top, False, NoEventMask, &event);
    XSync(display_, False);
}

void XClient::unmap(WindowId window)
{
    XUnmapWindow(display_, window);
    XSync(display_, False);
}

void XClient::map(WindowId window)
{
    XMapWindow(display_, window);
    XSync(display_, False);
}

WindowId XClient::create_cover(int x, int y, int width, int height)
{
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(display_, DefaultScreen(display_));
    Window window = XCreateWindow(display_, root_, x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                  CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display_, window);
    XSync(display_, False);
    return take_error().empty() ? window : 0;
}

void XClient::destroy(WindowId window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

void XClient::watch_new_windows()
{
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XSync(display_, True); // nothing from before counts
    created_ = 0;
}

int XClient::new_windows()
{
    XSync(display_, False);
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == CreateNotify)
            created_++;
    }
    return created_;
}

void XClient::kill_client(WindowId window)
{
    XKillClient(display_, window);
    XSync(display_, False);
}

void XClient::move_pointer(int x, int y)
{
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XSync(display_, False);
}

void XClient::button(int number, bool down)
{
    XTestFakeButtonEvent(display_, static_cast<unsigned>(number), down, CurrentTime);
    XSync(display_, False);
}

void XClient::key(const char *keysym_name, bool down)
{
    KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym_name));
    XTestFakeKeyEvent(display_, code, down, CurrentTime);
    XSync(display_, False);
}

void XClient::tap_key(const char *keysym_name)
{
    key(keysym_name, true);
    key(keysym_name, false);
}

void XClient::drag(int number, int from_x, int from_y, int to_x, int to_y, int steps)
{
    move_pointer(from_x, from_y);
    pause(0.02);
    button(number, true);
    for (int i = 1; i <= steps; i++) {
        pause(0.02);
        move_pointer(from_x + (to_x - from_x) * i / steps, from_y + (to_y - from_y) * i / steps);
    }
    pause(0.02);
    button(number, false);
}

void XClient::wheel(int x, int y, bool up, int clicks)
{
    move_pointer(x, y);
    for (int i = 0; i < clicks; i++) {
        button(up ? 4 : 5, true);
        button(up ? 4 : 5, false);
        pause(0.02);
    }
}

Image XClient::capture(Window window)
{
    Image image;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes) ||
        attributes.map_state != IsViewable) {
        take_error();
        return image;
    }
    XImage *pixels = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!pixels) {
        take_error();
        return image;
    }
    unsigned long red = attributes.visual->red_mask, green = attributes.visual->green_mask,
                  blue = attributes.visual->blue_mask;
    image.width = attributes.width;
    image.height = attributes.height;
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            unsigned long pixel = XGetPixel(pixels, x, y);
            image.set(x, y, {channel(pixel, red), channel(pixel, green), channel(pixel, blue)});
        }
    XDestroyImage(pixels);
    return image;
}
