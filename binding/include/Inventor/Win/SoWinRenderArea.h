// SoWin stand-in: the render area's overlay colour map and overlay scene graph.
// Requires: SoQt 1.6. Where the display has no overlay planes, the overlay is emulated:
// drawn after the normal scene, colour indices resolved through the overlay colour map.
// Does not: modify the overlay scene graph it is given.
#pragma once

#include <Inventor/Win/SoWinComponent.h>

class SbColor;
class SoNode;
namespace sowin_standin
{
class OverlayEmulation;
}

class SoWinRenderArea : public SoWinComponent
{
  public:
    void setOverlayColorMap(int start, int num, const SbColor *colors);
    void setOverlaySceneGraph(SoNode *scene);

  protected:
    explicit SoWinRenderArea(sowin_standin::OverlayEmulation *overlay);

  private:
    sowin_standin::OverlayEmulation *overlay;
};
