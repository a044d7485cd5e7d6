// The hidden window has a device context of its own (CS_OWNDC), since OpenGL keeps its pixel
// format there; its size follows the frame's only where the frame is drawn into its back buffer.
#include "frame_copy_win32.h"

#include "sowin_win32.h"

#include <Inventor/system/gl.h>

#include <GL/glext.h>

#include <vector>

namespace sowin_standin
{

namespace
{

// A framebuffer object of the frame's size, where the driver offers them. Its pixels are the
// frame's whatever becomes of the hidden window, whose back buffer a driver may leave undefined
// while the window isn't on screen; Windows' own software OpenGL has none, and the back buffer
// serves there.
class Offscreen
{
  public:
    // Draws to come go into a target of `size`; false where there can be none.
    bool bind(const SbVec2s &size)
    {
        if (!loaded)
            load();
        if (!framebuffer)
            return false;
        bind_framebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
        if (size != bound_size) {
            bind_renderbuffer(GL_RENDERBUFFER_EXT, buffers[0]);
            renderbuffer_storage(GL_RENDERBUFFER_EXT, GL_RGBA8, size[0], size[1]);
            bind_renderbuffer(GL_RENDERBUFFER_EXT, buffers[1]);
            renderbuffer_storage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, size[0], size[1]);
            attach(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, buffers[0]);
            attach(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, buffers[1]);
            if (check_status(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
                bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
                framebuffer = 0; // not of this size, nor of another: the back buffer from now on
                return false;
            }
            bound_size = size;
        }
        return true;
    }

  private:
    template <class Call> void find(Call &call, const char *name)
    {
        call = reinterpret_cast<Call>(reinterpret_cast<void *>(wglGetProcAddress(name)));
    }

    void load(void)
    {
        loaded = true;
        find(gen_framebuffers, "glGenFramebuffersEXT");
        find(bind_framebuffer, "glBindFramebufferEXT");
        find(gen_renderbuffers, "glGenRenderbuffersEXT");
        find(bind_renderbuffer, "glBindRenderbufferEXT");
        find(renderbuffer_storage, "glRenderbufferStorageEXT");
        find(attach, "glFramebufferRenderbufferEXT");
        find(check_status, "glCheckFramebufferStatusEXT");
        if (!gen_framebuffers || !bind_framebuffer || !gen_renderbuffers || !bind_renderbuffer ||
            !renderbuffer_storage || !attach || !check_status)
            return;
        gen_framebuffers(1, &framebuffer);
        gen_renderbuffers(2, buffers);
    }

    bool loaded = false;
    GLuint framebuffer = 0;
    GLuint buffers[2] = {}; // colour, depth
    SbVec2s bound_size = SbVec2s(0, 0);
    PFNGLGENFRAMEBUFFERSEXTPROC gen_framebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEREXTPROC bind_framebuffer = nullptr;
    PFNGLGENRENDERBUFFERSEXTPROC gen_renderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEREXTPROC bind_renderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbuffer_storage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC attach = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC check_status = nullptr;
};

const wchar_t surface_class[] = L"OverlayPlaneGLSurface";

void register_surface_class(HINSTANCE instance)
{
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, surface_class, &existing))
        return;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = instance;
    window_class.lpszClassName = surface_class;
    RegisterClassExW(&window_class);
}

class CopiedSurface : public GlSurface
{
  public:
    CopiedSurface();
    ~CopiedSurface() override;
    bool begin(const SbVec2s &size) override;
    // Copies the frame into `dc`, its bottom row last.
    void present(HDC dc, const SbVec2s &size) override;

  private:
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    Offscreen offscreen;
    std::vector<unsigned char> pixels; // the last frame, on its way to the window
};

CopiedSurface::CopiedSurface()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    register_surface_class(instance);
    window = CreateWindowExW(WS_EX_TOOLWINDOW, surface_class, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                             nullptr, instance, nullptr);
    dc = window ? GetDC(window) : nullptr;
    context = dc ? create_viewer_context(dc) : nullptr;
}

CopiedSurface::~CopiedSurface()
{
    if (context) {
        if (wglGetCurrentContext() == context)
            wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    if (window)
        DestroyWindow(window);
}

bool CopiedSurface::begin(const SbVec2s &size)
{
    if (!context || !wglMakeCurrent(dc, context))
        return false;
    if (!offscreen.bind(size)) {
        RECT drawn = {0, 0, 0, 0};
        GetClientRect(window, &drawn);
        if (drawn.right != size[0] || drawn.bottom != size[1]) {
            SetWindowPos(window, nullptr, 0, 0, size[0], size[1],
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            // Mesa's software rasteriser takes a new window size at a swap; nothing shows.
            SwapBuffers(dc);
        }
        glReadBuffer(GL_BACK);
    }
    return true;
}

void CopiedSurface::present(HDC target, const SbVec2s &size)
{
    pixels.resize(size_t(4) * size[0] * size[1]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size[0], size[1], GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.data());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size[0];
    info.bmiHeader.biHeight = size[1]; // bottom row first, as GL reads them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(target, 0, 0, size[0], size[1], 0, 0, 0, size[1], pixels.data(), &info,
                      DIB_RGB_COLORS);
}

} // namespace

std::unique_ptr<GlSurface> make_copied_surface(void)
{
    return std::make_unique<CopiedSurface>();
}

} // namespace sowin_standin
