// What the examiner's controls (its decoration's wheels and buttons, and its pop-up menu) ask of
// the viewer, as one interface that the Win32 viewer fills.
// Requires: nothing but the draw styles. Does not: know about windows, Win32 or Coin.
#pragma once

#include "draw_style.h"

namespace sowin_standin
{

// What the decoration's wheels and buttons and the pop-up menu ask of the viewer. The viewer
// (components_win32.cpp) fills it; the controls only call it.
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

} // namespace sowin_standin
