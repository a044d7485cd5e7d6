// Frames drawn on a hidden window and copied into the render area with GDI: the way a frame
// reaches the screen where OpenGL drawn into a child window never shows (wine before 10).
// Requires: Win32 and WGL (gdi32, opengl32). Does not: choose when it is used
// (gl_surface_win32.cpp does), or touch the render area's pixel format.
#pragma once

#include "gl_surface_win32.h"

namespace sowin_standin
{

// A WGL context on a window that never shows, a framebuffer object of the frame's size where
// the driver has one, and each finished frame read back and copied into the area's device
// context. The hidden window's class is "OverlayPlaneGLSurface".
std::unique_ptr<GlSurface> make_copied_surface(void);

} // namespace sowin_standin
