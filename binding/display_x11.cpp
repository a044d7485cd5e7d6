// The X display under the viewer: reachable, with GLX and a usable visual, and watched.
#include "display_x11.h"

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

enum class Lack { NOTHING, CONNECTION, GLX, VISUAL, LOST };

// The first properties of each visual in a GLX GetVisualConfigs reply, in protocol order.
enum VisualProperty {
    RGBA_MODE = 2,
    DOUBLE_BUFFER = 11,
    DEPTH_BITS = 14,
    PLANE_LEVEL = 17,
    FIXED_PROPERTIES = 18
};

// What the examiner viewer's GL widget asks for: RGBA, double-buffered, a depth buffer, in
// the main planes.
bool offers_viewer_visual(const xcb_glx_get_visual_configs_reply_t *configs)
{
    if (configs->num_properties < FIXED_PROPERTIES)
        return false;
    const uint32_t *properties = xcb_glx_get_visual_configs_property_list(configs);
    for (uint32_t visual = 0; visual < configs->num_visuals; visual++) {
        const uint32_t *p = properties + visual * configs->num_properties;
        if (p[RGBA_MODE] && p[DOUBLE_BUFFER] && p[DEPTH_BITS] > 0 && p[PLANE_LEVEL] == 0)
            return true;
    }
    return false;
}

// Restarts the clock on the display's silence: called before each wait for an answer.
void expect_answer_within_limit()
{
    itimerval limit = {{0, 0}, {display_silence_limit_seconds, 0}};
    setitimer(ITIMER_REAL, &limit, nullptr);
}

xcb_window_t root_of(xcb_connection_t *connection, int screen)
{
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem; i++)
        xcb_screen_next(&roots);
    return roots.rem ? roots.data->root : XCB_NONE;
}

// Whether the root window carries at-spi's address (`atom` is AT_SPI_BUS, or none).
xcb_get_property_cookie_t ask_accessibility_bus(xcb_connection_t *connection, int screen,
                                                xcb_atom_t atom)
{
    xcb_window_t root = root_of(connection, screen);
    if (atom == XCB_NONE || root == XCB_NONE)
        return {0};
    return xcb_get_property(connection, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
}

bool announced(xcb_connection_t *connection, xcb_get_property_cookie_t cookie)
{
    if (!cookie.sequence)
        return false;
    xcb_get_property_reply_t *property = xcb_get_property_reply(connection, cookie, nullptr);
    bool found = property && property->type != XCB_NONE;
    free(property);
    return found;
}

// Asked through the GLX protocol itself: loading the GL driver for the check would cost as
// much as the viewer's own start of GL, and a server that goes away answers with an error
// instead of a crash inside the driver. Over a remote display each round trip counts, so
// the questions go out two at a time: the GLX extension and at-spi's atom, then the GLX
// visuals and the root window's property.
Lack check_connection(xcb_connection_t *connection, int screen, DisplayFacts &facts)
{
    if (xcb_connection_has_error(connection))
        return Lack::CONNECTION;
    static const char atom_name[] = "AT_SPI_BUS";
    xcb_prefetch_extension_data(connection, &xcb_glx_id);
    xcb_intern_atom_cookie_t atom_cookie =
        xcb_intern_atom(connection, 1, sizeof atom_name - 1, atom_name);
    expect_answer_within_limit();
    const xcb_query_extension_reply_t *glx = xcb_get_extension_data(connection, &xcb_glx_id);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(connection, atom_cookie, nullptr);
    xcb_atom_t accessibility_atom = atom ? atom->atom : XCB_NONE;
    free(atom);
    if (xcb_connection_has_error(connection))
        return Lack::LOST;
    if (!glx || !glx->present)
        return Lack::GLX;

    xcb_glx_get_visual_configs_cookie_t configs_cookie =
        xcb_glx_get_visual_configs(connection, screen);
    xcb_get_property_cookie_t property_cookie =
        ask_accessibility_bus(connection, screen, accessibility_atom);
    expect_answer_within_limit();
    xcb_glx_get_visual_configs_reply_t *configs =
        xcb_glx_get_visual_configs_reply(connection, configs_cookie, nullptr);
    facts.announces_accessibility_bus = announced(connection, property_cookie);
    bool usable = configs && offers_viewer_visual(configs);
    free(configs);
    if (xcb_connection_has_error(connection))
        return Lack::LOST;
    return usable ? Lack::NOTHING : Lack::VISUAL;
}

Lack check_display(const char *name, DisplayFacts &facts)
{
    int screen = 0;
    expect_answer_within_limit();
    xcb_connection_t *connection = xcb_connect(name, &screen);
    Lack lack = check_connection(connection, screen, facts);
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

DisplayFacts require_usable_display(const char *appname)
{
    const char *name = getenv("DISPLAY");
    if (!name || !*name) {
        fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", appname);
        exit(1);
    }
    // A display that accepts the connection and then stays silent must not hang the start.
    silent_line = std::string(appname) + ": the X display \"" + name + "\" did not answer for " +
                  std::to_string(display_silence_limit_seconds) + " seconds\n";
    signal(SIGALRM, display_silent);
    DisplayFacts facts;
    Lack lack = check_display(name, facts);
    itimerval off = {{0, 0}, {0, 0}};
    setitimer(ITIMER_REAL, &off, nullptr);
    signal(SIGALRM, SIG_DFL);
    switch (lack) {
    case Lack::NOTHING:
        return facts;
    case Lack::CONNECTION:
        fprintf(stderr, "%s: cannot open X display \"%s\"\n", appname, name);
        break;
    case Lack::GLX:
        fprintf(stderr, "%s: the X display \"%s\" has no OpenGL (GLX) support\n", appname, name);
        break;
    case Lack::VISUAL:
        fprintf(stderr,
                "%s: the X display \"%s\" has no OpenGL visual with RGBA colour, double "
                "buffering and a depth buffer\n",
                appname, name);
        break;
    case Lack::LOST:
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
