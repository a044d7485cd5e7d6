// SoWin's component, render area and examiner viewer: each call handed to the platform's
// viewer. What the calls do is the platform's; which components exist is kept here.
#include <Inventor/Win/viewers/SoWinExaminerViewer.h>

#include "viewer_backend.h"

using sowin_standin::ViewerBackend;

namespace
{

// The components that exist. A program may keep its viewer to the end without a pointer
// of its own; the list keeps it reachable until then.
SoWinComponent *first_component = nullptr;

} // namespace

SoWinComponent::SoWinComponent(ViewerBackend *backend)
    : backend(backend), next_component(first_component)
{
    first_component = this;
}

SoWinComponent::~SoWinComponent()
{
    for (SoWinComponent **link = &first_component; *link; link = &(*link)->next_component) {
        if (*link == this) {
            *link = next_component;
            break;
        }
    }
}

void SoWinComponent::setTitle(const char *title)
{
    backend->setTitle(title);
}

void SoWinComponent::show(void)
{
    backend->show();
}

void SoWinRenderArea::setSceneGraph(SoNode *scene)
{
    backend->setSceneGraph(scene);
}

void SoWinRenderArea::setOverlayColorMap(int start, int num, const SbColor *colors)
{
    backend->setOverlayColorMap(start, num, colors);
}

void SoWinRenderArea::setOverlaySceneGraph(SoNode *scene)
{
    backend->setOverlaySceneGraph(scene);
}

SoWinExaminerViewer::SoWinExaminerViewer(HWND parent, const char *name, int embed,
                                         SoWinFullViewer::BuildFlag flag, SoWinViewer::Type type)
    : SoWinFullViewer(sowin_standin::new_examiner_backend(parent, name, embed, flag, type))
{
}
