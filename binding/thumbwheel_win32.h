// The examiner's thumbwheels on Win32 (RotX, RotY and Dolly): a ridged wheel that turns as the
// pointer drags it or the mouse wheel rolls over it.
// Requires: Win32 (user32, gdi32) and a parent window. Does not: place itself (the decoration
// does), or move the camera; it reports each turn to ExaminerControls.
#pragma once

#include "examiner_controls.h"

#include <windows.h>

namespace sowin_standin
{

enum class Wheel { ROT_X, ROT_Y, DOLLY };

// The surface angle between two ridges: what one notch of the mouse wheel turns a thumbwheel.
constexpr double thumbwheel_ridge_step = 3.14159265358979323846 / 18;

// A thumbwheel window inside `parent`, named "RotX", "RotY" or "Dolly". RotX and Dolly stand
// upright and turn forwards when dragged up, RotY lies and turns forwards when dragged right,
// by the pointer's travel over the wheel's radius. Each turn calls rotateAboutX, rotateAboutY
// or dolly with its angle in radians.
HWND create_thumbwheel(HWND parent, Wheel which, ExaminerControls &controls);

} // namespace sowin_standin
