// The examiner viewer behind the SoWin classes on Win32: its windows (a frame holding the
// render area and the decoration), the mouse and keys on the render area, and each frame drawn
// through the GL surface with the overlay over it. The graph and the camera handling are
// examiner_scene.cpp's, the drags examiner_drag.cpp's; the dpi, dpi_win32.cpp's.
#include "decoration_win32.h"
#include "dpi_win32.h"
#include "examiner_drag.h"
#include "examiner_scene.h"
#include "gl_surface_win32.h"
#include "overlay_emulation.h"
#include "popup_menu_win32.h"
#include "real_time_gate.h"
#include "viewer_backend.h"
#include "window_win32.h"

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/Win/viewers/SoWinFullViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/events/SoLocation2Event.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/system/gl.h>

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <string>

namespace sowin_standin
{

namespace
{

const wchar_t frame_class[] = L"OverlayPlaneViewerFrame";
const wchar_t area_class[] = L"OverlayPlaneRenderArea";
// The size a viewer gives its top-level window, in pixels at 96 dpi (100 %).
const int default_width = 500;
const int default_height = 390;

// The buttons and keys a mouse message says are held.
HeldInput held_in(WPARAM keys)
{
    HeldInput held;
    held.left = keys & MK_LBUTTON;
    held.middle = keys & MK_MBUTTON;
    held.shift = keys & MK_SHIFT;
    held.control = keys & MK_CONTROL;
    return held;
}

LRESULT CALLBACK frame_procedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK area_procedure(HWND, UINT, WPARAM, LPARAM);

void register_classes(void)
{
    WNDCLASSEXW window_class = {};
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpfnWndProc = frame_procedure;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = frame_class;
    register_window_class(window_class);
    window_class.lpfnWndProc = area_procedure;
    // A device context of its own, which keeps the pixel format that OpenGL draws with.
    window_class.style = CS_OWNDC;
    window_class.hbrBackground = nullptr;
    window_class.hCursor = nullptr; // set on WM_SETCURSOR: a cross while seeking
    window_class.lpszClassName = area_class;
    register_window_class(window_class);
}

class Win32Examiner : public ViewerBackend, public ExaminerControls
{
  public:
    Win32Examiner(HWND parent, int build_flag);
    ~Win32Examiner() override;

    void setTitle(const char *title) override
    {
        if (frame)
            SetWindowTextW(GetAncestor(frame, GA_ROOT), from_ansi(title).c_str());
    }

    void show(void) override
    {
        if (frame)
            ShowWindow(frame, SW_SHOW);
    }

    void setSceneGraph(SoNode *new_scene) override
    {
        seek_mode = false;
        scene.setSceneGraph(new_scene, region());
        scheduleRedraw();
    }

    void setOverlayColorMap(int start, int count, const SbColor *colors) override
    {
        overlay.setColorMap(start, count, colors);
    }

    void setOverlaySceneGraph(SoNode *overlay_scene) override
    {
        overlay.setSceneGraph(overlay_scene);
    }

    void rotateAboutX(float radians) override
    {
        scene.reorient(SbRotation(SbVec3f(1, 0, 0), radians));
    }

    void rotateAboutY(float radians) override
    {
        scene.reorient(SbRotation(SbVec3f(0, 1, 0), radians));
    }

    void dolly(float radians) override
    {
        scene.dolly(radians);
    }

    void goHome(void) override
    {
        scene.goHome();
    }

    void saveHome(void) override
    {
        scene.saveHome();
    }

    void viewAll(void) override
    {
        scene.viewAll(region());
    }

    void setViewing(bool on) override
    {
        viewing = on;
        drag.stop();
        if (!on)
            seek_mode = false;
        refreshDecoration();
    }

    bool isViewing(void) const override
    {
        return viewing;
    }

    void setDrawStyle(DrawStyle style) override
    {
        scene.setDrawStyle(style);
    }

    DrawStyle drawStyle(void) const override
    {
        return scene.drawStyle();
    }

    void setDecorated(bool on) override
    {
        if (!decoration)
            return;
        decorated = on;
        decoration->setVisible(on);
        layout();
    }

    bool isDecorated(void) const override
    {
        return decoration && decorated;
    }

    // Seeking is a way of viewing: outside viewing the scene gets the clicks.
    void setSeekMode(bool on) override
    {
        seek_mode = on && viewing && scene.sceneGraph();
        refreshDecoration();
    }

    bool isSeekMode(void) const override
    {
        return seek_mode;
    }

    void toggleCameraType(void) override
    {
        scene.toggleCameraType();
    }

    void setHeadlight(bool on) override
    {
        scene.setHeadlight(on);
    }

    bool isHeadlight(void) const override
    {
        return scene.isHeadlight();
    }

    void setFullscreen(bool on) override
    {
        fullscreen.set(frame ? GetAncestor(frame, GA_ROOT) : nullptr, on);
    }

    bool isFullscreen(void) const override
    {
        return fullscreen.isOn();
    }

    LRESULT frameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT areaMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  private:
    static void sceneChanged(void *data)
    {
        static_cast<Win32Examiner *>(data)->scheduleRedraw();
    }

    void scheduleRedraw(void)
    {
        if (area)
            InvalidateRect(area, nullptr, FALSE);
    }

    void refreshDecoration(void)
    {
        if (decoration)
            decoration->refresh();
    }

    void layout(void);
    void paint(void);
    SbViewportRegion region(void) const;
    SbVec2f normalized(LPARAM lparam) const;
    void sendToScene(SoEvent &event, WPARAM keys, LPARAM lparam);
    void mouseButton(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    const int build_flag;
    HWND frame = nullptr;
    HWND area = nullptr;
    std::unique_ptr<GlSurface> surface;
    std::unique_ptr<Decoration> decoration;
    bool decorated = false;

    ExaminerScene scene;
    SoGLRenderAction *action;
    OverlayEmulation overlay;

    bool viewing = true;
    bool seek_mode = false;
    ExaminerDrag drag;
    FullscreenWindow fullscreen;
};

Win32Examiner *viewer_of(HWND window, UINT message, LPARAM lparam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams));
    return reinterpret_cast<Win32Examiner *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK frame_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    Win32Examiner *viewer = viewer_of(window, message, lparam);
    return viewer ? viewer->frameMessage(window, message, wparam, lparam)
                  : DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK area_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    Win32Examiner *viewer = viewer_of(window, message, lparam);
    return viewer ? viewer->areaMessage(window, message, wparam, lparam)
                  : DefWindowProcW(window, message, wparam, lparam);
}

Win32Examiner::Win32Examiner(HWND parent, int build_flag)
    : build_flag(build_flag), scene(sceneChanged, this),
      action(new SoGLRenderAction(SbViewportRegion())), overlay([this] { scheduleRedraw(); })
{
    action->setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());

    register_classes();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    DWORD frame_style = parent ? WS_CHILD | WS_CLIPCHILDREN : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    frame = CreateWindowExW(0, frame_class, L"", frame_style, 0, 0, 0, 0, parent, nullptr, instance,
                            this);
    // The viewer's size at the dpi of the monitor its top-level window is on. An embedded
    // viewer fills its parent, and gives its top-level window that size.
    HWND top = parent ? GetAncestor(parent, GA_ROOT) : frame;
    int dpi = window_dpi(top ? top : frame);
    RECT client = {0, 0, MulDiv(default_width, dpi, 96), MulDiv(default_height, dpi, 96)};
    if (top && (top == parent || top == frame)) {
        RECT size = window_rect_for_client(client, GetWindowLongW(top, GWL_STYLE),
                                           GetWindowLongW(top, GWL_EXSTYLE), dpi);
        SetWindowPos(top, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (parent)
        GetClientRect(parent, &client);
    if (frame && parent)
        MoveWindow(frame, 0, 0, client.right, client.bottom, FALSE);
    area = CreateWindowExW(0, area_class, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           client.right, client.bottom, frame, nullptr, instance, this);
    if (area)
        surface = make_gl_surface(area);
    if (frame && (build_flag & SoWinFullViewer::BUILD_DECORATION)) {
        decoration = std::make_unique<Decoration>(frame, *this, dpi);
        decorated = true;
    }
    layout();
}

Win32Examiner::~Win32Examiner()
{
    delete action;
    decoration.reset();
    if (frame)
        DestroyWindow(frame);
}

LRESULT Win32Examiner::frameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
        layout();
        return 0;
    case WM_DPICHANGED: // only as a top-level window of its own
        return follow_dpi_change(window, wparam, lparam);
    case WM_PAINT:
        // Where the window comes back from being covered or hidden, wine 10 repaints the
        // area's parents but not the area, whose pixels OpenGL drew and wine didn't keep: the
        // area draws again whenever its frame paints.
        scheduleRedraw();
        break;
    case WM_SETFOCUS:
        if (area)
            SetFocus(area);
        return 0;
    case WM_DESTROY:
        forget_window_dpi(window);
        frame = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32Examiner::areaMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND: // GL draws every pixel of the area
        return 1;
    case WM_SIZE:
        scheduleRedraw();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lparam) != HTCLIENT)
            break;
        SetCursor(
            LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(seek_mode ? IDC_CROSS : IDC_ARROW)));
        return TRUE;
    case WM_KEYDOWN:
        // Escape switches between viewing and picking, as the Linux examiner's does.
        if (wparam == VK_ESCAPE) {
            setViewing(!viewing);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
        mouseButton(window, message, wparam, lparam);
        return 0;
    case WM_MOUSEMOVE:
        if (viewing) {
            drag.move(scene, held_in(wparam), normalized(lparam),
                      region().getViewportAspectRatio());
        } else {
            SoLocation2Event event;
            sendToScene(event, wparam, lparam);
        }
        return 0;
    case WM_CAPTURECHANGED:
        drag.stop();
        return 0;
    case WM_MOUSEWHEEL: {
        // The wheel reaches the window with the focus; over the decoration it is its own.
        POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        HWND under = WindowFromPoint(at);
        if (under && under != window && frame && IsChild(frame, under))
            return SendMessageW(under, message, wparam, lparam);
        scene.dolly(0.1f * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
        return 0;
    }
    case WM_CONTEXTMENU: {
        if (!(build_flag & SoWinFullViewer::BUILD_POPUP))
            break;
        POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (at.x == -1 && at.y == -1) { // from the keyboard: at the area's centre
            RECT client;
            GetClientRect(window, &client);
            at = {client.right / 2, client.bottom / 2};
            ClientToScreen(window, &at);
        }
        run_popup_menu(window, at, *this);
        // Under wine 10 nothing paints the area where the menu was (see WM_PAINT above).
        scheduleRedraw();
        return 0;
    }
    case WM_DESTROY:
        surface.reset();
        area = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void Win32Examiner::mouseButton(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    bool down = message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN;
    bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
    if (down) {
        SetFocus(window);
        SetCapture(window);
    } else if (!(wparam & (MK_LBUTTON | MK_MBUTTON))) {
        ReleaseCapture();
    }
    if (viewing && seek_mode && left && down) {
        // The click seeks, hit or miss, and ends seek mode; it starts no drag.
        seek_mode = false;
        SbViewportRegion viewport = region();
        short height = viewport.getWindowSize()[1];
        scene.seekTo(SbVec2s(static_cast<short>(GET_X_LPARAM(lparam)),
                             static_cast<short>(height - 1 - GET_Y_LPARAM(lparam))),
                     viewport);
        refreshDecoration();
        return;
    }
    if (viewing) {
        drag.start(held_in(wparam), normalized(lparam));
        return;
    }
    SoMouseButtonEvent event;
    event.setButton(left ? SoMouseButtonEvent::BUTTON1 : SoMouseButtonEvent::BUTTON3);
    event.setState(down ? SoButtonEvent::DOWN : SoButtonEvent::UP);
    sendToScene(event, wparam, lparam);
}

// The decoration, at the dpi of the window it is in now, and the render area in what it leaves.
void Win32Examiner::layout(void)
{
    if (!frame || !area)
        return;
    if (decoration)
        decoration->setDpi(window_dpi(frame));
    RECT client;
    GetClientRect(frame, &client);
    RECT place = decoration ? decoration->layout(client) : client;
    MoveWindow(area, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
}

// The area's client size in device pixels: what GL draws into.
SbViewportRegion Win32Examiner::region(void) const
{
    RECT client = {0, 0, 1, 1};
    if (area)
        GetClientRect(area, &client);
    return SbViewportRegion(static_cast<short>(std::clamp<LONG>(client.right, 1, 32767)),
                            static_cast<short>(std::clamp<LONG>(client.bottom, 1, 32767)));
}

void Win32Examiner::paint(void)
{
    PAINTSTRUCT paint_info;
    HDC area_dc = BeginPaint(area, &paint_info);
    SbViewportRegion viewport = region();
    SbVec2s size = viewport.getWindowSize();
    if (surface && surface->begin(size)) {
        action->setViewportRegion(viewport);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.render(*action, viewport);
        overlay.render(viewport, *action, !scene.sceneGraph());
        surface->present(area_dc, size);
    }
    EndPaint(area, &paint_info);
    update_real_time_after_redraw();
}

// The pointer in the area's normalised coordinates: 0 to 1, left to right and bottom to top.
SbVec2f Win32Examiner::normalized(LPARAM lparam) const
{
    SbVec2s size = region().getWindowSize();
    return SbVec2f((GET_X_LPARAM(lparam) + 0.5f) / size[0],
                   1.0f - (GET_Y_LPARAM(lparam) + 0.5f) / size[1]);
}

// Outside viewing mode the scene gets the mouse, as its own event handlers expect it.
void Win32Examiner::sendToScene(SoEvent &event, WPARAM keys, LPARAM lparam)
{
    SbViewportRegion viewport = region();
    short height = viewport.getWindowSize()[1];
    event.setPosition(SbVec2s(static_cast<short>(GET_X_LPARAM(lparam)),
                              static_cast<short>(height - 1 - GET_Y_LPARAM(lparam))));
    event.setTime(SbTime::getTimeOfDay());
    event.setShiftDown((keys & MK_SHIFT) != 0);
    event.setCtrlDown((keys & MK_CONTROL) != 0);
    event.setAltDown(GetKeyState(VK_MENU) < 0);
    SoHandleEventAction handler(viewport);
    handler.setEvent(&event);
    handler.apply(scene.root());
}

} // namespace

ViewerBackend *new_examiner_backend(HWND parent, const char *, int, int build_flag, int)
{
    return new Win32Examiner(parent, build_flag);
}

} // namespace sowin_standin
