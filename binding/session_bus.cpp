// No session-bus autolaunch for a program that has no session bus.
#include "session_bus.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace sowin_standin
{

namespace
{

bool session_bus_known(void)
{
    const char *address = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    // libdbus's own default before it autolaunches: the user's bus in the runtime directory.
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    struct stat socket_status;
    return runtime && *runtime &&
           stat((std::string(runtime) + "/bus").c_str(), &socket_status) == 0 &&
           S_ISSOCK(socket_status.st_mode);
}

// at-spi's address on the root window, for programs that can't reach the user's bus.
bool display_announces_accessibility_bus(const char *display_name)
{
    Display *display = XOpenDisplay(display_name);
    if (!display)
        return false;
    bool announced = false;
    Atom property = XInternAtom(display, "AT_SPI_BUS", True);
    if (property != None) {
        Atom type = None;
        int format;
        unsigned long count, left;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 0, False,
                               AnyPropertyType, &type, &format, &count, &left, &data) == Success)
            announced = type != None;
        if (data)
            XFree(data);
    }
    XCloseDisplay(display);
    return announced;
}

} // namespace

void skip_session_bus_autolaunch(const char *display_name)
{
    if (session_bus_known() || display_announces_accessibility_bus(display_name))
        return;
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

} // namespace sowin_standin
