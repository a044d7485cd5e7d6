// Where the Win32 viewer's frames are drawn and how they reach the screen: the one place that
// decides, from what the platform is, whether OpenGL draws straight into the render area's
// window or into a hidden one whose frames are copied into the area (frame_copy_win32.h).
// Requires: Win32 and WGL (gdi32, opengl32); a render area of a CS_OWNDC class that clips its
// siblings, inside a parent that clips its children. Does not: decide what is drawn, or when.
#pragma once

#include <Inventor/SbLinear.h>

#include <windows.h>

#include <memory>

namespace sowin_standin
{

// The GL context a render area's frames are drawn with, and their way to its window.
class GlSurface
{
  public:
    virtual ~GlSurface() = default;
    // Makes the context current, drawing into a frame of `size` (the area's client size);
    // false where there is no context (no pixel format of the kind the viewer needs).
    virtual bool begin(const SbVec2s &size) = 0;
    // Shows the frame drawn since begin() in the area, whose paint device context is `dc`.
    virtual void present(HDC dc, const SbVec2s &size) = 0;
};

// The surface for `area`, of the kind that this platform shows: straight into the area on
// Windows and on wine 10 and later; a copy from a hidden window on earlier wine releases.
std::unique_ptr<GlSurface> make_gl_surface(HWND area);

} // namespace sowin_standin
