// Small helpers that the viewer's Win32 windows share: a window class registered once, and
// full screen for a top-level window.
// Requires: Win32 (user32). Does not: create windows, or lay out what is inside them.
#pragma once

#include <windows.h>

namespace sowin_standin
{

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
