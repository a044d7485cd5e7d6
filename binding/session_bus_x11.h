// Keeps Qt from starting a session bus where there is none. Requires: POSIX, and what the
// display check found on the display; to be called before Qt starts. Does not: talk to the
// display, touch a session bus that exists, or start or end any process.
#pragma once

namespace sowin_standin
{

// Where no session bus is announced (DBUS_SESSION_BUS_ADDRESS) or found at the user's
// runtime directory, Qt's accessibility bridge would have libdbus autolaunch one: a fork and
// a search of the whole PATH for dbus-launch on the main thread before the first frame,
// and, where dbus-launch exists, a bus daemon left behind. An address that names no
// transport makes the bridge give up at once instead, as it gives up after a failed
// autolaunch. Where the display announces an accessibility bus (as for programs run by
// root), the bridge reaches it only through a session bus: the autolaunch stays there.
void skip_session_bus_autolaunch(bool display_announces_accessibility_bus);

} // namespace sowin_standin
