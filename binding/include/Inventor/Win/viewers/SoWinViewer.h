// SoWin stand-in: the viewer level, which adds only the viewer type.
// Requires: SoWin::init() first. Does not: offer camera or draw-style controls.
#pragma once

#include <Inventor/Win/SoWinRenderArea.h>

class SoWinViewer : public SoWinRenderArea
{
  public:
    enum Type { BROWSER = 0, EDITOR = 1 };

  protected:
    using SoWinRenderArea::SoWinRenderArea;
};
