// SoWin stand-in: the Windows binding's start-up, show and event-loop calls.
// Requires: a display with OpenGL (Linux: X11 with GLX, through SoQt and Qt 5; Windows: Win32
// with WGL). Does not: offer the rest of SoWin; only the calls this program makes are here.
#pragma once

// The top-level window handle, declared as <windows.h> declares it.
struct HWND__;
typedef HWND__ *HWND;

class SoWin
{
  public:
    // Initialises the window system, Coin and the binding, and returns the main window,
    // registered under `classname`. Without a usable display it says so in one line on
    // stderr and ends the process with status 1.
    static HWND init(const char *appname, const char *classname = "SoWin");
    static void show(HWND widget);
    // Runs until the main window is closed.
    static void mainLoop(void);
};
