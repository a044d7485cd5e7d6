// The examiner viewer behind the SoWin classes on Win32: a WGL render area beside the
// decoration, the examiner's camera handling on the normal scene, and the overlay drawn over
// every frame.
#include "decoration_win32.h"
#include "overlay_emulation.h"
#include "real_time_gate.h"
#include "sowin_win32.h"
#include "viewer_backend.h"

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/Win/viewers/SoWinFullViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/events/SoLocation2Event.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoPolygonOffset.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/projectors/SbSphereSheetProjector.h>
#include <Inventor/sensors/SoNodeSensor.h>
#include <Inventor/system/gl.h>

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace sowin_standin
{

namespace
{

const char frame_class[] = "SoWinViewerFrame";
const char area_class[] = "SoWinGLArea";
const char surface_class[] = "SoWinGLSurface";
// The size a viewer gives its top-level window, in pixels at 96 dpi (100 %).
const int default_width = 500;
const int default_height = 390;
// The root's first children, always there: the draw-style overrides and the headlight.
const int fixed_nodes = 4;

enum class Drag { none, rotate, pan, dolly };

// The examiner's mouse bindings: left rotates, middle or Shift+left pans, Ctrl+left or
// left+middle dollies.
Drag drag_for(WPARAM keys)
{
    bool left = keys & MK_LBUTTON, middle = keys & MK_MBUTTON, control = keys & MK_CONTROL;
    if ((left && middle) || (control && (left || middle)))
        return Drag::dolly;
    if (middle || (left && (keys & MK_SHIFT)))
        return Drag::pan;
    return left ? Drag::rotate : Drag::none;
}

SbVec3f view_direction(const SoCamera &camera)
{
    SbVec3f direction;
    camera.orientation.getValue().multVec(SbVec3f(0, 0, -1), direction);
    return direction;
}

SoCamera *first_camera_in(SoNode *scene)
{
    SoSearchAction search;
    search.setType(SoCamera::getClassTypeId());
    search.setInterest(SoSearchAction::FIRST);
    search.apply(scene);
    SoPath *path = search.getPath();
    return path ? static_cast<SoCamera *>(path->getTail()) : nullptr;
}

LRESULT CALLBACK frame_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK area_proc(HWND, UINT, WPARAM, LPARAM);

void register_classes(void)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.lpfnWndProc = frame_proc;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = frame_class;
    RegisterClassExA(&window_class);
    window_class.lpfnWndProc = area_proc;
    window_class.hbrBackground = nullptr;
    window_class.lpszClassName = area_class;
    RegisterClassExA(&window_class);
    // OpenGL keeps its pixel format in the device context: one of its own for the surface.
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = surface_class;
    RegisterClassExA(&window_class);
}

class Win32Examiner : public ViewerBackend, public ExaminerControls
{
  public:
    Win32Examiner(HWND parent, int build_flag);
    ~Win32Examiner() override;

    void setTitle(const char *title) override
    {
        if (frame)
            SetWindowTextA(GetAncestor(frame, GA_ROOT), title ? title : "");
    }

    void show(void) override
    {
        if (frame)
            ShowWindow(frame, SW_SHOW);
    }

    void setSceneGraph(SoNode *scene) override;

    void setOverlayColorMap(int start, int count, const SbColor *colors) override
    {
        overlay.setColorMap(start, count, colors);
    }

    void setOverlaySceneGraph(SoNode *scene) override
    {
        overlay.setSceneGraph(scene);
    }

    void rotateAboutX(float radians) override
    {
        reorient(SbRotation(SbVec3f(1, 0, 0), radians));
    }

    void rotateAboutY(float radians) override
    {
        reorient(SbRotation(SbVec3f(0, 1, 0), radians));
    }

    void dolly(float radians) override
    {
        dollyBy(radians);
    }

    void goHome(void) override;
    void saveHome(void) override;
    void viewAll(void) override;

    void setViewing(bool on) override
    {
        viewing = on;
        drag = Drag::none;
        if (decoration)
            decoration->refresh();
    }

    bool isViewing(void) const override
    {
        return viewing;
    }

    void setDrawStyle(DrawStyle style) override;

    DrawStyle drawStyle(void) const override
    {
        return draw_style;
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

    LRESULT frameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT areaMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  private:
    static void sceneChanged(void *data, SoSensor *)
    {
        static_cast<Win32Examiner *>(data)->scheduleRedraw();
    }

    void scheduleRedraw(void)
    {
        if (area)
            InvalidateRect(area, nullptr, FALSE);
    }

    // Sets the overrides for one pass of a frame without scheduling another frame.
    void switchOverrides(SoDrawStyle::Style style, bool offset)
    {
        style_override->enableNotify(FALSE);
        fill_offset->enableNotify(FALSE);
        style_override->style = style;
        fill_offset->on = offset;
        style_override->enableNotify(TRUE);
        fill_offset->enableNotify(TRUE);
    }

    void layout(void);
    void paint(void);
    void present(HDC area_dc, const SbVec2s &size);
    void fitClippingPlanes(const SbViewportRegion &region);
    SbViewportRegion region(void) const;
    SbVec2f normalized(LPARAM lparam) const;
    void startDrag(WPARAM keys, LPARAM lparam);
    void continueDrag(WPARAM keys, LPARAM lparam);
    void sendToScene(SoEvent &event, WPARAM keys, LPARAM lparam);
    void reorient(const SbRotation &rotation);
    void pan(const SbVec2f &from, const SbVec2f &to);
    void dollyBy(float amount);

    const int build_flag;
    HWND frame = nullptr;
    HWND area = nullptr;
    // OpenGL draws into a window that never shows, and each frame is copied into the render
    // area: wine (8.0) shows nothing that OpenGL draws into a child window, only what it
    // draws into a top-level one; an area that is a plain window shows the copy on both.
    HWND surface = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    std::unique_ptr<Decoration> decoration;
    bool decorated = false;
    std::vector<unsigned char> frame_pixels; // the last frame, on its way to the window

    // The viewer's own graph: the draw-style overrides, the headlight, the camera it added
    // (if it did), then the scene it was given.
    SoSeparator *root;
    SoDrawStyle *style_override;
    SoComplexity *complexity_override;
    SoPolygonOffset *fill_offset;
    SoNodeSensor root_watch;
    SoGLRenderAction *action;
    SoNode *scene = nullptr;
    SoCamera *camera = nullptr;
    SoCamera *home = nullptr;
    OverlayEmulation overlay;

    bool viewing = true;
    DrawStyle draw_style = DrawStyle::AS_IS;
    Drag drag = Drag::none;
    SbVec2f last_pointer;
    SbSphereSheetProjector projector{SbSphere(SbVec3f(0, 0, 0), 0.8f)};
};

Win32Examiner *viewer_of(HWND window, UINT message, LPARAM lparam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA *>(lparam)->lpCreateParams));
    return reinterpret_cast<Win32Examiner *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    Win32Examiner *viewer = viewer_of(window, message, lparam);
    return viewer ? viewer->frameMessage(window, message, wparam, lparam)
                  : DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK area_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    Win32Examiner *viewer = viewer_of(window, message, lparam);
    return viewer ? viewer->areaMessage(window, message, wparam, lparam)
                  : DefWindowProcA(window, message, wparam, lparam);
}

Win32Examiner::Win32Examiner(HWND parent, int build_flag)
    : build_flag(build_flag), root(new SoSeparator), style_override(new SoDrawStyle),
      complexity_override(new SoComplexity), fill_offset(new SoPolygonOffset),
      root_watch(sceneChanged, this), action(new SoGLRenderAction(SbViewportRegion())),
      overlay([this] { scheduleRedraw(); })
{
    root->ref();
    root->addChild(style_override);
    root->addChild(complexity_override);
    root->addChild(fill_offset);
    // Ahead of any camera a light shines along the view: it lights whatever the camera sees.
    root->addChild(new SoDirectionalLight);
    fill_offset->on = FALSE;
    // Hidden lines switch the overrides between two passes of one frame, which a cache of
    // the whole graph would not see; the scene's own separators still cache.
    root->renderCaching = SoSeparator::OFF;
    setDrawStyle(DrawStyle::AS_IS);
    root_watch.attach(root);
    action->setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());
    SbViewVolume unit;
    unit.ortho(-1, 1, -1, 1, -1, 1);
    projector.setViewVolume(unit);

    register_classes();
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // An embedded viewer fills its parent, and gives its top-level window the viewer's size.
    HWND top = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    if (top == parent && parent) {
        RECT size = {0, 0, MulDiv(default_width, dpi, 96), MulDiv(default_height, dpi, 96)};
        AdjustWindowRectEx(&size, GetWindowLongA(top, GWL_STYLE), FALSE,
                           GetWindowLongA(top, GWL_EXSTYLE));
        SetWindowPos(top, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client = {0, 0, MulDiv(default_width, dpi, 96), MulDiv(default_height, dpi, 96)};
    if (parent)
        GetClientRect(parent, &client);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    DWORD frame_style = parent ? WS_CHILD | WS_CLIPCHILDREN : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    frame = CreateWindowExA(0, frame_class, "", frame_style, 0, 0, client.right, client.bottom,
                            parent, nullptr, instance, this);
    area = CreateWindowExA(0, area_class, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           client.right, client.bottom, frame, nullptr, instance, this);
    surface = CreateWindowExA(WS_EX_TOOLWINDOW, surface_class, "", WS_POPUP, 0, 0, client.right,
                              client.bottom, nullptr, nullptr, instance, nullptr);
    dc = surface ? GetDC(surface) : nullptr;
    int format = dc ? choose_viewer_pixel_format(dc) : 0;
    PIXELFORMATDESCRIPTOR description;
    if (format && DescribePixelFormat(dc, format, sizeof description, &description) &&
        SetPixelFormat(dc, format, &description))
        context = wglCreateContext(dc);
    if (frame && (build_flag & SoWinFullViewer::BUILD_DECORATION)) {
        decoration = std::make_unique<Decoration>(frame, *this, dpi);
        decorated = true;
    }
    layout();
}

Win32Examiner::~Win32Examiner()
{
    root_watch.detach();
    if (home)
        home->unref();
    root->unref();
    delete action;
    decoration.reset();
    if (frame)
        DestroyWindow(frame);
}

void Win32Examiner::setSceneGraph(SoNode *new_scene)
{
    if (new_scene)
        new_scene->ref();
    while (root->getNumChildren() > fixed_nodes)
        root->removeChild(fixed_nodes);
    if (home)
        home->unref();
    home = nullptr;
    camera = nullptr;
    scene = new_scene;
    if (scene) {
        // A scene without a camera is shown through one the viewer adds, aimed at all of it.
        camera = first_camera_in(scene);
        bool added = !camera;
        if (added) {
            camera = new SoPerspectiveCamera;
            root->addChild(camera);
        }
        root->addChild(scene);
        if (added)
            viewAll();
        saveHome();
        scene->unrefNoDelete(); // the root holds it now
    }
    scheduleRedraw();
}

void Win32Examiner::goHome(void)
{
    if (camera && home && home->getTypeId() == camera->getTypeId())
        camera->copyFieldValues(home);
}

void Win32Examiner::saveHome(void)
{
    if (!camera)
        return;
    if (home)
        home->unref();
    home = static_cast<SoCamera *>(camera->copy());
    home->ref();
}

void Win32Examiner::viewAll(void)
{
    if (camera && scene)
        camera->viewAll(scene, region());
}

void Win32Examiner::setDrawStyle(DrawStyle style)
{
    draw_style = style;
    bool as_is = style == DrawStyle::AS_IS;
    style_override->style = style == DrawStyle::POINTS ? SoDrawStyle::POINTS : SoDrawStyle::LINES;
    style_override->style.setIgnored(as_is);
    style_override->setOverride(!as_is);
    bool boxes = style == DrawStyle::BOUNDING_BOX;
    complexity_override->type = SoComplexity::BOUNDING_BOX;
    complexity_override->type.setIgnored(!boxes);
    complexity_override->setOverride(boxes);
    scheduleRedraw();
}

LRESULT Win32Examiner::frameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_SETFOCUS:
        if (area)
            SetFocus(area);
        return 0;
    case WM_DESTROY:
        frame = nullptr;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
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
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
        if (message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN) {
            SetFocus(window);
            SetCapture(window);
        } else if (!(wparam & (MK_LBUTTON | MK_MBUTTON))) {
            ReleaseCapture();
        }
        if (viewing) {
            startDrag(wparam, lparam);
        } else {
            bool down = message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN;
            bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
            SoMouseButtonEvent event;
            event.setButton(left ? SoMouseButtonEvent::BUTTON1 : SoMouseButtonEvent::BUTTON3);
            event.setState(down ? SoButtonEvent::DOWN : SoButtonEvent::UP);
            sendToScene(event, wparam, lparam);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (viewing) {
            continueDrag(wparam, lparam);
        } else {
            SoLocation2Event event;
            sendToScene(event, wparam, lparam);
        }
        return 0;
    case WM_CAPTURECHANGED:
        drag = Drag::none;
        return 0;
    case WM_MOUSEWHEEL: {
        // The wheel reaches the window with the focus; over the decoration it is its own.
        POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        HWND under = WindowFromPoint(at);
        if (under && under != window && frame && IsChild(frame, under))
            return SendMessageA(under, message, wparam, lparam);
        dollyBy(0.1f * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
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
        return 0;
    }
    case WM_DESTROY:
        if (context) {
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(context);
            context = nullptr;
        }
        if (surface)
            DestroyWindow(surface);
        area = surface = nullptr;
        dc = nullptr;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void Win32Examiner::layout(void)
{
    if (!frame || !area)
        return;
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
    RECT drawn = {0, 0, 0, 0};
    if (surface)
        GetClientRect(surface, &drawn);
    if (drawn.right != size[0] || drawn.bottom != size[1]) {
        SetWindowPos(surface, nullptr, 0, 0, size[0], size[1],
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Mesa's software rasteriser takes a new window size at a swap; nothing shows.
        if (context && wglMakeCurrent(dc, context))
            SwapBuffers(dc);
    }
    if (context && wglMakeCurrent(dc, context)) {
        action->setViewportRegion(viewport);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (scene) {
            fitClippingPlanes(viewport);
            glEnable(GL_DEPTH_TEST); // the render action leaves it as it finds it

            if (draw_style == DrawStyle::HIDDEN_LINE) {
                // Filled faces first, into the depth buffer only and pushed back a little,
                // so that only the lines in front of them show.
                switchOverrides(SoDrawStyle::FILLED, true);
                glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                action->apply(root);
                glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                switchOverrides(SoDrawStyle::LINES, false);
            }
            action->apply(root);
        }
        overlay.render(viewport, *action, !scene);
        present(area_dc, size);
    }
    EndPaint(area, &paint_info);
    update_real_time_after_redraw();
}

// Copies the finished frame from the surface's back buffer into the render area.
void Win32Examiner::present(HDC area_dc, const SbVec2s &size)
{
    frame_pixels.resize(size_t(4) * size[0] * size[1]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, size[0], size[1], GL_BGRA_EXT, GL_UNSIGNED_BYTE, frame_pixels.data());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size[0];
    info.bmiHeader.biHeight = size[1]; // bottom row first, as GL reads them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(area_dc, 0, 0, size[0], size[1], 0, 0, 0, size[1], frame_pixels.data(), &info,
                      DIB_RGB_COLORS);
}

// Near and far planes around the scene's bounding sphere, as the camera now sees it, so that
// dollying never cuts the scene. Set quietly: the frame being drawn already uses them.
void Win32Examiner::fitClippingPlanes(const SbViewportRegion &viewport)
{
    SoGetBoundingBoxAction bounds(viewport);
    bounds.apply(root);
    SbBox3f box = bounds.getBoundingBox();
    if (box.isEmpty())
        return;
    SbSphere sphere;
    sphere.circumscribe(box);
    float radius = sphere.getRadius() * 1.01f + 1e-4f;
    float centre = view_direction(*camera).dot(sphere.getCenter() - camera->position.getValue());
    float far_plane = centre + radius;
    float near_plane = centre - radius;
    if (camera->isOfType(SoPerspectiveCamera::getClassTypeId()))
        near_plane = std::max(near_plane, far_plane * 0.001f);
    if (far_plane <= near_plane)
        return;
    camera->enableNotify(FALSE);
    camera->nearDistance = near_plane;
    camera->farDistance = far_plane;
    camera->enableNotify(TRUE);
}

// The pointer in the area's normalised coordinates: 0 to 1, left to right and bottom to top.
SbVec2f Win32Examiner::normalized(LPARAM lparam) const
{
    SbVec2s size = region().getWindowSize();
    return SbVec2f((GET_X_LPARAM(lparam) + 0.5f) / size[0],
                   1.0f - (GET_Y_LPARAM(lparam) + 0.5f) / size[1]);
}

void Win32Examiner::startDrag(WPARAM keys, LPARAM lparam)
{
    drag = drag_for(keys);
    last_pointer = normalized(lparam);
    if (drag == Drag::rotate)
        projector.project(last_pointer);
}

void Win32Examiner::continueDrag(WPARAM keys, LPARAM lparam)
{
    if (drag == Drag::none)
        return;
    if (drag_for(keys) != drag) { // a modifier key went down or up: start over from here
        startDrag(keys, lparam);
        return;
    }
    SbVec2f pointer = normalized(lparam);
    switch (drag) {
    case Drag::rotate: {
        SbRotation rotation;
        projector.projectAndGetRotation(pointer, rotation);
        rotation.invert(); // the scene follows the pointer: the camera turns the other way
        reorient(rotation);
        break;
    }
    case Drag::pan:
        pan(last_pointer, pointer);
        break;
    case Drag::dolly:
        dollyBy(2.0f * (pointer[1] - last_pointer[1]));
        break;
    case Drag::none:
        break;
    }
    last_pointer = pointer;
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
    handler.apply(root);
}

// Turns the camera about the point it looks at; `rotation` is in the camera's own frame.
void Win32Examiner::reorient(const SbRotation &rotation)
{
    if (!camera)
        return;
    float distance = camera->focalDistance.getValue();
    SbVec3f focal_point = camera->position.getValue() + distance * view_direction(*camera);
    camera->orientation = rotation * camera->orientation.getValue();
    camera->position = focal_point - distance * view_direction(*camera);
}

// Moves the camera in its view plane so that the point under `from` comes under `to`.
void Win32Examiner::pan(const SbVec2f &from, const SbVec2f &to)
{
    if (!camera)
        return;
    SbViewVolume volume = camera->getViewVolume(region().getViewportAspectRatio());
    SbPlane plane = volume.getPlane(camera->focalDistance.getValue());
    SbLine line;
    SbVec3f start, end;
    volume.projectPointToLine(from, line);
    plane.intersect(line, start);
    volume.projectPointToLine(to, line);
    plane.intersect(line, end);
    camera->position = camera->position.getValue() - (end - start);
}

// Positive `amount` brings the camera nearer the point it looks at (or narrows an
// orthographic view), by a factor of e to the `amount`.
void Win32Examiner::dollyBy(float amount)
{
    if (!camera)
        return;
    float factor = std::exp(-amount);
    if (camera->isOfType(SoOrthographicCamera::getClassTypeId())) {
        auto *orthographic = static_cast<SoOrthographicCamera *>(camera);
        orthographic->height = orthographic->height.getValue() * factor;
        return;
    }
    float distance = camera->focalDistance.getValue();
    SbVec3f focal_point = camera->position.getValue() + distance * view_direction(*camera);
    camera->focalDistance = distance * factor;
    camera->position = focal_point - distance * factor * view_direction(*camera);
}

} // namespace

ViewerBackend *new_examiner_backend(HWND parent, const char *, int, int build_flag, int)
{
    return new Win32Examiner(parent, build_flag);
}

} // namespace sowin_standin
