// The floor of the display stack: map a GLX window, clear it, swap, and wait.
// Requires: an X display with a double-buffered RGBA GLX visual. Does not: use Qt or Coin,
// or draw anything but two clears (black, then the centred light-green square by scissor).
// The window is as large as overlay-plane's render area, and redrawn on every expose.
#include "floor_square.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <stdio.h>

namespace
{

const int window_width = 440;
const int window_height = 360;

void draw(Display *display, Window window, int width, int height)
{
    draw_floor_square(width, height);
    glXSwapBuffers(display, window);
}

} // namespace

int main(void)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "glx-floor: cannot open the display\n");
        return 1;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) {
        fprintf(stderr, "glx-floor: no double-buffered RGBA visual\n");
        return 1;
    }
    Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes window_attributes = {};
    window_attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    window_attributes.event_mask = ExposureMask | StructureNotifyMask;
    Window window =
        XCreateWindow(display, root, 0, 0, window_width, window_height, 0, visual->depth,
                      InputOutput, visual->visual, CWColormap | CWEventMask, &window_attributes);
    XStoreName(display, window, "GLX floor");
    GLXContext context = glXCreateContext(display, visual, nullptr, True);
    glXMakeCurrent(display, window, context);
    XMapWindow(display, window);

    int width = window_width, height = window_height;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ConfigureNotify) {
            width = event.xconfigure.width;
            height = event.xconfigure.height;
        } else if (event.type == Expose && event.xexpose.count == 0) {
            draw(display, window, width, height);
        }
    }
}
