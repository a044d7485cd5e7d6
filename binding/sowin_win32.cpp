// SoWin's start-up, show and event loop on Win32: the main window, a check that WGL can give
// the viewer what it needs, and a message loop that also runs Coin's sensor queues.
#include <Inventor/Win/SoWin.h>

#include "dll_search_win32.h"
#include "dpi_win32.h"
#include "program_icon_win32.h"
#include "sowin_win32.h"
#include "window_win32.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInteraction.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{

HWND main_window = nullptr;
const UINT_PTR sensor_timer = 1;

enum class Lack { NOTHING, WINDOW, OPENGL, PIXEL_FORMAT, CONTEXT };

// Asked of a window of its own that never shows: a window's pixel format can be set only
// once, and the viewer's render area sets its own.
Lack check_opengl(void)
{
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    HDC dc = probe ? GetDC(probe) : nullptr;
    if (!dc) {
        if (probe)
            DestroyWindow(probe);
        return Lack::WINDOW;
    }
    Lack lack = Lack::NOTHING;
    HGLRC context = nullptr;
    int format = 0;
    PIXELFORMATDESCRIPTOR description;
    // With no format at all the driver has no OpenGL to offer.
    if (DescribePixelFormat(dc, 1, sizeof description, nullptr) == 0)
        lack = Lack::OPENGL;
    else if (!(format = sowin_standin::choose_viewer_pixel_format(dc)))
        lack = Lack::PIXEL_FORMAT;
    else if (!DescribePixelFormat(dc, format, sizeof description, &description) ||
             !SetPixelFormat(dc, format, &description) || !(context = wglCreateContext(dc)) ||
             !wglMakeCurrent(dc, context))
        lack = Lack::CONTEXT;
    if (context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    ReleaseDC(probe, dc);
    DestroyWindow(probe);
    return lack;
}

// A GUI program started from Explorer or a shortcut has no standard error: the line then
// shows in a message box, so that a failure is never silent.
[[noreturn]] void fail(const char *appname, const char *reason)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    bool has_stderr =
        error && error != INVALID_HANDLE_VALUE && GetFileType(error) != FILE_TYPE_UNKNOWN;
    if (!has_stderr || fprintf(stderr, "%s: %s\n", appname, reason) < 0 || fflush(stderr) != 0)
        MessageBoxW(nullptr, sowin_standin::from_ansi(reason).c_str(),
                    sowin_standin::from_ansi(appname).c_str(), MB_OK | MB_ICONERROR);
    exit(1);
}

void require_opengl(const char *appname)
{
    if (!sowin_standin::load_system_opengl())
        fail(appname, "the system's OpenGL library (opengl32.dll) could not be loaded");
    switch (check_opengl()) {
    case Lack::NOTHING:
        return;
    case Lack::WINDOW:
        fail(appname, "cannot create a window on this desktop");
    case Lack::OPENGL:
        fail(appname, "the display has no OpenGL support (no pixel formats)");
    case Lack::PIXEL_FORMAT:
        fail(appname, "the display has no OpenGL pixel format with RGBA colour, double "
                      "buffering and a depth buffer");
    case Lack::CONTEXT:
        fail(appname, "the display gives no OpenGL (WGL) context");
    }
}

// Coin's timer sensors run from one Win32 timer, set only while one of them is pending.
void arm_sensor_timer(void)
{
    if (!main_window)
        return;
    SbTime due;
    if (SoDB::getSensorManager()->isTimerSensorPending(due)) {
        // In seconds: getMsecValue() is unsigned, and a sensor already due (its processing fell
        // behind) would come out as a wait of hours.
        double wait = (due - SbTime::getTimeOfDay()).getValue() * 1000;
        UINT milliseconds = static_cast<UINT>(std::clamp(wait, 0.0, 1e7));
        SetTimer(main_window, sensor_timer, std::max<UINT>(milliseconds, USER_TIMER_MINIMUM),
                 nullptr);
    } else {
        KillTimer(main_window, sensor_timer);
    }
}

void sensor_queues_changed(void *)
{
    arm_sensor_timer();
}

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SIZE:
        // The embedded viewer fills the main window.
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            MoveWindow(child, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (HWND child = GetWindow(window, GW_CHILD))
            SetFocus(child);
        return 0;
    case WM_TIMER:
        if (wparam != sensor_timer)
            break;
        SoDB::getSensorManager()->processTimerQueue();
        arm_sensor_timer();
        return 0;
    case WM_DPICHANGED: // moved to a monitor at another scale, or the scale changed
        if (window == main_window)
            sowin_standin::update_class_icons(window, HIWORD(wparam));
        return sowin_standin::follow_dpi_change(window, wparam, lparam);
    case WM_DESTROY:
        sowin_standin::forget_window_dpi(window);
        if (window == main_window) {
            main_window = nullptr;
            PostQuitMessage(0);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

namespace sowin_standin
{

int choose_viewer_pixel_format(HDC dc)
{
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = needed;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 24;
    wanted.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &wanted);
    PIXELFORMATDESCRIPTOR got;
    if (!format || !DescribePixelFormat(dc, format, sizeof got, &got))
        return 0;
    // ChoosePixelFormat answers with its nearest match, which may lack what was asked for.
    bool usable =
        (got.dwFlags & needed) == needed && got.iPixelType == PFD_TYPE_RGBA && got.cDepthBits > 0;
    return usable ? format : 0;
}

HGLRC create_viewer_context(HDC dc)
{
    int format = choose_viewer_pixel_format(dc);
    PIXELFORMATDESCRIPTOR description;
    if (!format || !DescribePixelFormat(dc, format, sizeof description, &description) ||
        !SetPixelFormat(dc, format, &description))
        return nullptr;
    return wglCreateContext(dc);
}

} // namespace sowin_standin

HWND SoWin::init(const char *appname, const char *classname)
{
    if (!appname)
        appname = "overlay-plane";
    if (!classname)
        classname = "SoWin";
    // First of all: opengl32 from the system folder (require_opengl loads it), before
    // anything loads a DLL by name. The program's manifest makes it aware of each monitor's
    // dpi before any window exists.
    require_opengl(appname);
    SoInteraction::init(); // Coin's database, node kits and draggers, as SoWin's init does

    const std::wstring class_name = sowin_standin::from_ansi(classname);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = main_window_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    sowin_standin::fill_class_icons(window_class);
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = class_name.c_str();
    RegisterClassExW(&window_class);
    main_window = CreateWindowExW(0, class_name.c_str(), sowin_standin::from_ansi(appname).c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  window_class.hInstance, nullptr);
    // A window that opens on a monitor at another scale than the system's.
    if (main_window)
        sowin_standin::update_class_icons(main_window);
    SoDB::getSensorManager()->setChangedCallback(sensor_queues_changed, nullptr);
    return main_window;
}

void SoWin::show(HWND widget)
{
    ShowWindow(widget, SW_SHOWNORMAL);
    UpdateWindow(widget);
}

void SoWin::mainLoop(void)
{
    SoSensorManager *sensors = SoDB::getSensorManager();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Delay sensors (redraws, scene changes) run once the messages are handled.
        if (sensors->isDelaySensorPending()) {
            sensors->processDelayQueue(TRUE);
            continue;
        }
        WaitMessage();
    }
}
