// Where the Win32 viewer's frames are drawn and how they reach the screen: a WGL context on a
// window that never shows, a framebuffer object of the frame's size where the driver has one,
// and a copy of each finished frame into the render area's device context.
// Requires: Win32 and WGL (gdi32, opengl32). Does not: decide what is drawn, or when.
#pragma once

#include <Inventor/SbLinear.h>

#include <windows.h>

#include <memory>
#include <vector>

namespace sowin_standin
{

// wine (8.0) shows nothing that OpenGL draws into a child window, only what it draws into a
// top-level one; a render area that is a plain window showing a copy works on both.
class GlSurface
{
  public:
    GlSurface();
    ~GlSurface();
    GlSurface(const GlSurface &) = delete;
    GlSurface &operator=(const GlSurface &) = delete;

    // Makes the context current, drawing into a target of `size`; false where there is no
    // context (no pixel format of the kind the viewer needs).
    bool begin(const SbVec2s &size);
    // Copies the frame drawn since begin() into `dc`, its bottom row last.
    void present(HDC dc, const SbVec2s &size);

  private:
    class Offscreen;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    std::unique_ptr<Offscreen> offscreen;
    std::vector<unsigned char> pixels; // the last frame, on its way to the window
};

} // namespace sowin_standin
