// The main window's icons: the program's own icon group (PROGRAM_ICON_ID in its resources),
// drawn for the window's dpi, as the window class's big and small icons.
// Requires: Win32 (user32, gdi32); Windows 7 or later. Does not: make or embed the icon (the
// program's resources do) or lay anything else out for a dpi.
#pragma once

#include <windows.h>

namespace sowin_standin
{

// Fills in the icons of a class about to be registered, drawn for the system's dpi: the
// program's own, or Windows' generic one where the program has none.
void fill_class_icons(WNDCLASSEXW &window_class);

// Gives the class of `window` the program's icons drawn for `dpi`; 0 means the window's own
// dpi. Nothing changes where the program has no icon of its own.
void update_class_icons(HWND window, int dpi = 0);

} // namespace sowin_standin
