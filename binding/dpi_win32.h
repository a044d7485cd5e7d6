// The dots per inch a window of the viewer is drawn at, and what follows a change of them
// (WM_DPICHANGED: the window moved to a monitor at another scale, or the scale changed).
// Calls newer than Windows 7 are looked up at run time; without them the system's dpi serves.
// Requires: Win32 (user32, gdi32). Does not: lay anything out; the windows that get
// WM_DPICHANGED_AFTERPARENT do that at window_dpi().
#pragma once

#include <windows.h>

// Messages of Windows 8.1 and 10 that older SDK headers lack.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace sowin_standin
{

// A user32 call newer than Windows 7, looked up at run time; null where the system lacks it.
template <class Call> Call user32_call(const char *name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(user32, name)))
                  : nullptr;
}

// The system's dpi (the primary monitor's at log-on); 96 where the screen can't be asked.
int system_dpi(void);

// The dpi of `window`'s top-level window: the last WM_DPICHANGED's, else the one Windows gives
// it (GetDpiForWindow, Windows 10 1607 on), else the system's. 96 is 100 %.
int window_dpi(HWND window);

// `client` grown by the frame of a window of `style` and `extended_style` at `dpi`.
RECT window_rect_for_client(const RECT &client, DWORD style, DWORD extended_style, int dpi);

// The system's message font at `dpi`.
LOGFONTW message_font_for_dpi(int dpi);

// Carries out WM_DPICHANGED for the top-level `window`: keeps the new dpi, tells the child
// windows (WM_DPICHANGED_AFTERPARENT) so that they lay themselves out at it, and gives the
// window the rectangle that the message suggests. Returns the message's result.
LRESULT follow_dpi_change(HWND window, WPARAM wparam, LPARAM lparam);

// Drops what follow_dpi_change kept for `window`; called as it is destroyed.
void forget_window_dpi(HWND window);

} // namespace sowin_standin
