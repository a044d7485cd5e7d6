// SoWin stand-in: the examiner viewer, with its decoration (thumbwheels and buttons), pop-up
// menu and mouse interaction. Requires: SoWin::init() first. Does not: tear the viewer down
// before the process ends.
#pragma once

#include <Inventor/Win/SoWin.h>
#include <Inventor/Win/viewers/SoWinFullViewer.h>

class SoWinExaminerViewer : public SoWinFullViewer
{
  public:
    SoWinExaminerViewer(HWND parent = nullptr, const char *name = nullptr, int embed = 1,
                        SoWinFullViewer::BuildFlag flag = BUILD_ALL,
                        SoWinViewer::Type type = BROWSER);
};
