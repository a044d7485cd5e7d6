// Small helpers that the viewer's Win32 windows share: the API's strings in wide form, a window
// class registered once, and full screen for a top-level window.
// Requires: Win32 (user32). Does not: create windows, or lay out what is inside them.
#pragma once

#include <windows.h>

#include <string>

namespace sowin_standin
{

// `text` from the ANSI code page, as the API's strings (the application name, the title) and
// the program's arguments come, in the wide form the Win32 calls take.
std::wstring from_ansi(const char *text);

// Registers `wanted` (its size and module filled in here) unless a class of its name already
// is registered in the program's module.
void register_window_class(WNDCLASSEXW wanted);

// A top-level window made to cover its monitor without a frame, and put back as it was.
class FullscreenWindow
{
  public:
    // Covers the monitor that `top` is on, or gives `top` back its frame and place. Does
    // nothing where it already is so.
    void set(HWND top, bool on);
    bool isOn(void) const
    {
        return on;
    }

  private:
    bool on = false;
    // Where the window was, and how it looked, before it went full screen.
    WINDOWPLACEMENT placement_before = {};
    LONG_PTR style_before = 0;
};

} // namespace sowin_standin
