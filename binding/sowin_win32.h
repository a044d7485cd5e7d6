// What the Win32 start-up (sowin_win32.cpp) and the Win32 viewer (components_win32.cpp) share:
// the kind of OpenGL pixel format the render area needs, and a context of that kind.
// Requires: Win32 and WGL (gdi32, opengl32). Does not: create windows or make a context
// current.
#pragma once

#include <windows.h>

namespace sowin_standin
{

// The pixel format of `dc` closest to what the render area asks for (RGBA, double-buffered,
// with a depth buffer), or 0 where the device offers no such format.
int choose_viewer_pixel_format(HDC dc);

// Gives `dc` that pixel format and makes a WGL context for it; null where the device has no
// such format or gives no context. A window's pixel format can be set only once.
HGLRC create_viewer_context(HDC dc);

} // namespace sowin_standin
