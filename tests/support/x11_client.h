// An X client for window tests: finds a program's windows, captures them, and acts as a
// window manager (resize, WM_DELETE_WINDOW) and as a user (XTest pointer and keys) would.
// Requires: Xlib and XTEST, kept out of this header since Xlib's macros clash with gtest.
// Does not: start servers or programs (xvfb.sh, x11_process.h) or judge captures (x11_image.h).
#pragma once

#include "x11_image.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;               // Xlib's Display
using WindowId = unsigned long; // Xlib's Window

// The first line of the state file that xvfb.sh writes: the display name, e.g. ":3".
// Empty when the file can't be read.
std::string read_display_file(const std::string &path);

// Calls `done` every `interval` seconds until it returns true or `seconds` pass.
bool poll_until(const std::function<bool()> &done, double seconds, double interval = 0.02);

struct Geometry {
    int x = 0, y = 0; // relative to the root window
    int width = 0, height = 0;
    bool viewable = false;
    bool override_redirect = false;
};

class XClient
{
  public:
    explicit XClient(const std::string &display_name);
    ~XClient();
    XClient(const XClient &) = delete;
    XClient &operator=(const XClient &) = delete;

    bool connected() const
    {
        return display_ != nullptr;
    }
    _XDisplay *display() const
    {
        return display_;
    }
    // The screen's root window, whose geometry is the screen's size.
    WindowId root() const
    {
        return root_;
    }
    // The last X error seen since the previous call, e.g. for a window that vanished.
    std::string take_error();

    // Windows. Top-levels are the root's children (or, under a window manager, the client
    // windows in its frames) whose _NET_WM_PID is `pid`; with `pid` 0, those of any process.
    std::vector<WindowId> top_levels(pid_t pid);
    std::string title(WindowId window);
    // A property of 32-bit CARDINALs, such as _NET_WM_ICON; empty when the window has none.
    std::vector<unsigned long> cardinals(WindowId window, const std::string &property);
    Geometry geometry(WindowId window);
    std::vector<WindowId> children(WindowId window);
    // The window titled `title` that belongs to `pid`, once it is viewable; 0 on timeout.
    WindowId wait_for_top_level(pid_t pid, const std::string &title, double seconds);
    // Viewable top-levels of `pid` that bypass the window manager: pop-up menus and the like.
    std::vector<WindowId> override_redirect_windows(pid_t pid);
    // The largest viewable descendant of `top` without children of its own; 0 when there is
    // none. With `other_visual`, only those whose visual is not `top`'s: Qt gives the window
    // it makes for GL a visual chosen for GL (with a depth buffer), and its other windows the
    // top-level's.
    WindowId largest_leaf(WindowId top, bool other_visual = false);

    // What a window manager does.
    void resize(WindowId window, int width, int height);
    void send_delete_window(WindowId top);
    void unmap(WindowId window);
    void map(WindowId window);
    // A plain white window of this client's own, over everything; 0 on failure.
    WindowId create_cover(int x, int y, int width, int height);
    void destroy(WindowId window);

    // Windows made on this screen by anyone: watch_new_windows() starts the count, and
    // new_windows() returns how many were created since.
    void watch_new_windows();
    int new_windows();
    // What xkill does: the server closes the connection of the client that made `window`.
    void kill_client(WindowId window);

    // What a user does, through XTest; coordinates are relative to the root window.
    void move_pointer(int x, int y);
    void button(int number, bool down);
    void key(const char *keysym_name, bool down);
    void tap_key(const char *keysym_name);
    // Press `number` at `from`, move in `steps` steps to `to`, release.
    void drag(int number, int from_x, int from_y, int to_x, int to_y, int steps = 10);
    // A wheel turn: `clicks` presses of button 4 (up) or 5 (down).
    void wheel(int x, int y, bool up, int clicks);

    // The window's contents as RGB; empty when it is not viewable or has vanished.
    Image capture(WindowId window);

  private:
    _XDisplay *display_ = nullptr;
    WindowId root_ = 0;
    int created_ = 0;
};
