// The examiner viewer's decoration on Win32: the edges around the render area holding the
// RotX, RotY and Dolly thumbwheels with their labels, and the column of buttons beside it.
// Requires: Win32 (user32, gdi32) and a parent window of the viewer's. Does not: draw the scene,
// know about Coin, or move the camera itself; it asks the viewer through ExaminerControls.
#pragma once

#include "examiner_controls.h"

#include <windows.h>

namespace sowin_standin
{

// The decoration's child windows inside `parent`, sized for `dpi` (96 is 100 %).
class Decoration
{
  public:
    Decoration(HWND parent, ExaminerControls &controls, int dpi);
    ~Decoration();
    Decoration(const Decoration &) = delete;
    Decoration &operator=(const Decoration &) = delete;

    // Draws the decoration at `dpi` from now on: its font, icons and sizes. The viewer lays
    // it out again afterwards.
    void setDpi(int dpi);
    int dpi(void) const;
    // Places the decoration in `client` (the parent's client rectangle) and returns the
    // rectangle left for the render area. Hidden, it takes no room and returns `client`.
    RECT layout(const RECT &client);
    void setVisible(bool visible);
    // Called after the viewer's state changed (viewing mode), so the buttons show it.
    void refresh(void);

  private:
    struct Windows;
    Windows *windows;
};

} // namespace sowin_standin
