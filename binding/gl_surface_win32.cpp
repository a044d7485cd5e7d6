// The direct way, as Windows programs draw with OpenGL: the render area's own device context
// (its class is CS_OWNDC) carries the viewer's pixel format, the context draws into the area's
// back buffer, and SwapBuffers shows it. The copy (frame_copy_win32.cpp) is taken only where
// the platform shows nothing of that.
#include "gl_surface_win32.h"

#include "frame_copy_win32.h"
#include "sowin_win32.h"

#include <cstdlib>

namespace sowin_standin
{

namespace
{

enum class FramePath { DIRECT, COPY };

// wine 8 shows nothing that OpenGL draws into a child window, only what it draws into a
// top-level one; wine 10 shows it, as Windows does. Wine names its release through ntdll's
// wine_get_version, which Windows' ntdll doesn't have. Only 8 and 10 could be tried, so every
// release before 10 takes the copy.
FramePath platform_frame_path(void)
{
    using WineVersion = const char *(__cdecl *)(void);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto wine_version = ntdll ? reinterpret_cast<WineVersion>(reinterpret_cast<void *>(
                                    GetProcAddress(ntdll, "wine_get_version")))
                              : nullptr;
    if (!wine_version)
        return FramePath::DIRECT;
    const char *release = wine_version();
    return release && std::atoi(release) >= 10 ? FramePath::DIRECT : FramePath::COPY;
}

class DirectSurface : public GlSurface
{
  public:
    explicit DirectSurface(HWND area) : area(area)
    {
        dc = GetDC(area); // the class's own: it stays the area's until the area goes
        context = dc ? create_viewer_context(dc) : nullptr;
    }

    ~DirectSurface() override
    {
        if (context) {
            if (wglGetCurrentContext() == context)
                wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(context);
        }
        if (dc)
            ReleaseDC(area, dc);
    }

    // The back buffer follows the area's size: the driver takes it from the window.
    bool begin(const SbVec2s &) override
    {
        return context && wglMakeCurrent(dc, context);
    }

    void present(HDC, const SbVec2s &) override
    {
        SwapBuffers(dc);
    }

  private:
    HWND area;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

} // namespace

std::unique_ptr<GlSurface> make_gl_surface(HWND area)
{
    static const FramePath path = platform_frame_path();
    if (path == FramePath::COPY)
        return make_copied_surface();
    return std::make_unique<DirectSurface>(area);
}

} // namespace sowin_standin
