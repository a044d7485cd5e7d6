// The examiner viewer each platform builds behind the SoWin classes: the one small interface
// that components_soqt.cpp and components_win32.cpp fill.
// Requires: Coin, and SoWin::init() before new_examiner_backend. Does not: own the scenes it
// is given beyond the references a render area holds.
#pragma once

#include <Inventor/Win/SoWin.h>

class SbColor;
class SoNode;

namespace sowin_standin
{

class ViewerBackend
{
  public:
    virtual ~ViewerBackend() = default;
    virtual void setTitle(const char *title) = 0;
    virtual void show(void) = 0;
    virtual void setSceneGraph(SoNode *scene) = 0;
    virtual void setOverlayColorMap(int start, int count, const SbColor *colors) = 0;
    virtual void setOverlaySceneGraph(SoNode *scene) = 0;
};

// The platform's examiner viewer inside `parent`, with the arguments of SoWinExaminerViewer:
// `build_flag` as SoWinFullViewer::BuildFlag, `type` as SoWinViewer::Type.
ViewerBackend *new_examiner_backend(HWND parent, const char *name, int embed, int build_flag,
                                    int type);

} // namespace sowin_standin
