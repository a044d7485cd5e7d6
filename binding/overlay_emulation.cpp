// Overlay emulation: colour indices resolved into base colours on a private copy.
//
// Coin in RGBA mode ignores ColorIndex, and a Separator calls its children's render
// methods directly, so the index can't be intercepted while rendering. Instead the
// overlay graph is copied and each ColorIndex in the copy becomes a BaseColor.
#include "overlay_emulation.h"

#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoColorIndex.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/system/gl.h>

#include <utility>

namespace sowin_standin
{

namespace
{

void replace_color_indices(SoNode *root, const OverlayEmulation &emulation)
{
    SoSearchAction search;
    search.setType(SoColorIndex::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    SoPathList &paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); i++) {
        SoPath *path = paths[i];
        if (path->getLength() < 2) // a ColorIndex as the root draws nothing to resolve
            continue;
        auto *index_node = static_cast<SoColorIndex *>(path->getTail());
        auto *base = new SoBaseColor;
        int count = index_node->index.getNum();
        base->rgb.setNum(count);
        SbColor *values = base->rgb.startEditing();
        for (int k = 0; k < count; k++)
            values[k] = emulation.colorOf(index_node->index[k]);
        base->rgb.finishEditing();
        auto *parent = static_cast<SoGroup *>(path->getNodeFromTail(1));
        parent->replaceChild(path->getIndexFromTail(0), base);
    }
}

} // namespace

OverlayEmulation::OverlayEmulation(std::function<void()> schedule_redraw)
    : schedule_redraw(std::move(schedule_redraw)),
      scene_watch(&OverlayEmulation::sceneChanged, this),
      action(new SoGLRenderAction(SbViewportRegion()))
{
}

OverlayEmulation::~OverlayEmulation()
{
    scene_watch.detach();
    if (scene)
        scene->unref();
    if (resolved)
        resolved->unref();
    delete action;
}

void OverlayEmulation::setColorMap(int start, int count, const SbColor *new_colors)
{
    if (start < 0 || count <= 0 || !new_colors)
        return;
    if (colors.size() < static_cast<size_t>(start + count))
        colors.resize(start + count, SbColor(0, 0, 0));
    for (int i = 0; i < count; i++)
        colors[start + i] = new_colors[i];
    invalidate();
}

void OverlayEmulation::setSceneGraph(SoNode *new_scene)
{
    // The render area holds its overlay scene from now on, as SoQt's overlay manager does.
    if (new_scene)
        new_scene->ref();
    scene_watch.detach();
    if (scene)
        scene->unref();
    scene = new_scene;
    if (scene)
        scene_watch.attach(scene);
    invalidate();
}

SbColor OverlayEmulation::colorOf(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= colors.size())
        return SbColor(0, 0, 0);
    return colors[index];
}

SoNode *OverlayEmulation::resolvedScene(void)
{
    if (!resolved && scene) {
        resolved = scene->copy(FALSE);
        resolved->ref();
        replace_color_indices(resolved, *this);
    }
    return resolved;
}

void OverlayEmulation::render(const SbViewportRegion &region, SoGLRenderAction &area_action,
                              bool depth_is_clear)
{
    SoNode *root = resolvedScene();
    if (!root)
        return;
    // The overlay has a depth range of its own: nothing in the normal scene hides it.
    if (!depth_is_clear)
        glClear(GL_DEPTH_BUFFER_BIT);
    action->setViewportRegion(region);
    action->setCacheContext(area_action.getCacheContext());
    // Two actions draw on one context, each trusting its record of the GL state it set last
    // (this one's light model turns lighting off): neither record holds after the other drew.
    action->invalidateState();
    action->apply(root);
    area_action.invalidateState();
}

void OverlayEmulation::sceneChanged(void *data, SoSensor *)
{
    static_cast<OverlayEmulation *>(data)->invalidate();
}

void OverlayEmulation::invalidate(void)
{
    if (resolved) {
        resolved->unref();
        resolved = nullptr;
    }
    if (schedule_redraw)
        schedule_redraw();
}

} // namespace sowin_standin
