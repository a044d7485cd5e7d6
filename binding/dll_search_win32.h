// Where the Win32 stand-in's DLLs come from: the system folder, never the program's own.
// Requires: Win32, and opengl32 linked as a delay-load import (cmake/DelayLoadOpenGL.cmake).
// Does not: check what the loaded OpenGL can do (sowin_win32.cpp does).
#pragma once

namespace sowin_standin
{

// Limits the search for every DLL loaded by name from now on to the system folder, then
// loads opengl32 from there and resolves all of the program's imports from it. Call it first
// thing, before any pixel format is described or chosen (gdi32 loads opengl32 by name for
// those) and before any GL call. False where opengl32 could not be loaded.
bool load_system_opengl(void);

} // namespace sowin_standin
