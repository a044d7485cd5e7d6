// The X display under the viewer: checked before any window exists, watched while it runs.
// Requires: Xlib and xcb with GLX, and a Qt application created between the two calls.
// Does not: retry, fall back to another display, or say anything on success.
#pragma once

namespace sowin_standin
{

// How long the check waits for any one answer from the display. A display that answers,
// however slowly, is waited for; one that stays silent this long is given up.
const int display_silence_limit_seconds = 10;

// What the check learnt on its way, for what has to be settled before Qt starts.
struct DisplayFacts {
    bool announces_accessibility_bus = false; // AT_SPI_BUS on the root window
};

// Returns when the display named by DISPLAY answers, offers GLX and has a visual of the
// kind the viewer asks for (RGBA, double-buffered, with a depth buffer). Otherwise writes
// one line on stderr, beginning with `appname` and naming the display and what it lacks,
// and ends the process with status 1 before any window exists: at once where there is no
// display, after display_silence_limit_seconds where one stops answering.
DisplayFacts require_usable_display(const char *appname);

// From now on, losing the connection to the display (the server ends, a forwarded
// connection drops, xkill) writes one line on stderr naming the display and ends the
// process with status 1, at once and without a core dump. Call it once the Qt
// application exists: Qt's own notice of the loss is replaced.
void watch_display_connection(const char *appname);

} // namespace sowin_standin
