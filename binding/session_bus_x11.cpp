// No session-bus autolaunch for a program that has no session bus.
#include "session_bus_x11.h"

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

} // namespace

void skip_session_bus_autolaunch(bool display_announces_accessibility_bus)
{
    if (session_bus_known() || display_announces_accessibility_bus)
        return;
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

} // namespace sowin_standin
