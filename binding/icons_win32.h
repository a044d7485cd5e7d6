// The pictures on the examiner decoration's buttons, drawn with GDI shapes at any size.
// Requires: Win32 gdi32 and a device context to draw into. Does not: draw the button around the
// picture, keep any GDI object past the call, or load anything from a file or resource.
#pragma once

#include <windows.h>

namespace sowin_standin
{

enum class ButtonIcon { PICK, VIEW, HOME, SET_HOME, VIEW_ALL, SEEK, CAMERA };

// Draws `icon` filling the square `box` (its side sets the scale; 20 pixels is 100 %).
void draw_button_icon(HDC dc, ButtonIcon icon, const RECT &box);

} // namespace sowin_standin
