// SoWin's component, render area and examiner viewer on SoQt's examiner viewer.
#include <Inventor/Win/viewers/SoWinExaminerViewer.h>

#include "overlay_emulation.h"
#include "real_time_gate.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/events/SoKeyboardEvent.h>

#include <QGLFormat>
#include <QWidget>
#include <GL/glx.h>

namespace sowin_standin
{

namespace
{

bool is_arrow_key(const SoEvent *event)
{
    if (!event->isOfType(SoKeyboardEvent::getClassTypeId()))
        return false;
    switch (static_cast<const SoKeyboardEvent *>(event)->getKey()) {
    case SoKeyboardEvent::LEFT_ARROW:
    case SoKeyboardEvent::RIGHT_ARROW:
    case SoKeyboardEvent::UP_ARROW:
    case SoKeyboardEvent::DOWN_ARROW:
        return true;
    default:
        return false;
    }
}

// SoQt's examiner viewer with the overlay drawn into its frame where the display has
// no overlay planes, and a right first frame.
class EmulatingExaminerViewer : public SoQtExaminerViewer
{
  public:
    EmulatingExaminerViewer(QWidget *parent, const char *name, SbBool embed,
                            SoQtFullViewer::BuildFlag flag, SoQtViewer::Type type)
        : SoQtExaminerViewer(parent, name, embed, flag, type),
          overlay(this, [this] { scheduleRedraw(); })
    {
    }

    OverlayEmulation overlay;

  protected:
    // Qt makes the GL context current for the first time before it has given the X
    // window its size, and Mesa's software rasteriser sizes its buffers then and again
    // only at a swap: the first frame would be drawn into a stale 100 x 30 buffer.
    // While the window is still unmapped, give it its size and swap once; nothing is
    // presented, and the first visible frame is drawn at full size.
    void initGraphic(void) override
    {
        SoQtExaminerViewer::initGraphic();
        Display *display = glXGetCurrentDisplay();
        GLXDrawable drawable = glXGetCurrentDrawable();
        if (!display || !drawable)
            return;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, drawable, &attributes) ||
            attributes.map_state == IsViewable)
            return;
        QWidget *area = getGLWidget();
        qreal scale = area->devicePixelRatioF();
        unsigned width = static_cast<unsigned>(area->width() * scale + 0.5);
        unsigned height = static_cast<unsigned>(area->height() * scale + 0.5);
        if (width == 0 || height == 0)
            return;
        if (static_cast<unsigned>(attributes.width) != width ||
            static_cast<unsigned>(attributes.height) != height)
            XResizeWindow(display, drawable, width, height);
        XSync(display, False);
        glXSwapBuffers(display, drawable);
    }

    // SoQt's arrow-key panning moves the viewer's camera, and without a normal scene
    // graph there is none: it would dereference a null camera. The overlay keeps its own
    // camera, so the keys have nothing to move.
    SbBool processSoEvent(const SoEvent *const event) override
    {
        if (!getCamera() && is_arrow_key(event))
            return FALSE;
        return SoQtExaminerViewer::processSoEvent(event);
    }

    void actualRedraw(void) override
    {
        // With no normal scene SoQt draws nothing, not even the background.
        bool cleared = !getSceneGraph();
        if (cleared) {
            const SbColor &background = getBackgroundColor();
            glClearColor(background[0], background[1], background[2], 0.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        SoQtExaminerViewer::actualRedraw();
        if (!hasOverlayGLArea())
            overlay.render(getViewportRegion(), *getGLRenderAction(), cleared);
        update_real_time_after_redraw();
    }
};

} // namespace

} // namespace sowin_standin

using sowin_standin::EmulatingExaminerViewer;
using sowin_standin::OverlayEmulation;

namespace
{

// The components that exist. A program may keep its viewer to the end without a pointer
// of its own; the list keeps it reachable until then.
SoWinComponent *first_component = nullptr;

} // namespace

SoWinComponent::SoWinComponent(SoQtComponent *component)
    : component(component), next_component(first_component)
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
    component->setTitle(title);
    // An embedded component has no shell of its own: its title is its window's title.
    if (!component->isTopLevelShell())
        component->getWidget()->window()->setWindowTitle(QString::fromLocal8Bit(title));
}

void SoWinComponent::show(void)
{
    component->show();
}

SoWinRenderArea::SoWinRenderArea(OverlayEmulation *overlay)
    : SoWinComponent(overlay->renderArea()), overlay(overlay)
{
}

// Without overlay visuals SoQt would still build a second GL widget and context for an
// overlay it can never show; the emulation alone draws it then.
static bool display_has_overlay_planes(void)
{
    static const bool has_overlays = QGLFormat::hasOpenGLOverlays();
    return has_overlays;
}

void SoWinRenderArea::setOverlayColorMap(int start, int num, const SbColor *colors)
{
    if (display_has_overlay_planes())
        overlay->renderArea()->setOverlayColorMap(start, num, colors);
    overlay->setColorMap(start, num, colors);
}

void SoWinRenderArea::setOverlaySceneGraph(SoNode *scene)
{
    if (display_has_overlay_planes())
        overlay->renderArea()->setOverlaySceneGraph(scene);
    overlay->setSceneGraph(scene);
}

namespace
{

OverlayEmulation *new_examiner(HWND parent, const char *name, int embed,
                               SoWinFullViewer::BuildFlag flag, SoWinViewer::Type type)
{
    auto *viewer = new EmulatingExaminerViewer(reinterpret_cast<QWidget *>(parent), name, embed,
                                               static_cast<SoQtFullViewer::BuildFlag>(flag),
                                               static_cast<SoQtViewer::Type>(type));
    return &viewer->overlay;
}

} // namespace

SoWinExaminerViewer::SoWinExaminerViewer(HWND parent, const char *name, int embed,
                                         SoWinFullViewer::BuildFlag flag, SoWinViewer::Type type)
    : SoWinFullViewer(new_examiner(parent, name, embed, flag, type))
{
}
