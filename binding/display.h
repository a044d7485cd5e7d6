// The X display under the viewer: checked before any window exists, watched while it runs.
// Requires: Xlib and GLX, and a Qt application created between the two calls.
// Does not: retry, fall back to another display, or say anything on success.
#pragma once

namespace sowin_standin
{

// Returns when the display named by DISPLAY answers, offers GLX and has a visual of the
// kind the viewer asks for (RGBA, double-buffered, with a depth buffer). Otherwise writes
// one line on stderr, beginning with `appname` and naming the display and what it lacks,
// and ends the process with status 1 before any window exists.
void require_usable_display(const char *appname);

// From now on, losing the connection to the display (the server ends, a forwarded
// connection drops, xkill) writes one line on stderr naming the display and ends the
// process with status 1, at once and without a core dump. Call it once the Qt
// application exists: Qt's own notice of the loss is replaced.
void watch_display_connection(const char *appname);

} // namespace sowin_standin
