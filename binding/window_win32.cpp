// Window class registration and full screen, shared by the viewer's Win32 windows.
#include "window_win32.h"

namespace sowin_standin
{

std::wstring from_ansi(const char *text)
{
    if (!text || !*text)
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1)); // without the terminating null
    return wide;
}

void register_window_class(WNDCLASSEXW wanted)
{
    wanted.cbSize = sizeof wanted;
    wanted.hInstance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(wanted.hInstance, wanted.lpszClassName, &existing))
        RegisterClassExW(&wanted);
}

void FullscreenWindow::set(HWND top, bool wanted)
{
    if (!top || wanted == on)
        return;
    if (wanted) {
        placement_before.length = sizeof placement_before;
        GetWindowPlacement(top, &placement_before);
        style_before = GetWindowLongPtrW(top, GWL_STYLE);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(top, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT &whole = monitor.rcMonitor;
        SetWindowLongPtrW(top, GWL_STYLE, (style_before & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
        SetWindowPos(top, HWND_TOP, whole.left, whole.top, whole.right - whole.left,
                     whole.bottom - whole.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    } else {
        SetWindowLongPtrW(top, GWL_STYLE, style_before);
        SetWindowPlacement(top, &placement_before);
        SetWindowPos(top, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    }
    on = wanted;
}

} // namespace sowin_standin
