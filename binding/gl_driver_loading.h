// Loads the display's GL driver on a thread of its own while Qt and Coin start, so that the
// viewer's first GL context finds it loaded. Requires: GLX and an X display that has been
// checked. Does not: create a context or window, or keep a connection open; where the load
// fails the viewer meets the failure as it would have.
#pragma once

namespace sowin_standin
{

// `display_name` is the display the viewer will use.
void start_gl_driver_loading(const char *display_name);
// Waits for the load to end; call it before the program can end.
void finish_gl_driver_loading(void);

} // namespace sowin_standin
