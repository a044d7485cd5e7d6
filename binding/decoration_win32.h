// The examiner viewer's decoration on Win32: the RotX, RotY and Dolly thumbwheels with their
// labels around the render area, the column of buttons beside it, and the pop-up menu.
// Requires: Win32 (user32, gdi32) and a parent window of the viewer's. Does not: draw the scene,
// know about Coin, or move the camera itself; it asks the viewer through ExaminerControls.
#pragma once

#include "draw_style.h"

#include <windows.h>

namespace sowin_standin
{

// What the decoration's wheels and buttons and the pop-up menu ask of the viewer. The viewer
// (components_win32.cpp) fills it; the decoration only calls it.
class ExaminerControls
{
  public:
    virtual ~ExaminerControls() = default;
    // A thumbwheel turned by `radians` since the last call (drag or mouse wheel over it).
    virtual void rotateAboutX(float radians) = 0;
    virtual void rotateAboutY(float radians) = 0;
    // Positive moves the camera towards what it looks at.
    virtual void dolly(float radians) = 0;
    virtual void goHome(void) = 0;
    virtual void saveHome(void) = 0;
    virtual void viewAll(void) = 0;
    // The pick (arrow) and view (hand) buttons, and the menu's "Viewing" entry.
    virtual void setViewing(bool viewing) = 0;
    virtual bool isViewing(void) const = 0;
    virtual void setDrawStyle(DrawStyle style) = 0;
    virtual DrawStyle drawStyle(void) const = 0;
    // The menu's "Decorations" entry: the viewer shows or hides the decoration and lays
    // itself out again.
    virtual void setDecorated(bool on) = 0;
    virtual bool isDecorated(void) const = 0;
    // The Seek button and menu entry: the next click on the scene moves the camera towards
    // the point clicked.
    virtual void setSeekMode(bool on) = 0;
    virtual bool isSeekMode(void) const = 0;
    // The Camera Type button: perspective and orthographic in turn.
    virtual void toggleCameraType(void) = 0;
    virtual void setHeadlight(bool on) = 0;
    virtual bool isHeadlight(void) const = 0;
    // The menu's "Fullscreen" entry: the viewer's top-level window covers its monitor, or
    // goes back to where it was.
    virtual void setFullscreen(bool on) = 0;
    virtual bool isFullscreen(void) const = 0;
};

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

// Opens the examiner's pop-up menu at `screen_point` (right button released over the render
// area), waits for the user's choice or Escape, and carries the chosen entry out through
// `controls`. Returns when the menu has closed.
void run_popup_menu(HWND owner, POINT screen_point, ExaminerControls &controls);

} // namespace sowin_standin
