// The X display under the viewer: reachable, with GLX and a usable visual, and watched.
#include "display.h"

#include <QString>
#include <QtGlobal>

#include <X11/Xlib.h>
#include <xcb/glx.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/time.h>
#include <unistd.h>

namespace sowin_standin
{

namespace
{

// Lines written where nothing may be allocated (a signal or I/O error handler), so built
// beforehand.
std::string lost_line, silent_line;
QtMessageHandler earlier_handler = nullptr;

[[noreturn]] void say_and_end(const std::string &line)
{
    ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    (void)written;
    _exit(1);
}

void display_silent(int)
{
    say_and_end(silent_line);
}

enum class Lack { nothing, connection, glx, visual, lost };

// The first properties of each visual in a GLX GetVisualConfigs reply, in protocol order.
enum VisualProperty {
    rgba_mode = 2,
    double_buffer = 11,
    depth_bits = 14,
    plane_level = 17,
    fixed_properties = 18
};

// What the examiner viewer's GL widget asks for: RGBA, double-buffered, a depth buffer, in
// the main planes.
bool offers_viewer_visual(const xcb_glx_get_visual_configs_reply_t *configs)
{
    if (configs->num_properties < fixed_properties)
        return false;
    const uint32_t *properties = xcb_glx_get_visual_configs_property_list(configs);
    for (uint32_t visual = 0; visual < configs->num_visuals; visual++) {
        const uint32_t *p = properties + visual * configs->num_properties;
        if (p[rgba_mode] && p[double_buffer] && p[depth_bits] > 0 && p[plane_level] == 0)
            return true;
    }
    return false;
}

// Asked through the GLX protocol itself: loading the GL driver for the check would cost as
// much as the viewer's own start of GL, and a server that goes away answers with an error
// instead of a crash inside the driver.
Lack check_connection(xcb_connection_t *connection, int screen)
{
    if (xcb_connection_has_error(connection))
        return Lack::connection;
    const xcb_query_extension_reply_t *glx = xcb_get_extension_data(connection, &xcb_glx_id);
    if (xcb_connection_has_error(connection))
        return Lack::lost;
    if (!glx || !glx->present)
        return Lack::glx;
    xcb_glx_get_visual_configs_reply_t *configs = xcb_glx_get_visual_configs_reply(
        connection, xcb_glx_get_visual_configs(connection, screen), nullptr);
    if (xcb_connection_has_error(connection)) {
        free(configs);
        return Lack::lost;
    }
    bool usable = configs && offers_viewer_visual(configs);
    free(configs);
    return usable ? Lack::nothing : Lack::visual;
}

Lack check_display(const char *name)
{
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(name, &screen);
    Lack lack = check_connection(connection, screen);
    xcb_disconnect(connection);
    return lack;
}

int connection_lost(Display *)
{
    say_and_end(lost_line);
}

// Qt's xcb platform notes a broken connection in a warning and then calls exit(), which
// runs the libraries' clean-up over a connection that is gone.
void on_qt_message(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke")))
        say_and_end(lost_line);
    if (earlier_handler)
        earlier_handler(type, context, message);
}

} // namespace

void require_usable_display(const char *appname)
{
    const char *name = getenv("DISPLAY");
    if (!name || !*name) {
        fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", appname);
        exit(1);
    }
    // A server that accepts the connection but never answers must not hang the start.
    silent_line = std::string(appname) + ": cannot open X display \"" + name + "\"\n";
    signal(SIGALRM, display_silent);
    itimerval limit = {{0, 0}, {0, 500 * 1000}}; // well within a second of the start
    setitimer(ITIMER_REAL, &limit, nullptr);
    Lack lack = check_display(name);
    itimerval off = {{0, 0}, {0, 0}};
    setitimer(ITIMER_REAL, &off, nullptr);
    signal(SIGALRM, SIG_DFL);
    switch (lack) {
    case Lack::nothing:
        return;
    case Lack::connection:
        fputs(silent_line.c_str(), stderr);
        break;
    case Lack::glx:
        fprintf(stderr, "%s: the X display \"%s\" has no OpenGL (GLX) support\n", appname, name);
        break;
    case Lack::visual:
        fprintf(stderr,
                "%s: the X display \"%s\" has no OpenGL visual with RGBA colour, double "
                "buffering and a depth buffer\n",
                appname, name);
        break;
    case Lack::lost:
        fprintf(stderr, "%s: lost the connection to the X display \"%s\"\n", appname, name);
        break;
    }
    exit(1);
}

void watch_display_connection(const char *appname)
{
    const char *display = getenv("DISPLAY");
    lost_line = std::string(appname) + ": lost the connection to the X display \"" +
                (display ? display : "") + "\"\n";
    XSetIOErrorHandler(connection_lost);
    earlier_handler = qInstallMessageHandler(on_qt_message);
}

} // namespace sowin_standin
