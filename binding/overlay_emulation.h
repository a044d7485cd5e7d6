// Overlay planes for a render area whose display has none: the overlay scene graph is
// drawn over the normal scene in the same GL context, after a depth clear, with colour
// indices resolved through the overlay colour map.
// Requires: Coin initialised. Does not: modify the overlay scene graph, or draw anything
// where the display offers real overlay planes (the binding's own path draws there).
#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/sensors/SoNodeSensor.h>

#include <functional>
#include <vector>

class SbViewportRegion;
class SoGLRenderAction;
class SoNode;

namespace sowin_standin
{

class OverlayEmulation
{
  public:
    // `schedule_redraw` asks the render area drawn into for a new frame.
    explicit OverlayEmulation(std::function<void()> schedule_redraw);
    ~OverlayEmulation();
    OverlayEmulation(const OverlayEmulation &) = delete;
    OverlayEmulation &operator=(const OverlayEmulation &) = delete;

    void setColorMap(int start, int count, const SbColor *colors);
    void setSceneGraph(SoNode *scene);

    // The colour that `index` names: its map entry, black where the map has none.
    SbColor colorOf(int index) const;

    // A private copy of the overlay scene graph in which every ColorIndex is a BaseColor
    // of the colours it names; rebuilt only after the scene or the map has changed.
    // Null without an overlay scene.
    SoNode *resolvedScene(void);

    // Draws the resolved scene over the current frame, sharing the area's GL caches, and
    // leaves the area's action to set its GL state afresh next frame. The depth buffer is
    // cleared first unless the caller has just cleared it.
    void render(const SbViewportRegion &region, SoGLRenderAction &area_action,
                bool depth_is_clear = false);

  private:
    static void sceneChanged(void *data, SoSensor *sensor);
    void invalidate(void);

    std::function<void()> schedule_redraw;
    std::vector<SbColor> colors;
    SoNode *scene = nullptr;
    SoNodeSensor scene_watch;
    SoNode *resolved = nullptr;
    SoGLRenderAction *action;
};

} // namespace sowin_standin
