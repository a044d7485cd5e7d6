// SoWin stand-in: the Windows binding's start-up, show and event-loop calls, on SoQt.
// Requires: SoQt 1.6 with Qt 5 and an X11 display (XWayland serves in a Wayland session).
// Does not: offer the rest of SoWin; only the calls this program makes are here.
#pragma once

// The top-level window handle, opaque as on Windows.
struct HWND__;
typedef HWND__ *HWND;

class SoWin
{
  public:
    // Initialises Qt, Coin and SoQt and returns the main window. Without a usable
    // display it says so in one line on stderr and ends the process with status 1.
    static HWND init(const char *appname, const char *classname = "SoWin");
    static void show(HWND widget);
    // Runs until the last top-level window is closed.
    static void mainLoop(void);
};
