// The examiner's pop-up menu on Win32, as the Linux examiner shows it.
// Requires: Win32 (user32). Does not: change the viewer itself; the chosen entry is carried out
// through ExaminerControls.
#pragma once

#include "examiner_controls.h"

#include <windows.h>

namespace sowin_standin
{

// Opens the examiner's pop-up menu at `screen_point` (right button released over the render
// area), waits for the user's choice or Escape, and carries the chosen entry out through
// `controls`. Returns when the menu has closed.
void run_popup_menu(HWND owner, POINT screen_point, ExaminerControls &controls);

} // namespace sowin_standin
