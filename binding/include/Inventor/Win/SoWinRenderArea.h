// SoWin stand-in: the render area's scene graph, overlay colour map and overlay scene graph.
// Requires: SoWin::init() first. Where the display has no overlay planes, the overlay is
// emulated: drawn after the normal scene, colour indices resolved through the overlay colour
// map. Does not: modify the overlay scene graph it is given.
#pragma once

#include <Inventor/Win/SoWinComponent.h>

class SbColor;
class SoNode;

class SoWinRenderArea : public SoWinComponent
{
  public:
    // The normal scene; the program sets none, the binding's tests do.
    void setSceneGraph(SoNode *scene);
    void setOverlayColorMap(int start, int num, const SbColor *colors);
    void setOverlaySceneGraph(SoNode *scene);

  protected:
    using SoWinComponent::SoWinComponent;
};
